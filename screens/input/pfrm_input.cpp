#include "screens/input/pfrm_input.h"

#include "controls/colour_button/prismet_properties.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "core/connections.h"
#include "core/messages.h"
#include "core/program_log.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "core/version.h"
#include "platform/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "platform/gui/virtual_keys.h"
#include "platform/message_box.h"
#include "records/exam_dates.h"
#include "records/exam_item.h"
#include "records/exam_vocabulary.h"
#include "records/patient_record.h"
#include "records/shared_records.h"
#include "records/staff_record.h"
#include "screens/input/pfrm_msg_box_bui.h"
#include "screens/patient_number_box.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <algorithm>
#include <array>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

constexpr int kWindowWidthTwips = 17800;
constexpr int kWindowHeightTwips = 10800;
constexpr int kPanelLeft = 12800;
constexpr int kChartTopWithTools = 8220;
constexpr int kChartTopWithoutTools = 8640;
constexpr int kToolsTop = 8850;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0x0000FF;  // RGB(255, 0, 0)

// Button faces that change at run time (VB colour numbers).
constexpr uint32_t kBleedingModeOff = 0x8080FF;
constexpr uint32_t kBleedingModeOn = 0x0000FF;
constexpr uint32_t kSuppurationModeOff = 0xC0FFFF;
constexpr uint32_t kSuppurationModeOn = 0x00FFFF;

struct ButtonPlace {
    const char* name;
    int index;
    int x, y, w, h;  // twips
};

// Value buttons four to a line, the marks, clear and no-lesion, plaque and
// tooth states below them, then the commands.
std::vector<ButtonPlace> ButtonPlaces() {
    std::vector<ButtonPlace> places;
    constexpr int kCol = 1200;
    constexpr int kW = 1140;
    constexpr int kH = 480;
    for (int i = 0; i < kValueButtons; ++i) {
        const int line = i / 4;
        const int column = i % 4;
        places.push_back({"CmdVal", i, kPanelLeft + column * kCol, kGridTopTwips + line * 540, kW, kH});
    }
    places.back().w = kW + kCol;  // "16 以上"
    const int marks = kGridTopTwips + 5 * 540 + 120;
    places.push_back({"CmdBlood", -1, kPanelLeft, marks, kW, kH});
    places.push_back({"CmdBloodMode", -1, kPanelLeft + kCol, marks, kW, kH});
    places.push_back({"CmdHainou", -1, kPanelLeft + 2 * kCol, marks, kW, kH});
    places.push_back({"CmdHainouMode", -1, kPanelLeft + 3 * kCol, marks, kW, kH});
    places.push_back({"CmdFurcationNone", -1, kPanelLeft, marks + 540, kW, kH});
    places.push_back({"CmdNot", -1, kPanelLeft + kCol, marks + 540, kW + kCol, kH});
    for (int i = 0; i < kPlaqueButtons; ++i)
        places.push_back({"CmdPL", i, kPanelLeft + i * kCol, marks + 1080, kW, kH});
    places.push_back({"CmdMT", -1, kPanelLeft, marks + 1620, kW, kH});
    places.push_back({"CmdImplant", -1, kPanelLeft + kCol, marks + 1620, kW, kH});
    places.push_back({"CmdPontic", -1, kPanelLeft + 2 * kCol, marks + 1620, kW, kH});

    places.push_back({"CmdAdd", -1, kPanelLeft, 7200, 1740, 450});
    places.push_back({"CmdDelExamData", -1, kPanelLeft + 1800, 7200, 1560, 450});
    places.push_back({"CmdDelPatient", -1, kPanelLeft + 3420, 7200, 1320, 450});
    places.push_back({"CmdSave", -1, kPanelLeft, 7650 - 30, 1740, 570});
    places.push_back({"CmdChartDR", -1, kPanelLeft, kChartTopWithTools, 1740, 600});
    places.push_back({"CmdImport", -1, kPanelLeft, kToolsTop, 1740, 480});
    places.push_back({"CmdFile", -1, kPanelLeft + 1800, 8850, 1560, 480});
    places.push_back({"CmdEnd", -1, kPanelLeft + 3420, 9600, 1320, 600});

    places.push_back({"CmdDate", -1, 10740, 1080, 1140, 390});
    places.push_back({"CmdPrevStage", -1, 11940, 1080, 600, 390});
    places.push_back({"CmdNextStage", -1, 12600, 1080, 600, 390});
    return places;
}

int AsciiOfKey(const QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return 13;
    if (key == Qt::Key_Backspace) return 8;
    if (key == Qt::Key_Escape) return 27;
    // Tab moves the focus and types nothing.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return 0;
    const QString text = e->text();
    return text.size() == 1 && text.at(0).unicode() < 128 && text.at(0).isPrint() ? text.at(0).unicode() : 0;
}

}  // namespace

PFrmInput::PFrmInput(std::function<void()> endRun, QWidget* parent)
    : QWidget(parent), endRun_(std::move(endRun)), entry_(grid_, *this) {
    setWindowTitle(QStringLiteral("MOX-Chart"));
    setObjectName(QStringLiteral("PFrmInput"));
    setFixedSize(platform::TwipsRect(0, 0, kWindowWidthTwips, kWindowHeightTwips).size());
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    BuildControls();
    QString error;
    if (!grid_.Create(this, &error)) {
        platform::MsgBox(QStringLiteral("歯ボタンを作成できません。") + kCrLf + kCrLf + error, 16,
                         QStringLiteral("エラー"));
    }
    for (int i = 0; i < kGridButtons; ++i) {
        labelIndex_[grid_.LblTh(i)] = i;
        if (!grid_.Th(i).IsCreated()) continue;
        thIndex_[grid_.ThWindow(i)] = i;
        grid_.Th(i).On(molarix::kEventClickData, [this, i](std::vector<com::Variant>& args) {
            const int position = args.empty() ? -1 : args[0].toInt();
            Guarded([&] { Th_ClickData(i, position); });
        });
    }
    BuildColourButtons();
    BuildFileMenu();
    qApp->installEventFilter(this);
}

PFrmInput::~PFrmInput() {
    if (qApp) qApp->removeEventFilter(this);
    // Closing the window on its way out moves the focus, and an edited
    // patient number would be taken as a choice by a half-destroyed window.
    ending_ = true;
    CmbOutNo->disconnect(this);
    CmbOutNo->lineEdit()->disconnect(this);
    CmbEntry->disconnect(this);
    CmbStage->disconnect(this);
    for (QLineEdit* box : {TxtY, TxtM, TxtD}) box->disconnect(this);
}

void PFrmInput::BuildControls() {
    auto label = [this](const QString& name, const QString& text, const QRect& twips) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(platform::TwipsRect(twips));
        return l;
    };
    auto lineEdit = [this](const QString& name, const QRect& twips, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(platform::TwipsRect(twips));
        e->setMaxLength(maxLength);
        return e;
    };
    auto combo = [this](const QString& name, const QRect& twips) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setGeometry(platform::TwipsRect(twips));
        return c;
    };

    LblHead = label(QStringLiteral("LblHead"), QString(), {120, 60, 12000, 300});
    LblHead->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 11, QFont::Bold));
    LblVer = label(QStringLiteral("LblVer"), QStringLiteral("Ver."), {16200, 90, 1400, 255});
    LblVer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LblPath = label(QStringLiteral("LblPath"), QString(), {120, 390, 16000, 285});

    Label1 = label(QStringLiteral("Label1"), QStringLiteral("患者番号"), {120, 750, 900, 270});
    CmbOutNo = combo(QStringLiteral("CmbOutNo"), {1020, 690, 900, 345});
    CmbOutNo->setEditable(true);
    CmbOutNo->setInsertPolicy(QComboBox::NoInsert);
    CmbOutNo->setCompleter(nullptr);
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("医院用患者番号"), {2100, 750, 1440, 270});
    TxtInNo = lineEdit(QStringLiteral("TxtInNo"), {3540, 690, 2100, 345}, 20);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("症例番号"), {5820, 750, 840, 270});
    TxtApplyNo = lineEdit(QStringLiteral("TxtApplyNo"), {6660, 690, 1500, 345}, 50);
    TxtApplyNo->setToolTip(
        QStringLiteral("申請書に印刷する症例番号を指定します。未記入の場合は、患者番号が印刷されます。"));
    Label7 = label(QStringLiteral("Label7"), QStringLiteral("申請者氏名"), {8340, 750, 1080, 270});
    TxtAppName = lineEdit(QStringLiteral("TxtAppName"), {9420, 690, 2460, 345}, 50);

    Label4 = label(QStringLiteral("Label4"), QStringLiteral("検査データ"), {120, 1170, 900, 270});
    CmbEntry = combo(QStringLiteral("CmbEntry"), {1020, 1110, 3000, 345});
    Label6 = label(QStringLiteral("Label6"), QStringLiteral("治療ステージ"), {4140, 1170, 1080, 270});
    CmbStage = combo(QStringLiteral("CmbStage"), {5220, 1110, 2160, 345});

    // Static captions: the date's parts, the rows' items and jaws, the panel.
    const std::pair<QString, QRect> captions[] = {
        {QStringLiteral("検査日"), {7500, 1170, 660, 270}},
        {QStringLiteral("年"), {8940, 1170, 240, 270}},
        {QStringLiteral("月"), {9660, 1170, 240, 270}},
        {QStringLiteral("日"), {10380, 1170, 240, 270}},
        {QStringLiteral("ＰＰＤ（mm）"), {60, kGridTopTwips, 1400, 270}},
        {QStringLiteral("動揺度 ： Miller"), {60, kGridTopTwips + kRowPitchTwips, 1400, 270}},
        {QStringLiteral("根分岐部病変"), {60, kGridTopTwips + 2 * kRowPitchTwips, 1400, 270}},
        {QStringLiteral("ＰＣＲ"), {60, kGridTopTwips + 3 * kRowPitchTwips, 1400, 270}},
    };
    for (const auto& [text, twips] : captions)
        LblNowExam.push_back(label(QStringLiteral("LblNowExam(%1)").arg(LblNowExam.size()), text, twips));
    for (int row = 0; row < kGridRows; ++row) {
        const int top = kGridTopTwips + row * kRowPitchTwips;
        LblNowExam.push_back(label(QStringLiteral("LblNowExam(%1)").arg(LblNowExam.size()), QStringLiteral("上顎"),
                                   {600, top + 330, 800, 270}));
        LblNowExam.push_back(label(QStringLiteral("LblNowExam(%1)").arg(LblNowExam.size()), QStringLiteral("下顎"),
                                   {600, top + kJawPitchTwips + 330, 800, 270}));
    }
    const std::pair<QString, QRect> panel[] = {
        {QStringLiteral("右"), {kGridLeftTwips, kGridTopTwips - 270, 400, 255}},
        {QStringLiteral("左"), {kGridLeftTwips + 15 * kButtonPitchTwips + 300, kGridTopTwips - 270, 400, 255}},
        {QStringLiteral("入力値"), {kPanelLeft, kGridTopTwips - 270, 1200, 255}},
        {QStringLiteral("歯の状態"), {kPanelLeft + 3 * 1200, kGridTopTwips + 5 * 540 + 120 + 1620, 1140, 480}},
    };
    for (const auto& [text, twips] : panel)
        LblNowExam.push_back(label(QStringLiteral("LblNowExam(%1)").arg(LblNowExam.size()), text, twips));
    for (QLabel* l : LblNowExam) l->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, QFont::Bold));
    LblNowExam.back()->setAlignment(Qt::AlignCenter);

    TxtY = lineEdit(QStringLiteral("TxtY"), {8160, 1110, 780, 345}, 4);
    TxtM = lineEdit(QStringLiteral("TxtM"), {9180, 1110, 480, 345}, 2);
    TxtD = lineEdit(QStringLiteral("TxtD"), {9900, 1110, 480, 345}, 2);
    for (QLineEdit* e : {TxtY, TxtM, TxtD}) e->setAlignment(Qt::AlignCenter);

    CmdImage = new QPushButton(QStringLiteral("口腔画像"), this);
    CmdImage->setObjectName(QStringLiteral("CmdImage"));
    CmdImage->setGeometry(platform::TwipsRect(kPanelLeft + 1800, 8220, 1560, 450));
    CmdStyleDRS071 = new QPushButton(QStringLiteral("専門医 様式７－１"), this);
    CmdStyleDRS071->setObjectName(QStringLiteral("CmdStyleDRS071"));
    CmdStyleDRS071->setGeometry(platform::TwipsRect(kPanelLeft + 3420, 8220, 1320, 450));
    // Both buttons are there for the forms' layout; neither acts.
    CmdImage->setFocusPolicy(Qt::NoFocus);
    CmdStyleDRS071->setFocusPolicy(Qt::NoFocus);

    // Decoration: the frame of the patient fields and the lines between rows.
    auto frame = [this](const QString& name, QFrame::Shape shape, const QRect& twips) {
        auto* f = new QFrame(this);
        f->setObjectName(name);
        f->setFrameShape(shape);
        f->setFrameShadow(QFrame::Sunken);
        f->setGeometry(platform::TwipsRect(twips));
        f->lower();
        return f;
    };
    frame(QStringLiteral("Shape1"), QFrame::Box, {60, 660, 13220, 840});
    frame(QStringLiteral("Shape2"), QFrame::Box, {kPanelLeft - 60, kGridTopTwips - 300, 4920, 5100});
    for (int row = 1; row <= 4; ++row)
        frame(QStringLiteral("Line%1").arg(row), QFrame::HLine,
              {60, kGridTopTwips + row * kRowPitchTwips - 280, kGridLeftTwips + 16 * kButtonPitchTwips, 30});

    setTabOrder(CmbOutNo, TxtY);
    setTabOrder(TxtY, TxtM);
    setTabOrder(TxtM, TxtD);
    setTabOrder(TxtD, TxtInNo);
    setTabOrder(TxtInNo, TxtApplyNo);
    setTabOrder(TxtApplyNo, TxtAppName);
    setTabOrder(TxtAppName, CmbEntry);
    setTabOrder(CmbEntry, CmbStage);

    connect(CmbOutNo, &QComboBox::activated, this, [this] { Guarded([this] { CmbOutNo_Click(); }); });
    connect(CmbOutNo->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { Guarded([this] { CmbOutNo_Validate(); }); });
    connect(CmbEntry, &QComboBox::activated, this, [this] { Guarded([this] { CmbEntry_Click(); }); });
    // A stage chosen from code counts as a choice too; the callers that
    // choose one clear DataChanged afterwards themselves.
    connect(CmbStage, &QComboBox::currentIndexChanged, this, [this] { Guarded([this] { CmbStage_Click(); }); });
    for (QLineEdit* box : {TxtY, TxtM, TxtD})
        connect(box, &QLineEdit::textEdited, this, [this, box] { Guarded([this, box] { TxtDate_Change(box); }); });
}

void PFrmInput::BuildColourButtons() {
    for (const ButtonPlace& p : ButtonPlaces())
        buttons_.Add(this, QString::fromLatin1(p.name), p.index, platform::TwipsRect(p.x, p.y, p.w, p.h));
    buttons_.ReportFailure();

    for (int i = 0; i < kValueButtons; ++i)
        buttons_.OnClick(QStringLiteral("CmdVal"), i, [this, i] { Guarded([&] { CmdVal_Click(i); }); });
    for (int i = 0; i < kPlaqueButtons; ++i)
        buttons_.OnClick(QStringLiteral("CmdPL"), i, [this, i] { Guarded([&] { entry_.CmdPL_Click(i); }); });
    const std::pair<const char*, std::function<void()>> handlers[] = {
        {"CmdNot", [this] { CmdNot_Click(); }},
        {"CmdFurcationNone", [this] { CmdFurcationNone_Click(); }},
        {"CmdBlood", [this] { entry_.CmdBlood_Click(); }},
        {"CmdHainou", [this] { entry_.CmdHainou_Click(); }},
        {"CmdBloodMode", [this] { entry_.CmdBloodMode_Click(); }},
        {"CmdHainouMode", [this] { entry_.CmdHainouMode_Click(); }},
        {"CmdMT", [this] { entry_.CmdMT_Click(); }},
        {"CmdImplant", [this] { entry_.CmdImplant_Click(); }},
        {"CmdPontic", [this] { entry_.CmdPontic_Click(); }},
        {"CmdDelExamData", [this] { CmdDelExamData_Click(); }},
        {"CmdDelPatient", [this] { CmdDelPatient_Click(); }},
        {"CmdAdd", [this] { CmdAdd_Click(); }},
        {"CmdDate", [this] { CmdDate_Click(); }},
        {"CmdPrevStage", [this] { CmdPrevStage_Click(); }},
        {"CmdNextStage", [this] { CmdNextStage_Click(); }},
        {"CmdSave", [this] { CmdSave_Click(); }},
        {"CmdChartDR", [this] { CmdChartDR_Click(); }},
        {"CmdImport", [this] { CmdImport_Click(); }},
        {"CmdFile", [this] { CmdFile_Click(); }},
        {"CmdEnd", [this] { CmdEnd_Click(); }},
    };
    for (const auto& [name, handler] : handlers)
        buttons_.OnClick(QString::fromLatin1(name), -1, [this, click = handler] { Guarded(click); });

    const QString allTeeth = QStringLiteral("＜未検査部位のみ＞ または ＜すべての部位＞ を指定して全歯を");
    if (QWidget* w = ButtonWindow(QStringLiteral("CmdPL"), 2))
        w->setToolTip(allTeeth + QStringLiteral("「あり」にします。"));
    if (QWidget* w = ButtonWindow(QStringLiteral("CmdPL"), 3))
        w->setToolTip(allTeeth + QStringLiteral("「なし」にします。"));
}

com::HostedControl* PFrmInput::Button(const QString& name, int index) { return buttons_.Button(name, index); }

QWidget* PFrmInput::ButtonWindow(const QString& name, int index) { return buttons_.Window(name, index); }

int PFrmInput::AskUnsavedQuestion() {
    return platform::MsgBox(QStringLiteral("データが保存されていません。保存しますか？　　"), 4 + 48,
                            QStringLiteral("確認"));
}

PFrmInput::Unsaved PFrmInput::SaveShownWhenAsked(const QString& shownDate) {
    JudgeFocusedEdit();
    if (!entry_.DataChanged || AskUnsavedQuestion() != platform::kYes) return Unsaved::Kept;
    return SaveExamData(shownDate, SelectedStage(), false) ? Unsaved::Saved : Unsaved::SaveFailed;
}

void PFrmInput::Guarded(const std::function<void()>& handler) {
    // After the shared records are released (the run is ending) a late
    // event has nothing to work on.
    if (GlobalObjectsExist()) RunGuarded(handler);
}

// ---- Loading the window ----

void PFrmInput::Form_Load() {
    Guarded([this] {
        const platform::Hourglass hourglass;
        platform::CenterFormTop(this, G().FormBackColor);
        show();
        platform::ProcessEvents();

        LblHead->setText(QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士用") + QStringLiteral(" ") +
                         QStringLiteral("歯周検査ソフト　MOX-Chart　") + GetVersionText());
        ShowDatabasePath();
        if (auto* b = Button(QStringLiteral("CmdMT"))) b->Put(prismet::kDispBackColor, kMissingColour);
        if (auto* b = Button(QStringLiteral("CmdImplant"))) b->Put(prismet::kDispBackColor, kImplantColour);
        if (auto* b = Button(QStringLiteral("CmdPontic"))) b->Put(prismet::kDispBackColor, kPonticColour);
        G().CurChargeId = 1;
        entry_.DataChanged = false;
        entry_.AdvancePending = false;
        entry_.BleedingBatchMode = 0;
        entry_.SuppurationBatchMode = 0;
        ShowBatchModes(0, 0);

        for (QLineEdit* e : {TxtInNo, TxtY, TxtM, TxtD, TxtAppName, TxtApplyNo}) e->clear();
        {
            const QSignalBlocker b1(CmbEntry), b2(CmbStage), b3(CmbOutNo);
            CmbEntry->clear();
            CmbStage->clear();
            CmbOutNo->clear();
            for (int n : PatientNumbers()) CmbOutNo->addItem(QString::number(n), n);
            CmbOutNo->setCurrentIndex(-1);
        }
        {
            MainDbHold hold;
            if (hold) {
                LoadStageList();
                LoadStaffRecord();
                LoadExamItems();
            }
        }
        entry_.SetupGrid();
        entry_.ToothStatus.fill(0);
        entry_.PaintToothGrid();

        if (G().CurPatientId != -1) {
            for (int i = 0; i < CmbOutNo->count(); ++i) {
                if (CmbOutNo->itemData(i).toInt() != G().CurPatientId) continue;
                {
                    const QSignalBlocker blocker(CmbOutNo);
                    CmbOutNo->setCurrentIndex(i);
                }
                CmbOutNo_Click();
                break;
            }
        }
        FitPatientDropDown();
    });

    if (G().ShowPathInfo == 1) {
        const int answer =
            platform::MsgBox(QStringLiteral("使用ファイルは、以下の内容でよろしいでしょうか？") + kCrLf +
                                 QStringLiteral("変更する場合は「いいえ」をクリックしてください。") + kCrLf + kCrLf +
                                 QStringLiteral("基準フォルダ： ") + G().AppPath() + kCrLf + kCrLf +
                                 QStringLiteral("使用ファイル： ") + G().MainDbFile().mid(1),
                             4 + 64, QStringLiteral("使用ファイル確認"));
        G().ShowPathInfo = 0;
        if (answer == platform::kNo) Guarded([this] { mnuOpen_Click(); });
    }
}

void PFrmInput::ShowDatabasePath() {
    const QString& path = G().MainDb().Path();
    LblPath->setText(QStringLiteral("使用中ファイル ： ") + path);
    const bool other = path != ProgramMainDbPath();
    platform::SetForeColor(LblPath, other ? kRed : kBlack);
    QFont font = LblPath->font();
    font.setPointSize(other ? 11 : 9);
    LblPath->setFont(font);
}

void PFrmInput::LoadStageList() {
    entry_.StageNames.fill(QString());
    const QSignalBlocker blocker(CmbStage);
    CmbStage->clear();
    for (const StageRow& stage : ReadStages()) {
        entry_.StageNames[stage.id] = stage.name;
        CmbStage->addItem(stage.name, stage.id);
    }
}

void PFrmInput::LoadStaffRecord() {
    CCharge& staff = *Globals().CurCharge;
    try {
        ReadStaffRecord(staff, G().CurChargeId);
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        staff.ClearBuffer();
        platform::MsgBox(QStringLiteral("入力順の設定を読み込めませんでした。") + kCrLf + kCrLf + e.Description(), 16,
                         QStringLiteral("読込エラー"));
    }
}

void PFrmInput::LoadExamItems() { ReadExamItems(Globals().SubExamRows); }

void PFrmInput::FitPatientDropDown() { CmbOutNo->setMaxVisibleItems(CmbOutNo->count()); }

// ---- Choosing a patient and an examination ----

void PFrmInput::CmbOutNo_GotFocus() { TextAtFocus = CmbOutNo->currentText(); }

void PFrmInput::CmbOutNo_Validate() {
    if (choosingPatient_) return;
    const QString text = CmbOutNo->currentText();
    if (text.trimmed().isEmpty()) return;
    const int current = CmbOutNo->currentIndex();
    if (current >= 0 && CmbOutNo->itemText(current) == text.trimmed() &&
        CmbOutNo->itemData(current).toInt() == shownPatientId_)
        return;
    TakeTypedPatientNumber(
        *CmbOutNo, text, [this] { CmbOutNo_Click(); }, [this] { RestorePatientSelection(); });
}

void PFrmInput::RestorePatientSelection() {
    const QSignalBlocker blocker(CmbOutNo);
    int index = -1;
    for (int i = 0; i < CmbOutNo->count(); ++i)
        if (CmbOutNo->itemData(i).toInt() == shownPatientId_) index = i;
    CmbOutNo->setCurrentIndex(index);
    if (index < 0) CmbOutNo->setEditText(QString());
}

void PFrmInput::RestoreEntrySelection() {
    const QSignalBlocker blocker(CmbEntry);
    CmbEntry->setCurrentIndex(EntryAtFocus < CmbEntry->count() ? EntryAtFocus : -1);
}

void PFrmInput::CmbOutNo_Click() {
    // The question box takes the focus from the list, which ends its
    // editing: that is no second choice while the first is asked about.
    if (choosingPatient_) return;
    const int index = CmbOutNo->currentIndex();
    if (index < 0) return;
    const int32_t chosen = CmbOutNo->itemData(index).toInt();
    if (chosen != shownPatientId_) {
        const QScopedValueRollback<bool> choosing(choosingPatient_, true);
        MainDbHold hold;
        if (!hold) {
            RestorePatientSelection();
            return;
        }
        // The save is of the examination shown, whatever number the box
        // shows now; when it fails the box goes back to that patient, so
        // that nothing is lost or saved under the new number.
        if (SaveShownWhenAsked(EntryDateOf(CmbEntry->currentIndex())) == Unsaved::SaveFailed) {
            RestorePatientSelection();
            return;
        }
        entry_.DataChanged = false;
        StageAtFocus = -1;
        {
            const QSignalBlocker blocker(CmbOutNo);
            CmbOutNo->setCurrentIndex(index);
        }
        LoadPatientRecord();
        ListExaminations();
    }
    TxtY->setFocus();
}

void PFrmInput::LoadPatientRecord() {
    const int32_t id = CmbOutNo->currentIndex() >= 0 ? CmbOutNo->currentData().toInt() : -1;
    try {
        if (ReadPatientRecord(*Globals().CurPatient, id)) {
            SetBoxText(TxtInNo, Globals().CurPatient->KalteNumber);
            SetBoxText(TxtApplyNo, Globals().CurPatient->AppName);
        }
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        Globals().CurPatient->ClearBuffer();
        SetBoxText(TxtInNo, QString());
        SetBoxText(TxtApplyNo, QString());
        platform::MsgBox(QStringLiteral("患者データを読み込めませんでした。") + kCrLf + kCrLf + e.Description(), 16,
                         QStringLiteral("読込エラー"));
    }
    G().CurPatientId = id;
    shownPatientId_ = id;
}

void PFrmInput::FillEntryList() {
    const QSignalBlocker blocker(CmbEntry);
    CmbEntry->clear();
    EntryAtFocus = -1;
    try {
        for (const StoredExam& exam : ListStoredExams(shownPatientId_))
            CmbEntry->addItem(ExamDateText(exam.date) + QStringLiteral("  ") + entry_.StageName(exam.stageId),
                              exam.stageId);
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        CmbEntry->clear();
        platform::MsgBox(QStringLiteral("検査データの一覧を読み込めませんでした。") + kCrLf + kCrLf + e.Description(),
                         16, QStringLiteral("読込エラー"));
    }
}

void PFrmInput::ListExaminations(const QString& shownDate) {
    // Held, not counted: the examination chosen below loads under a hold,
    // which would close a counted use under it and leave its release with
    // nothing to release.
    MainDbHold hold;
    FillEntryList();
    SetDateBoxesBack(kWhite);
    if (CmbEntry->count() > 0) {
        // The entry is found before anything is loaded: loading the first
        // one on the way would read a whole examination and paint the grid
        // for nothing.
        int index = 0;
        for (int i = 0; i < CmbEntry->count() && !shownDate.isEmpty(); ++i) {
            if (EntryDateOf(i) != shownDate) continue;
            index = i;
            break;
        }
        ChooseEntry(index);
    } else {
        ShowNewExamination();
    }
}

void PFrmInput::ShowNewExamination() {
    SetDateBoxes(QString());
    if (CmbStage->count() > 0) CmbStage->setCurrentIndex(0);
    G().CurExamDate = NoExamDate();
    LoadExamRecords();
    entry_.PaintToothGrid();
    entry_.SetInputMode(kPocketDepthItem, true);
    entry_.IsNewEntry = true;
    entry_.DataChanged = false;
    entry_.AdvancePending = false;
    TxtY->setFocus();
}

bool PFrmInput::LoadExamRecords() {
    if (CmbOutNo->currentIndex() < 0) {
        for (auto& r : Globals().ExamDataRows) r->ClearBuffer();
        return true;
    }
    return entry_.LoadExamRecords(shownPatientId_, ExamDateOf(TxtY->text(), TxtM->text(), TxtD->text()));
}

void PFrmInput::CmbEntry_GotFocus() { EntryAtFocus = CmbEntry->currentIndex(); }

QString PFrmInput::EntryDateOf(int index) const {
    return index >= 0 && index < CmbEntry->count() ? CmbEntry->itemText(index).left(10) : QString();
}

int32_t PFrmInput::SelectedStage() const {
    return CmbStage->currentIndex() >= 0 ? CmbStage->currentData().toInt() : -1;
}

void PFrmInput::ChooseEntry(int index) {
    {
        const QSignalBlocker blocker(CmbEntry);
        CmbEntry->setCurrentIndex(index);
    }
    CmbEntry_Click();
}

void PFrmInput::CmbEntry_Click() {
    int index = CmbEntry->currentIndex();
    if (index < 0 || index == EntryAtFocus) return;
    MainDbHold hold;
    if (!hold) {
        RestoreEntrySelection();
        return;
    }
    const QString chosenDate = EntryDateOf(index);
    const int32_t chosenStage = CmbEntry->itemData(index).toInt();
    const Unsaved unsaved = SaveShownWhenAsked(entry_.IsNewEntry ? QString() : EntryDateOf(EntryAtFocus));
    if (unsaved == Unsaved::SaveFailed) {
        RestoreEntrySelection();
        return;
    }
    if (unsaved == Unsaved::Saved) {
        // The save may have added, moved or renamed entries: the
        // examination the user chose is found again in the new list.
        FillEntryList();
        index = -1;
        for (int i = 0; i < CmbEntry->count() && index < 0; ++i)
            if (EntryDateOf(i) == chosenDate && CmbEntry->itemData(i).toInt() == chosenStage) index = i;
        for (int i = 0; i < CmbEntry->count() && index < 0; ++i)
            if (EntryDateOf(i) == chosenDate) index = i;
        if (index < 0) index = CmbEntry->count() > 0 ? 0 : -1;
        const QSignalBlocker blocker(CmbEntry);
        CmbEntry->setCurrentIndex(index);
    }
    if (index < 0) {
        ShowNewExamination();
        return;
    }
    ShowEntry(index);
}

void PFrmInput::ShowEntry(int index) {
    entry_.DataChanged = false;
    SetDateBoxesBack(kWhite);
    const std::optional<QDate> date = ExamDateOfText(EntryDateOf(index));
    if (date) {
        SetDateBoxes(ExamDateText(*date));
        G().CurExamDate = *date;
        entry_.IsNewEntry = false;
    } else {
        SetDateBoxes(QString());
        G().CurExamDate = NoExamDate();
        entry_.IsNewEntry = true;
    }
    const bool loaded = entry_.LoadExamRecords(shownPatientId_, date);
    if (!loaded) {
        // Nothing half-loaded stays on the screen: the failed choice shows
        // as an empty new examination, so no later save replaces the
        // stored one it could not read.
        const QSignalBlocker blocker(CmbEntry);
        CmbEntry->setCurrentIndex(-1);
        SetDateBoxes(QString());
        G().CurExamDate = NoExamDate();
        entry_.IsNewEntry = true;
    }
    entry_.PaintToothGrid();
    entry_.SetInputMode(kPocketDepthItem, true);
    if (loaded)
        platform::SetListIndexByItemData(CmbStage, CmbEntry->itemData(index).toInt(), true);
    else if (CmbStage->count() > 0)
        CmbStage->setCurrentIndex(0);
    entry_.DataChanged = false;
    // The cursor stands on the route's first site: the first value goes there.
    entry_.AdvancePending = false;
    EntryAtFocus = loaded ? index : -1;
    if (TxtY->text().isEmpty())
        TxtY->setFocus();
    else
        FocusLastEnabledButtonOfRow0();
}

void PFrmInput::FocusLastEnabledButtonOfRow0() {
    for (int t = kToothCount - 1; t >= 0; --t) {
        if (!grid_.Enabled(t)) continue;
        if (QWidget* w = grid_.ThWindow(t)) w->setFocus();
        return;
    }
}

void PFrmInput::SetBoxText(QLineEdit* box, const QString& text) {
    box->setText(text);
    if (focusControl_ == box) TextAtFocus = text;
}

void PFrmInput::SetDateBoxes(const QString& dateText) {
    SetBoxText(TxtY, dateText.mid(0, 4));
    SetBoxText(TxtM, dateText.mid(5, 2));
    SetBoxText(TxtD, dateText.mid(8, 2));
}

void PFrmInput::SetDateBoxesBack(uint32_t colour) {
    for (QLineEdit* e : {TxtY, TxtM, TxtD}) {
        QPalette palette = e->palette();
        palette.setColor(QPalette::Base, platform::FromVbColor(colour));
        e->setPalette(palette);
    }
}

// ---- Value entry and saving ----

void PFrmInput::Th_ClickData(int index, int position) { entry_.Th_ClickData(index, position); }

void PFrmInput::LblTh_Click(int index) { entry_.LblTh_Click(index); }

void PFrmInput::CmdVal_Click(int index) { entry_.CmdVal_Click(index); }

void PFrmInput::CmdNot_Click() { entry_.CmdNot_Click(); }

void PFrmInput::CmdFurcationNone_Click() { entry_.CmdFurcationNone_Click(); }

void PFrmInput::CmdSave_Click() {
    if (CmbOutNo->currentIndex() < 0) {
        platform::MsgBox(QStringLiteral("患者番号が選択されていません。"), 48, QStringLiteral("患者番号選択"));
        return;
    }
    SaveExamination();
}

bool PFrmInput::SaveExamination() {
    MainDbHold hold;
    if (!hold) return false;
    return SaveExamData(EntryDateOf(CmbEntry->currentIndex()), SelectedStage(), true);
}

bool PFrmInput::SaveExamData(const QString& entryDate, int32_t stageId, bool refill) {
    if (!entry_.SaveExamData(shownPatientId_, entryDate, stageId)) return false;
    if (refill) {
        const std::optional<QDate> saved = ExamDateOf(TxtY->text(), TxtM->text(), TxtD->text());
        ListExaminations(saved ? ExamDateText(*saved) : QString());
    }
    CmbOutNo->setFocus();
    entry_.AdvancePending = false;
    return true;
}

// ---- EntryForm ----

EntryFields PFrmInput::Fields() const {
    EntryFields f;
    if (CmbOutNo->currentIndex() >= 0) f.patientId = CmbOutNo->currentData().toInt();
    f.year = TxtY->text();
    f.month = TxtM->text();
    f.day = TxtD->text();
    if (CmbStage->currentIndex() >= 0) f.stageId = CmbStage->currentData().toInt();
    f.kalteNumber = TxtInNo->text();
    f.appName = TxtApplyNo->text();
    return f;
}

void PFrmInput::FocusField(EntryField field) {
    switch (field) {
        case EntryField::PatientNo:
            CmbOutNo->setFocus();
            break;
        case EntryField::Year:
            TxtY->setFocus();
            break;
        case EntryField::Stage:
            CmbStage->setFocus();
            break;
    }
}

void PFrmInput::ShowInputButtons(const InputButtons& buttons) {
    for (int i = 0; i < kValueButtons; ++i) buttons_.SetEnabled(QStringLiteral("CmdVal"), i, buttons.value[i]);
    for (int i = 0; i < kPlaqueButtons; ++i) buttons_.SetEnabled(QStringLiteral("CmdPL"), i, buttons.plaque[i]);
    for (const char* name : {"CmdBlood", "CmdBloodMode", "CmdHainou", "CmdHainouMode"})
        buttons_.SetEnabled(QString::fromLatin1(name), -1, buttons.marks);
    buttons_.SetEnabled(QStringLiteral("CmdFurcationNone"), -1, buttons.furcationNone);
}

void PFrmInput::ShowBatchModes(int16_t bleeding, int16_t suppuration) {
    if (auto* b = Button(QStringLiteral("CmdBloodMode"))) {
        b->Put(prismet::kDispCaption, bleeding == 1 ? QStringLiteral(" 一括 選択中") : QStringLiteral(" 出血　一括"));
        b->Put(prismet::kDispBackColor, bleeding == 1 ? kBleedingModeOn : kBleedingModeOff);
    }
    if (auto* b = Button(QStringLiteral("CmdHainouMode"))) {
        b->Put(prismet::kDispCaption,
               suppuration == 1 ? QStringLiteral(" 一括 選択中") : QStringLiteral(" 排膿　一括"));
        b->Put(prismet::kDispBackColor, suppuration == 1 ? kSuppurationModeOn : kSuppurationModeOff);
    }
}

int PFrmInput::AskSitesToFill() { return PFrmMsgBoxBui::Ask(this); }

void PFrmInput::FocusToothButton(int i) {
    if (QWidget* w = grid_.ThWindow(i)) w->setFocus();
}

// ---- Keyboard ----

bool PFrmInput::IsTextField(QWidget* widget) const {
    for (QWidget* w = widget; w && w != this; w = w->parentWidget())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) return true;
    return false;
}

bool PFrmInput::Form_KeyDown(int keyCode) {
    if (keyCode == 27) {
        // The tools button is hidden or shown again only where the sibling
        // product's database was found.
        if (G().SharedDbKind > 0) {
            QWidget* tools = ButtonWindow(QStringLiteral("CmdImport"));
            QWidget* chart = ButtonWindow(QStringLiteral("CmdChartDR"));
            if (tools && chart) {
                if (tools->isVisible()) {
                    tools->hide();
                    chart->move(chart->x(), platform::TwipsToPixelsY(kChartTopWithoutTools));
                } else {
                    tools->show();
                    tools->move(tools->x(), platform::TwipsToPixelsY(kToolsTop));
                    chart->move(chart->x(), platform::TwipsToPixelsY(kChartTopWithTools));
                }
            }
        }
        return true;
    }
    if (IsTextField(focusWidget())) {
        if (keyCode != 13) return false;
        focusNextChild();
        return true;
    }
    if (keyCode == 37 || keyCode == 39) {
        entry_.MoveCursorStep(keyCode == 39 ? 1 : 0);
        entry_.AdvancePending = false;
        return true;
    }
    return false;
}

bool PFrmInput::Form_KeyPress(int keyAscii) {
    if (keyAscii == 0 || IsTextField(focusWidget())) return false;
    return entry_.KeyPress(keyAscii);
}

bool PFrmInput::eventFilter(QObject* watched, QEvent* event) {
    if (ending_) return false;
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) return FocusEvent(watched, event);
    if (event->type() == QEvent::MouseButtonRelease) return ClickEvent(watched, event);
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    // The key reaches the window once, through the control that has the
    // focus (or the window itself when no control has it); the same event
    // passed on to the parents is not seen again.
    QWidget* focus = focusWidget();
    if (focus ? widget != focus : widget != this) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    bool swallowed = false;
    Guarded([&] {
        swallowed = Form_KeyDown(platform::VirtualKeyCode(key->key()));
        if (key->key() == Qt::Key_Escape || !swallowed) swallowed = Form_KeyPress(AsciiOfKey(key)) || swallowed;
    });
    return swallowed;
}

bool PFrmInput::FocusEvent(QObject* watched, QEvent* event) {
    if (!IsFocusControl(watched)) return false;
    // A control is entered and left as the window sees it: the focus going
    // away with the window (a message box, another window, a drop-down) and
    // coming back to the same control is neither. Focus the program gave
    // another control while the window was inactive enters that control
    // when the window comes back, and the control it left is left then.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const bool withWindow = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    if (event->type() == QEvent::FocusOut) {
        if (withWindow || focusControl_ != watched) return false;
        focusControl_ = nullptr;
        Guarded([&] { ControlLostFocus(watched); });
        return false;
    }
    if (focusControl_ == watched) return false;
    const QObject* left = focusControl_;
    focusControl_ = watched;
    Guarded([&] {
        if (left) ControlLostFocus(left);
        ControlGotFocus(watched);
    });
    return false;
}

bool PFrmInput::IsFocusControl(const QObject* control) const {
    const std::array<const QObject*, 8> boxes{CmbOutNo, CmbEntry, CmbStage, TxtY, TxtM, TxtD, TxtInNo, TxtApplyNo};
    return std::find(boxes.begin(), boxes.end(), control) != boxes.end() || thIndex_.count(control) > 0;
}

void PFrmInput::ControlGotFocus(const QObject* control) {
    if (control == CmbOutNo) CmbOutNo_GotFocus();
    if (control == CmbEntry) CmbEntry_GotFocus();
    if (control == CmbStage) CmbStage_GotFocus();
    for (QLineEdit* box : {TxtY, TxtM, TxtD})
        if (control == box) TxtDate_GotFocus(box);
    for (QLineEdit* box : {TxtInNo, TxtApplyNo})
        if (control == box) TxtNumber_GotFocus(box);
    if (thIndex_.count(control)) Th_GotFocus();
}

void PFrmInput::ControlLostFocus(const QObject* control) {
    for (QLineEdit* box : {TxtY, TxtM, TxtD})
        if (control == box) TxtDate_LostFocus(box);
    for (QLineEdit* box : {TxtInNo, TxtApplyNo})
        if (control == box) TxtNumber_LostFocus(box);
}

bool PFrmInput::ClickEvent(QObject* watched, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->position().toPoint()))
        return false;
    if (watched == LblHead) {
        Guarded([this] { LblHead_Click(); });
        return false;
    }
    const auto label = labelIndex_.find(watched);
    if (label != labelIndex_.end()) Guarded([&] { LblTh_Click(label->second); });
    return false;
}

PFrmInput* ShowInputScreen(std::function<void()> endRun) {
    auto* window = new PFrmInput(std::move(endRun));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    return window;
}

}  // namespace mox
