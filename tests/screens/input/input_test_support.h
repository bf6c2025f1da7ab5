#pragma once
// The set-up every input-screen test shares: a temporary program folder
// with a fresh copy of the template database and clips whose samples name
// them, the build's control modules registered into the test's own
// registry, the shared record objects and tooth tables, a fake clock,
// scripted message boxes, and a sound window whose output records what it
// plays. EntryBench adds the examination entry on real tooth buttons
// without the window.

#include "controls/colour_button/prismet_properties.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "core/connections.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "core/tooth_tables.h"
#include "platform/clock.h"
#include "platform/com/control_host.h"
#include "platform/gui/file_dialog.h"
#include "platform/gui/japanese_ui.h"
#include "platform/message_box.h"
#include "records/exam_item.h"
#include "records/exam_record.h"
#include "records/shared_records.h"
#include "records/staff_record.h"
#include "records/tooth_position.h"
#include "screens/input/dispatch_tooth_grid.h"
#include "screens/input/entry/exam_entry.h"
#include "screens/input/input_screen_hooks.h"
#include "screens/input/modal_window.h"
#include "tests/core/sound/fakes.h"
#include "tests/core/sound/wave_writer.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QDir>
#include <QWidget>
#include <deque>
#include <map>
#include <memory>
#include <vector>

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace mox::test {

struct FatalEnd {};

// Every clip the screen queues, each tagged with its own number.
inline const std::vector<QString>& ClipNames() {
    static const std::vector<QString> names = [] {
        std::vector<QString> n;
        for (int v = 0; v <= 16; ++v) n.push_back(QString::number(v) + QStringLiteral(".wav"));
        for (const char16_t* s : {u"phone1.wav", u"click1.wav", u"無.wav", u"subeteari.wav", u"subetenashi.wav"})
            n.push_back(QString::fromUtf16(s));
        return n;
    }();
    return names;
}

class InputScreenEnvironment {
public:
    InputScreenEnvironment() {
        ResetAllSlots();
        SetEndProgramHandler([] { throw FatalEnd{}; });
        platform::RegisterFontSubstitutes();
        dbPath = box.CopyTemplate();
        Settings& g = G();
        g.ProgramDir = box.Path();
        g.SetMainDatabase(dbPath);
        g.ShowPathInfo = 0;
        g.SharedDbKind = 0;
        g.CurPatientId = -1;
        g.CurChargeId = 1;
        g.IdPrefix = 1;
        g.SoundOn = true;

        QDir(box.Path()).mkpath(QStringLiteral("wave"));
        for (size_t i = 0; i < ClipNames().size(); ++i)
            WriteFile(box.Path() + QStringLiteral("/wave/") + ClipNames()[i], SimpleWave(200, int16_t(100 + i)));
        devices.outputs = {{"out", "Speakers"}};
        auto out = std::make_unique<RecordingOutput>();
        auto tk = std::make_unique<SteppedTicks>(clock);
        output = out.get();
        ticks = tk.get();
        auto window = std::make_unique<PFrmPlayWave>(std::move(out), std::move(tk));
        window->Form_Load();
        SetPlayWaveWindow(std::move(window));

        for (const auto& [file, clsid] : {std::pair{"libMolarix.so", molarix::kToothButtonClsid},
                                          std::pair{"libPrismet.so", prismet::kClsidPrismet}}) {
            QString error;
            const QString path = ProgramDir() + u'/' + QString::fromLatin1(file);
            if (!com::Succeeded(com::EnsureModuleRegistered(path, QString::fromLatin1(clsid), &error)))
                ADD_FAILURE() << "module not registered: " << error.toStdString();
        }
        CreateGlobalObjects();
        MakeToothLabels();
        MakeToothPictureNames();
        MakeToothNumberTable();

        // File dialogs take the scripted answers (none left: cancelled);
        // a modal window is worked by the test's runner, and one that no
        // test expects fails the test instead of waiting for a user.
        platform::SetFileDialogAnswerer([this](const platform::FileDialogRequest& r) -> std::optional<QString> {
            fileRequests.push_back(r);
            if (fileAnswers.empty()) return std::nullopt;
            const std::optional<QString> answer = fileAnswers.front();
            fileAnswers.pop_front();
            return answer;
        });
        SetModalRunner([this](QDialog& window) {
            ++modalWindows;
            if (modalRunner)
                modalRunner(window);
            else
                ADD_FAILURE() << "unexpected modal window " << window.objectName().toStdString();
        });
        InputHooks() = {};
    }

    ~InputScreenEnvironment() {
        InputHooks() = {};
        SetModalRunner({});
        platform::SetFileDialogAnswerer({});
        ResetAllSlots();
        SetPlayWaveWindow(nullptr);
        ReleaseGlobalObjects();
        SetEndProgramHandler({});
        G().CurPatientId = -1;
    }

    // A connection of its own to the database file, for setting up rows and
    // checking what the screen wrote.
    db::ConnectionPtr Db() {
        if (!db_) db_ = db::Connection::Open(db::DataSourcePart(dbPath));
        return db_;
    }

    // Plays the queue out and returns the clips in the order they played.
    std::vector<QString> PlayedClips() {
        ticks->RunUntilIdle();
        std::vector<QString> names;
        for (const PlayedClip& p : output->played) names.push_back(ClipNames().at(p.tag - 100));
        output->played.clear();
        return names;
    }

    // Boxes shown since the last call, by caption.
    std::vector<QString> Captions() {
        std::vector<QString> captions;
        for (const auto& b : boxes.Shown()) captions.push_back(b.caption);
        boxes.Clear();
        return captions;
    }

    // Stores one examination row of a patient.
    void AddRow(const CExamData& r) {
        auto rs = Db()->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=?"), {-1});
        rs->AddNew();
        r.RecSetPut(*rs);
        rs->Update();
    }
    // A row of an examination; values and states as cleared.
    static CExamData Row(int32_t id, int32_t patient, const QDate& date, int32_t row, int32_t item, int16_t stage = 1) {
        CExamData r;
        r.ClearBuffer();
        r.ID = id;
        r.PatientID = patient;
        r.ExamDate = QDateTime(date, QTime(0, 0));
        r.Row = row;
        r.SubExam = item;
        r.Examination = 2;
        r.CommentID = stage;
        return r;
    }
    long Count(const QString& sql, const std::vector<db::Value>& params = {}) {
        return static_cast<long>(Db()->Scalar(sql, params).ToInt64());
    }

    // The file dialogs asked for, and the answers they are to get.
    std::vector<platform::FileDialogRequest> fileRequests;
    std::deque<std::optional<QString>> fileAnswers;
    // Works a modal window of the screen where a user would.
    std::function<void(QDialog&)> modalRunner;
    int modalWindows = 0;

    Sandbox box;
    platform::FakeClock clock;
    platform::ScriptedMsgBoxes boxes;
    FakeSoundDevices devices;
    RecordingOutput* output = nullptr;
    SteppedTicks* ticks = nullptr;
    QString dbPath;

private:
    db::ConnectionPtr db_;
};

// The fields and buttons of a window, as the entry sees them.
class FakeEntryForm : public EntryForm {
public:
    EntryFields Fields() const override { return fields; }
    void FocusField(EntryField field) override { focused.push_back(field); }
    void ShowInputButtons(const InputButtons& b) override { buttons = b; }
    void ShowBatchModes(int16_t bleeding, int16_t suppuration) override {
        batchFaces.push_back({bleeding, suppuration});
    }
    int AskSitesToFill() override {
        ++sitesAsked;
        return sitesAnswer;
    }
    void FocusToothButton(int i) override { focusedButtons.push_back(i); }

    EntryFields fields;
    int sitesAnswer = kSitesCancelled;
    int sitesAsked = 0;
    std::vector<int> focusedButtons;
    std::vector<EntryField> focused;
    InputButtons buttons;
    std::vector<std::pair<int, int>> batchFaces;
};

// The examination entry on 128 real tooth buttons, with the template's
// stages, staff member and items loaded, as the window has them after
// loading.
class EntryBench : public InputScreenEnvironment {
public:
    EntryBench() : entry(grid, form) {
        host.resize(1200, 760);
        QString error;
        if (!grid.Create(&host, &error)) ADD_FAILURE() << error.toStdString();
        LoadTables();
        host.show();
    }

    // Reads the stages, the staff member and the items again (after a test
    // changed them in the file) and sets the grid up as the window does.
    void LoadTables() {
        MainDbHold hold;
        for (const StageRow& s : ReadStages()) entry.StageNames[s.id] = s.name;
        ReadStaffRecord(*Globals().CurCharge, 1);
        ReadExamItems(Globals().SubExamRows);
        entry.SetupGrid();
    }

    // Patient `patient` on `date` chosen with all fields filled, its
    // examination loaded and the pocket-depth item taking input.
    bool Show(int32_t patient, const std::optional<QDate>& date, int32_t stage = 1) {
        form.fields.patientId = patient;
        const QDate shown = date ? *date : QDate(2024, 5, 10);
        form.fields.year = QString::number(shown.year());
        form.fields.month = QString::number(shown.month()).rightJustified(2, u'0');
        form.fields.day = QString::number(shown.day()).rightJustified(2, u'0');
        form.fields.stageId = stage;
        G().CurPatientId = patient;
        entry.IsNewEntry = !date;
        MainDbHold hold;
        const bool loaded = entry.LoadExamRecords(patient, date);
        entry.PaintToothGrid();
        entry.SetInputMode(kPocketDepthItem, true);
        entry.DataChanged = false;
        entry.AdvancePending = false;
        return loaded;
    }

    void Keys(const QString& keys) {
        for (QChar c : keys) entry.KeyPress(c.unicode());
    }

    // Button site values of a row's tooth, as shown.
    int Value(int row, int tooth, int site = 0) { return grid.Data(row * 32 + tooth, 0, site); }
    int Mark(int row, int tooth, int site, int nExam) { return grid.Data(row * 32 + tooth, nExam, site); }
    CToothPosition& Cursor(int row) { return *Globals().ToothPositions[row]; }

    QWidget host;
    DispatchToothGrid grid;
    FakeEntryForm form;
    ExamEntry entry;
};

}  // namespace mox::test
