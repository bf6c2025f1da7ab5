// Clicks on the grid, the bleeding and suppuration marks with their batch
// modes, and the plaque buttons.

#include "core/exam_lookups.h"
#include "core/sound/play_wave.h"
#include "core/tooth_tables.h"
#include "platform/message_box.h"
#include "records/exam_record.h"
#include "records/exam_vocabulary.h"
#include "screens/input/entry/exam_entry.h"

#include <utility>

namespace mox {

namespace {

constexpr int kBleeding = 1;
constexpr int kSuppuration = 2;

// The furcation site a label click stands for: the first palatal entrance
// of an upper molar, the first entrance of any other tooth; -1 for a tooth
// without furcation.
int FirstFurcationSite(int tooth) {
    const int16_t kind = FurcationType[tooth];
    const auto entrances = FurcationEntrances(kind);
    if (entrances.empty()) return -1;
    return kind == kUpperMolarFurcation ? entrances[1] : entrances[0];
}

}  // namespace

void ExamEntry::Th_ClickData(int index, int position) {
    if (index < 0 || index >= kGridButtons || position < 0 || position > 5) return;
    if (BleedingBatchMode == 0 && SuppurationBatchMode == 0) return ClickSite(index, position);
    if (BatchMarkSite(index, position)) DataChanged = true;
}

bool ExamEntry::BatchMarkSite(int index, int position) {
    if (grid_.ExamMode(index) != kPocketDepthMode) return false;
    bool changed = false;
    // A mark belongs to a measured site only.
    if (grid_.Data(index, 0, position) != kNoButtonValue) {
        for (const auto& [mode, nExam] :
             {std::pair{BleedingBatchMode, kBleeding}, {SuppurationBatchMode, kSuppuration}}) {
            if (mode != 1) continue;
            grid_.SetData(index, nExam, position, grid_.Data(index, nExam, position) == 1 ? 0 : 1);
            changed = true;
        }
    }
    grid_.Refresh(index);
    return changed;
}

bool ExamEntry::BatchMarkTooth(int index) {
    if (grid_.ExamMode(index) != kPocketDepthMode) return false;
    bool changed = false;
    for (const auto& [mode, nExam] : {std::pair{BleedingBatchMode, kBleeding}, {SuppurationBatchMode, kSuppuration}}) {
        if (mode != 1) continue;
        // A tooth whose measured sites all carry the mark loses it; any
        // other tooth gets it on every measured site.
        int unmarked = 0;
        for (int k = 0; k < 6; ++k)
            if (grid_.Data(index, 0, k) != kNoButtonValue && grid_.Data(index, nExam, k) != 1) ++unmarked;
        const int mark = unmarked == 0 ? 0 : 1;
        for (int k = 0; k < 6; ++k) {
            if (grid_.Data(index, 0, k) == kNoButtonValue || grid_.Data(index, nExam, k) == mark) continue;
            grid_.SetData(index, nExam, k, mark);
            changed = true;
        }
    }
    grid_.Refresh(index);
    return changed;
}

void ExamEntry::LblTh_Click(int index) {
    if (index < 0 || index >= kGridButtons) return;
    if (BleedingBatchMode != 0 || SuppurationBatchMode != 0) {
        if (BatchMarkTooth(index)) DataChanged = true;
        return;
    }
    const int tooth = index % 32;
    if (OfferToothStateRelease(tooth)) return;
    if (grid_.ExamMode(index) == kFurcationMode) {
        const int site = FirstFurcationSite(tooth);
        if (site >= 0) Th_ClickData(index, site);
        return;
    }
    Th_ClickData(index, 0);
}

void ExamEntry::CmdBlood_Click() { ToggleMarkAtCursor(kBleeding); }

void ExamEntry::CmdHainou_Click() { ToggleMarkAtCursor(kSuppuration); }

void ExamEntry::ToggleMarkAtCursor(int nExam) {
    if (!CheckEntries()) return;
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn()) return;
    const int b = CurrentButton();
    if (grid_.ExamMode(b) != kPocketDepthMode) return;
    const int site = CurrentSite();
    if (grid_.Data(b, 0, site) != kNoButtonValue) {
        grid_.SetData(b, nExam, site, grid_.Data(b, nExam, site) == 1 ? 0 : 1);
        DataChanged = true;
    }
    grid_.Refresh(b);
}

void ExamEntry::CmdBloodMode_Click() {
    if (!CheckEntries()) return;
    ToggleBatchMode(BleedingBatchMode);
}

void ExamEntry::CmdHainouMode_Click() {
    if (!CheckEntries()) return;
    ToggleBatchMode(SuppurationBatchMode);
}

void ExamEntry::ToggleBatchMode(int16_t& mode) {
    if (mode != 0) {
        mode = 0;
    } else {
        mode = 1;
        DataChanged = true;
    }
    form_.ShowBatchModes(BleedingBatchMode, SuppurationBatchMode);
}

void ExamEntry::CmdPL_Click(int index) {
    if (index < 0 || index >= kPlaqueButtons) return;
    if (!CheckEntries()) return;
    const bool withPlaque = index == 0 || index == 2;
    PlayWave(withPlaque ? QStringLiteral("subeteari.wav") : QStringLiteral("subetenashi.wav"));
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn() || grid_.ExamMode(CurrentButton()) != kPlaqueMode) return;
    const int32_t faces = withPlaque ? 15 : 0;

    if (index < 2) {
        AdvanceBeforeEntry(false);
        const int b = CurrentButton();
        if (buttons_.plaque[index]) {
            grid_.SetPlaqueUnTreat(b, 0);
            grid_.SetPlaqueData(b, faces);
            DataChanged = true;
        } else {
            platform::MsgBox(QStringLiteral("入力できません。再入力してください。"), 48, QStringLiteral("再入力"));
            AdvancePending = false;
        }
        grid_.Refresh(b);
        return;
    }

    const int answer = form_.AskSitesToFill();
    if (answer != kAllSites && answer != kUnexaminedSites) return;
    bool changed = false;
    for (int t = 0; t < kToothCount; ++t) {
        const int b = CurRow * 32 + t;
        // Missing teeth, pontics and implants carry no plaque.
        if (IsRestTooth(ToothStatus[t])) {
            const int32_t dataBefore = grid_.PlaqueData(b);
            const int32_t untreatedBefore = grid_.PlaqueUnTreat(b);
            int32_t data = faces;
            int32_t untreated = 0;
            if (answer == kUnexaminedSites && dataBefore != kNoButtonValue) {
                // Faces already examined keep their finding.
                data = dataBefore;
                untreated = untreatedBefore;
                for (int32_t face : {1, 2, 4, 8}) {
                    if (!(untreated & face)) continue;
                    untreated &= ~face;
                    data = withPlaque ? data | face : data & ~face;
                }
            }
            if (data != dataBefore || untreated != untreatedBefore) {
                grid_.SetPlaqueUnTreat(b, untreated);
                grid_.SetPlaqueData(b, data);
                changed = true;
            }
        }
        grid_.Refresh(b);
    }
    if (changed) DataChanged = true;
}

}  // namespace mox
