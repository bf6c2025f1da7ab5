// Missing, implant and pontic: set on the cursor's tooth by the three
// buttons, released by them or by a click on the tooth's label.

#include "core/sound/play_wave.h"
#include "core/tooth_tables.h"
#include "platform/message_box.h"
#include "records/exam_item.h"
#include "records/exam_vocabulary.h"
#include "records/shared_records.h"
#include "records/tooth_position.h"
#include "screens/input/entry/exam_entry.h"

namespace mox {

namespace {

// The states that close an item's row for a tooth unless its mask has them.
constexpr uint16_t kClosingStates = kToothImplant | kToothFourthState | kToothPontic | kToothMissing;

// In the order a label click offers to release them.
struct StateTexts {
    uint16_t bit;
    const char16_t* set;
    const char16_t* release;
};
constexpr StateTexts kStateTexts[] = {
    {kToothMissing, u"ＭＴ（欠損）にしますか。", u"ＭＴ（欠損）を解除しますか。"},
    {kToothImplant, u"インプラントにしますか。", u"インプラントを解除しますか。"},
    {kToothPontic, u"ポンティックにしますか。", u"ポンティックを解除しますか。"},
};

}  // namespace

void ExamEntry::CmdMT_Click() { ToothStateCommand(kToothMissing); }

void ExamEntry::CmdImplant_Click() { ToothStateCommand(kToothImplant); }

void ExamEntry::CmdPontic_Click() { ToothStateCommand(kToothPontic); }

void ExamEntry::ToothStateCommand(uint16_t bit) {
    if (!CheckEntries()) return;
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn()) return;
    AskToToggleToothState(bit, CurrentTooth());
    // The cursor may have left the tooth: the focus follows it.
    form_.FocusToothButton(CurrentButton());
}

void ExamEntry::AskToToggleToothState(uint16_t bit, int tooth) {
    const bool isSet = static_cast<uint16_t>(ToothStatus[tooth]) & bit;
    for (const StateTexts& texts : kStateTexts) {
        if (texts.bit != bit) continue;
        const QString question = QString::fromUtf16(isSet ? texts.release : texts.set);
        if (platform::MsgBox(question, 4 + 48, QStringLiteral("確認")) == platform::kYes) {
            PlayWave(QStringLiteral("click1.wav"));
            ToggleToothState(bit, tooth);
            DataChanged = true;
        }
    }
}

bool ExamEntry::OfferToothStateRelease(int tooth) {
    const uint16_t status = static_cast<uint16_t>(ToothStatus[tooth]);
    // Missing wins over implant, implant over pontic.
    for (const StateTexts& texts : kStateTexts) {
        if (!(status & texts.bit)) continue;
        AskToToggleToothState(texts.bit, tooth);
        return true;
    }
    return false;
}

void ExamEntry::ToggleToothState(uint16_t bit, int tooth) {
    if (tooth < 0) return;
    // The label path hands over a grid index: every record and button of
    // the tooth is found by its tooth index, in every row.
    const int t = tooth % kToothCount;
    if (bit != kToothMissing && bit != kToothPontic && bit != kToothImplant) return;
    const uint16_t before = static_cast<uint16_t>(ToothStatus[t]);
    const bool turnedOn = !(before & bit);
    // Missing, pontic, implant and the further state exclude each other;
    // only the deciduous bit survives a new state.
    const uint16_t after =
        turnedOn ? static_cast<uint16_t>((before & kToothDeciduous) | bit) : static_cast<uint16_t>(before & ~bit);
    ToothStatus[t] = static_cast<int16_t>(after);

    GlobalObjects& g = Globals();
    const int16_t index = static_cast<int16_t>(t);
    for (auto& record : g.ExamDataRows) record->SetnBui(index, ToothStatus[t]);
    for (auto& cursor : g.ToothPositions) cursor->SetnBuiStatus(index, ToothStatus[t]);
    // Values entered since the load survive the repaint.
    CollectExamValues();
    ClearBlockedToothValues(t);
    PaintToothGrid();

    if (!InputOn()) return;
    bool moved = false;
    if (turnedOn) {
        moved = CursorNext(CurRow) || CursorLast(CurRow);
        AdvancePending = false;
    }
    // The repaint took the cursor mark off the labels.
    if (!moved) ShowCursorMark(CurRow, CurrentTooth());
}

void ExamEntry::ClearBlockedToothValues(int tooth) {
    if (tooth < 0) return;
    const int t = tooth % kToothCount;
    GlobalObjects& g = Globals();
    for (int row = 0; row < kGridRows; ++row) {
        CExamData& record = *g.ExamDataRows[row];
        const CSubExam& item = *g.SubExamRows[row];
        const uint16_t status = static_cast<uint16_t>(record.nBui(static_cast<int16_t>(t)));
        const uint16_t mask = static_cast<uint16_t>(item.Status);
        const bool closed = (status & kClosingStates & ~mask) != 0;
        if (IsPerSiteType(item.Mode)) {
            if (closed)
                for (int s = 0; s < 6; ++s) record.SetbData(static_cast<int16_t>(t * 6 + s), kNoSiteValue);
        } else if (closed) {
            // A per-tooth item keeps what it holds elsewhere (the plaque
            // item's faces not examined at t + kPlaqueNotExaminedOffset).
            record.SetbData(static_cast<int16_t>(t), kNoSiteValue);
        }
        // Every change of state, on or off, takes the tooth's marks away.
        if (item.Mode == kPocketDepthMode) {
            for (int s = 0; s < 6; ++s) {
                g.ExamDataRows[kBleedingRow]->SetbData(static_cast<int16_t>(t * 6 + s), kNoSiteValue);
                g.ExamDataRows[kSuppurationRow]->SetbData(static_cast<int16_t>(t * 6 + s), kNoSiteValue);
            }
        }
    }
}

}  // namespace mox
