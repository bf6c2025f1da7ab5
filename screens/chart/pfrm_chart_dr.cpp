#include "screens/chart/pfrm_chart_dr.h"

#include "controls/tooth_button/tooth_button_ids.h"
#include "core/connections.h"
#include "core/messages.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "core/tooth_tables.h"
#include "platform/clock.h"
#include "platform/gui/colour.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"
#include "printing/chart_figures.h"
#include "printing/exam_data_block.h"
#include "records/exam_checks.h"
#include "records/exam_item.h"
#include "records/exam_store.h"
#include "records/exam_vocabulary.h"
#include "records/patient_record.h"
#include "records/shared_records.h"
#include "screens/patient_number_box.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <cmath>

namespace mox {

using platform::TwipsRect;
using platform::VbRgb;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kGothicP = QStringLiteral("ＭＳ Ｐゴシック");

constexpr int kWindowWidthTwips = 14520;
constexpr int kWindowHeightTwips = 9960;
constexpr int kPanelLeft = 10260;
constexpr int kPanelWidth = 4080;

constexpr int kBoxLeftTwips = 1575;
constexpr int kBoxWidthTwips = 8175;
constexpr int kBoxHeightTwips = 1425;
constexpr int kBoxTopTwips[4] = {1425, 3315, 4980, 6870};
constexpr int kToothPitchTwips = 510;

constexpr uint32_t kLegendBack = VbRgb(255, 255, 192);
constexpr uint32_t kLegendText = VbRgb(0, 0, 128);
constexpr uint32_t kWhite = VbRgb(255, 255, 255);

// The figure columns of a chart page: left edge and width in twips.
struct FigureColumn {
    int left;
    int width;
};
constexpr FigureColumn kFigureColumns[5] = {{1575, 1155}, {2730, 750}, {3480, 750}, {4230, 1200}, {5430, 1200}};
constexpr int kBandLeftTwips[3] = {6630, 7665, 8700};
constexpr int kBandWidthTwips = 1050;
constexpr int kFigureRowTwips[2] = {750, 945};
constexpr int kFigureRowHeightTwips = 195;

void SetLabelColours(QLabel* label, uint32_t back, uint32_t text) {
    platform::SetBackColor(label, back);
    platform::SetForeColor(label, text);
}

// The band thresholds of the pocket-depth item shown in display row 0.
// The data sheet's settings from the input screen's pocket-depth item.
std::optional<DataSheetItem> PocketDepthItem() {
    return GlobalObjectsExist() ? DataSheetItemOf(Globals().SubExamRows[0].get()) : std::nullopt;
}

std::pair<int16_t, int16_t> BandThresholds() {
    if (!GlobalObjectsExist() || !Globals().SubExamRows[0]) return {0, 0};
    const CSubExam& item = *Globals().SubExamRows[0];
    return {static_cast<int16_t>(item.GradationPart(1)), static_cast<int16_t>(item.GradationPart(2))};
}

}  // namespace

LegendLine::LegendLine(uint32_t borderColor, QWidget* parent) : QWidget(parent), borderColor_(borderColor) {}

void LegendLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(platform::FromVbColor(borderColor_), 3));
    painter.drawLine(0, height() / 2, width(), height() / 2);
}

PFrmChartDR::PFrmChartDR(QWidget* parent)
    : QWidget(parent),
      slots_(EmptyExamSlots()),
      pictures_(ToothPictureFiles::Of(G().ProgramDir + QStringLiteral("/BMP"))) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("MOX-Chart"));
    setObjectName(QStringLiteral("PFrmChartDR"));
    setFixedSize(TwipsRect(0, 0, kWindowWidthTwips, kWindowHeightTwips).size());
    setFont(QFont(kGothicP, 9));
    patient_.ClearBuffer();
    BuildControls();
    BuildColourButtons();
}

PFrmChartDR::~PFrmChartDR() {
    CmbOutNo->disconnect(this);
    CmbOutNo->lineEdit()->disconnect(this);
}

// ---- Controls ----

void PFrmChartDR::BuildControls() {
    auto label = [](QWidget* parent, const QString& name, const QString& text, const QRect& twips) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setGeometry(TwipsRect(twips));
        return l;
    };
    auto field = [&](const QString& name, const QRect& twips) {
        QLabel* l = label(this, name, QString(), twips);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        SetLabelColours(l, kWhite, 0);
        return l;
    };

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(TwipsRect(60, 60, 10080, 9840));
    const QString captions[3] = {QStringLiteral("   初診時・基本治療終了時   "),
                                 QStringLiteral("   ＳＰＴ移行時・最新ＳＰＴ時   "), QStringLiteral("   検査データ  ")};
    for (int p = 0; p < 3; ++p) {
        TabPage[p] = new QWidget;
        TabPage[p]->setObjectName(QStringLiteral("TabPage(%1)").arg(p));
        SSTab1->addTab(TabPage[p], captions[p]);
    }
    BuildChartPage(0);
    BuildChartPage(1);

    PicFrame = new QWidget(TabPage[2]);
    PicFrame->setObjectName(QStringLiteral("PicFrame"));
    PicFrame->setGeometry(TwipsRect(120, 120, 9360, 8820));
    platform::SetBackColor(PicFrame, kWhite);
    PicDraw = new PictureBox(PicFrame->size(), false, PicFrame);
    PicDraw->setObjectName(QStringLiteral("PicDraw"));
    VScrPic = new QScrollBar(Qt::Vertical, TabPage[2]);
    VScrPic->setObjectName(QStringLiteral("VScrPic"));
    VScrPic->setGeometry(TwipsRect(9480, 120, 255, 8820));
    VScrPic->setRange(0, 0);
    connect(VScrPic, &QScrollBar::valueChanged, this, [this](int value) { VScrPic_Change(value); });

    label(this, QStringLiteral("Label1"), QStringLiteral("患者番号"), {kPanelLeft, 540, 1020, 270});
    CmbOutNo = new QComboBox(this);
    CmbOutNo->setObjectName(QStringLiteral("CmbOutNo"));
    CmbOutNo->setGeometry(TwipsRect(kPanelLeft + 1080, 480, 1020, 345));
    CmbOutNo->setEditable(true);
    CmbOutNo->setInsertPolicy(QComboBox::NoInsert);
    CmbOutNo->setCompleter(nullptr);
    LblOutNo = label(this, QStringLiteral("LblOutNo"), QString(), {kPanelLeft + 2220, 480, 1860, 345});
    LblOutNo->setFont(QFont(kGothicP, 14, QFont::Bold));
    LblOutNo->setAlignment(Qt::AlignCenter);
    label(this, QStringLiteral("Label2"), QStringLiteral("症例番号"), {kPanelLeft, 960, 1020, 270});
    LblApplyNo = field(QStringLiteral("LblApplyNo"), {kPanelLeft + 1080, 930, 3000, 330});
    label(this, QStringLiteral("Label3"), QStringLiteral("申請者氏名"), {kPanelLeft, 1380, 1020, 270});
    TxtAppName = field(QStringLiteral("TxtAppName"), {kPanelLeft + 1080, 1350, 3000, 330});
    label(this, QStringLiteral("Label4"), QStringLiteral("登録済一覧"), {kPanelLeft, 1800, 1500, 270});
    LstEntry = new QListWidget(this);
    LstEntry->setObjectName(QStringLiteral("LstEntry"));
    LstEntry->setGeometry(TwipsRect(kPanelLeft, 2070, kPanelWidth, 1320));
    LstEntry->setSelectionMode(QAbstractItemView::NoSelection);
    LstEntry->setFocusPolicy(Qt::NoFocus);

    BtnBlankPrint = new QPushButton(QStringLiteral("ブランク印刷"), this);
    BtnBlankPrint->setObjectName(QStringLiteral("BtnBlankPrint"));
    BtnBlankPrint->setGeometry(TwipsRect(kPanelLeft, 7980, kPanelWidth, 480));
    connect(BtnBlankPrint, &QPushButton::clicked, this, [this] { RunGuarded([this] { BtnBlankPrint_Click(); }); });

    connect(CmbOutNo, &QComboBox::activated, this, [this] {
        // A typed number is taken when the box is left (CmbOutNo_Validate),
        // even when Qt matched it to an entry first.
        if (typed_) return;
        RunGuarded([this] { CmbOutNo_Click(); });
    });
    connect(CmbOutNo->lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(CmbOutNo->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { RunGuarded([this] { CmbOutNo_Validate(); }); });
}

void PFrmChartDR::BuildChartPage(int page) {
    QWidget* tab = TabPage[page];
    auto label = [tab](const QString& name, const QString& text, const QRect& twips) {
        auto* l = new QLabel(text, tab);
        l->setObjectName(name);
        l->setGeometry(TwipsRect(twips));
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    auto legendStyle = [](QLabel* l) {
        SetLabelColours(l, kLegendBack, kLegendText);
        l->setFont(QFont(kGothicP, 9));
    };
    const QString headings[5] = {QStringLiteral("検査日"), QStringLiteral("現在歯数"), QStringLiteral("PPD総数"),
                                 QStringLiteral("BOP(+)率"), QStringLiteral("PPD平均")};
    for (int i = 0; i < 5; ++i)
        legendStyle(label(QStringLiteral("LblHead(%1)").arg(page * 5 + i), headings[i],
                          {kFigureColumns[i].left, 510, kFigureColumns[i].width, 225}));
    std::array<QLabel*, 2>* bandHeads[3] = {&LblGPH0, &LblGPH1, &LblGPH2};
    for (int b = 0; b < 3; ++b) {
        QLabel* l = label(QStringLiteral("LblGPH%1(%2)").arg(b).arg(page), QString(),
                          {kBandLeftTwips[b], 510, kBandWidthTwips, 225});
        legendStyle(l);
        (*bandHeads[b])[page] = l;
    }

    std::array<QLabel*, kSlotCount>* figures[8] = {&LblDate, &LblAll, &LblPD,  &LblBlood,
                                                   &LblAve,  &LblGP0, &LblGP1, &LblGP2};
    const QString figureNames[8] = {QStringLiteral("LblDate"),  QStringLiteral("LblAll"), QStringLiteral("LblPD"),
                                    QStringLiteral("LblBlood"), QStringLiteral("LblAve"), QStringLiteral("LblGP0"),
                                    QStringLiteral("LblGP1"),   QStringLiteral("LblGP2")};
    for (int j = 0; j < 2; ++j) {
        const int k = 2 * page + j;
        const int top = kFigureRowTwips[j];
        LineChart[k] = new LegendLine(SlotColour(k), tab);
        LineChart[k]->setObjectName(QStringLiteral("LineChart(%1)").arg(k));
        LineChart[k]->setGeometry(TwipsRect(60, top, 330, kFigureRowHeightTwips));
        LblStage[k] = label(QStringLiteral("LblStage(%1)").arg(k), StandardStageName(kFirstVisitStage + k),
                            {420, top, 1140, kFigureRowHeightTwips});
        LblStage[k]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        LblStage[k]->setFont(QFont(kGothicP, 8));
        for (int f = 0; f < 8; ++f) {
            const QRect place = f < 5
                                    ? QRect(kFigureColumns[f].left, top, kFigureColumns[f].width, kFigureRowHeightTwips)
                                    : QRect(kBandLeftTwips[f - 5], top, kBandWidthTwips, kFigureRowHeightTwips);
            QLabel* l = label(QStringLiteral("%1(%2)").arg(figureNames[f]).arg(k), QString(), place);
            SetLabelColours(l, kWhite, 0);
            (*figures[f])[k] = l;
        }
    }

    LblMOBH[page] = label(QStringLiteral("LblMOBH(%1)").arg(page),
                          page == 0 ? QStringLiteral("初→基") : QStringLiteral("S→最"), {630, 1170, 960, 225});
    const QString jaws[4] = {QStringLiteral("上顎\n頬側"), QStringLiteral("上顎\n口蓋側"), QStringLiteral("下顎\n舌側"),
                             QStringLiteral("下顎\n頬側")};
    for (int k = 0; k < 4; ++k) {
        label(QStringLiteral("LblJaw(%1)").arg(page * 4 + k), jaws[k], {60, kBoxTopTwips[k] + 360, 1440, 700});
        auto* box = new PictureBox(TwipsRect(0, 0, kBoxWidthTwips, kBoxHeightTwips).size(), true, tab);
        box->setObjectName(QStringLiteral("PicPocket(%1)").arg(page * 4 + k));
        box->move(TwipsRect(kBoxLeftTwips, kBoxTopTwips[k], 0, 0).topLeft());
        SetBoxScale(box->Target(), k);
        PicPocket[page * 4 + k] = box;
    }
    for (int t = 0; t < 32; ++t) {
        const int left = kBoxLeftTwips + kToothPitchTwips * (t % 16);
        QLabel* l =
            label(QStringLiteral("LblMOB(%1)").arg(page * 32 + t), QString(), {left, t < 16 ? 1140 : 8280, 525, 300});
        QFont font(kGothicP);
        font.setPointSizeF(11.25);
        l->setFont(font);
        l->setFrameShape(QFrame::Box);
        SetLabelColours(l, kWhite, 0);
        LblMOB[page * 32 + t] = l;
    }

    const QString clsid = QString::fromLatin1(molarix::kToothButtonClsid);
    for (int t = 0; t < 32; ++t) {
        auto control = std::make_unique<com::HostedControl>();
        if (com::Succeeded(control->Create(clsid, tab))) {
            control->Window()->setObjectName(QStringLiteral("Th(%1)").arg(page * 32 + t));
            control->Window()->setGeometry(
                TwipsRect(kBoxLeftTwips + kToothPitchTwips * (t % 16), t < 16 ? 2820 : 6375, 525, 510));
        } else if (!toothButtonsReported_) {
            // Reported once: every button comes from the same module.
            toothButtonsReported_ = true;
            platform::MsgBox(QStringLiteral("歯ボタンを作成できません。") + kCrLf + kCrLf + control->LastError(), 16,
                             QStringLiteral("エラー"));
        }
        Th[page * 32 + t] = std::move(control);
    }
    // The boxes lie under the buttons where they meet.
    for (int k = 0; k < 4; ++k) PicPocket[page * 4 + k]->lower();
}

void PFrmChartDR::BuildColourButtons() {
    for (int i = 0; i < 3; ++i)
        buttons_.Add(this, QStringLiteral("BtnPrintChart"), i, TwipsRect(kPanelLeft, 3540 + 720 * i, kPanelWidth, 660),
                     [this, i] { RunGuarded([&] { BtnPrintChart_Click(i); }); });
    for (int i = 0; i < 3; ++i)
        buttons_.Add(this, QStringLiteral("BtnPrintData"), i, TwipsRect(kPanelLeft, 5760 + 720 * i, kPanelWidth, 660),
                     [this, i] { RunGuarded([&] { BtnPrintData_Click(i); }); });
    buttons_.Add(this, QStringLiteral("BtnEnd"), -1, TwipsRect(kPanelLeft, 9120, kPanelWidth, 660),
                 [this] { RunGuarded([this] { BtnEnd_Click(); }); });
    buttons_.ReportFailure();
}

com::HostedControl* PFrmChartDR::Button(const QString& name, int index) { return buttons_.Button(name, index); }

QWidget* PFrmChartDR::ButtonWindow(const QString& name, int index) { return buttons_.Window(name, index); }

// ---- Life cycle ----

void PFrmChartDR::Form_Load() {
    setEnabled(false);
    work_ = std::make_unique<CExamData>();
    platform::CenterFormTop(this, G().FormBackColor);
    platform::SetBackColor(SSTab1, G().FormBackColor);
    {
        const platform::Hourglass hourglass;
        show();
        platform::ProcessEvents();
        {
            const QSignalBlocker blocker(CmbOutNo);
            CmbOutNo->clear();
            for (int n : PatientNumbers()) CmbOutNo->addItem(QString::number(n), n);
            CmbOutNo->setMaxVisibleItems(CmbOutNo->count());
            CmbOutNo->setCurrentIndex(-1);
            CmbOutNo->setEditText(QString());
        }
        const int found = CmbOutNo->findData(G().CurPatientId);
        if (G().CurPatientId != -1 && found >= 0) {
            {
                const QSignalBlocker blocker(CmbOutNo);
                CmbOutNo->setCurrentIndex(found);
            }
            RunGuarded([this] { CmbOutNo_Click(); });
        } else {
            // No patient: an empty sheet of the preview's size, scrollable.
            RunGuarded([this] { ShowDataPreview(); });
        }
        TxtAppName->clear();
        SSTab1->setCurrentIndex(0);
    }
    setEnabled(true);
}

void PFrmChartDR::Form_Unload() { work_.reset(); }

void PFrmChartDR::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void PFrmChartDR::BtnEnd_Click() {
    setEnabled(false);
    PlayWave(QStringLiteral("warp.wav"));
    close();
}

// ---- Choosing a patient ----

int32_t PFrmChartDR::ShownPatientId() const {
    return CmbOutNo->currentIndex() >= 0 ? CmbOutNo->currentData().toInt() : -1;
}

void PFrmChartDR::CmbOutNo_Click() {
    if (loading_) return;
    loading_ = true;
    typed_ = false;
    {
        const platform::Hourglass hourglass;
        loadProblems_.clear();
        LblOutNo->setText(CmbOutNo->currentText());
        LoadPatient();
        LoadExamDates();
        LoadExamSlots();
        ShowChartPages();
        // The preview follows the patient chosen, as the chart pages do.
        ShowDataPreview();
    }
    loading_ = false;
    ReportLoadProblems();
}

void PFrmChartDR::CmbOutNo_Validate() {
    if (!typed_) return;
    typed_ = false;
    const QString text = CmbOutNo->currentText();
    if (text.trimmed().isEmpty()) return;
    TakeTypedPatientNumber(
        *CmbOutNo, text, [this] { CmbOutNo_Click(); }, [this] { RestorePatientSelection(); });
}

void PFrmChartDR::RestorePatientSelection() {
    const QSignalBlocker blocker(CmbOutNo);
    const int index = CmbOutNo->currentIndex();
    CmbOutNo->setEditText(index >= 0 ? CmbOutNo->itemText(index) : QString());
}

void PFrmChartDR::ReportLoadProblems() {
    if (loadProblems_.isEmpty()) return;
    platform::MsgBox(QStringLiteral("患者番号 ") + CmbOutNo->currentText() +
                         QStringLiteral(" のデータを読み込めなかったため、その部分は空欄で表示します。") + kCrLf +
                         kCrLf + loadProblems_.join(kCrLf),
                     48, QStringLiteral("読込エラー"));
    loadProblems_.clear();
}

void PFrmChartDR::LoadPatient() {
    try {
        if (!ReadPatientRecord(patient_, ShownPatientId())) patient_.ClearBuffer();
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        patient_.ClearBuffer();
        loadProblems_ << QStringLiteral("患者データ（") + e.Description() + QStringLiteral("）");
    }
    LblApplyNo->setText(patient_.AppName);
}

void PFrmChartDR::LoadExamDates() {
    LstEntry->clear();
    MainDbUse use;
    if (!use) return;
    try {
        const std::vector<ChartStage> stages = ReadChartStages(*MainDbConn());
        for (size_t i = 0; i < stages.size() && i < LblStage.size(); ++i) {
            LblStage[i]->setText(stages[i].name);
            const QDateTime first = EarliestExamDate(*MainDbConn(), ShownPatientId(), stages[i].id);
            if (!first.isValid()) continue;
            auto* item = new QListWidgetItem(first.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral("  ") +
                                             stages[i].name);
            item->setData(Qt::UserRole, stages[i].id);
            LstEntry->addItem(item);
        }
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        loadProblems_ << QStringLiteral("登録済一覧（") + e.Description() + QStringLiteral("）");
    }
}

void PFrmChartDR::LoadExamSlots() {
    slots_ = EmptyExamSlots();
    if (CmbOutNo->currentIndex() < 0 || !work_) return;
    MainDbUse use;
    if (!use) return;
    const SlotLoadResult result = LoadExamSlotsFrom(*MainDbConn(), ShownPatientId(), slots_, *work_);
    loadProblems_ << result.problems;
}

// ---- Chart pages ----

PageBoxes PFrmChartDR::BoxesOfPage(int page) {
    PageBoxes boxes{};
    for (int k = 0; k < 4; ++k) boxes[k] = &PicPocket[page * 4 + k]->Target();
    return boxes;
}

void PFrmChartDR::RefreshPage(int page) {
    for (int k = 0; k < 4; ++k) PicPocket[page * 4 + k]->Refresh();
}

void PFrmChartDR::ShowChartPages() {
    pagesBlank_ = false;
    for (int page = 0; page < 2; ++page) {
        DrawToothPictures(page);
        DrawPocketGrid(page);
        ShowExamSlot(page);
    }
}

void PFrmChartDR::DrawToothPictures(int page) {
    const int shown = DisplayedSlot(slots_, page);
    const PageBoxes boxes = BoxesOfPage(page);
    if (shown < 0) {
        for (platform::DrawTarget* box : boxes) box->Cls();
    } else {
        for (int t = 0; t < 32; ++t)
            PaintToothCells(boxes, t, slots_[shown].ToothState[t], pictures_, ToothCells::ByState);
    }
    RefreshPage(page);
}

void PFrmChartDR::LoadToothPictures(int half) {
    const PageBoxes boxes = BoxesOfPage(half);
    for (int t = 0; t < 32; ++t) PaintToothCells(boxes, t, 0, pictures_, ToothCells::Normal);
    RefreshPage(half);
}

void PFrmChartDR::DrawPocketGrid(int page) {
    const PageBoxes boxes = BoxesOfPage(page);
    for (int k = 0; k < 4; ++k) DrawBoxGrid(*boxes[k], k);
    RefreshPage(page);
}

void PFrmChartDR::DrawPocketChart(int page) {
    const int shown = DisplayedSlot(slots_, page);
    if (shown < 0) return;
    const PageBoxes boxes = BoxesOfPage(page);
    for (int t = 0; t < 32; ++t)
        PaintToothCells(boxes, t, slots_[shown].ToothState[t], pictures_, ToothCells::CrownsOnly);
    for (int k = 0; k < 4; ++k) DrawBoxBoundary(*boxes[k], k);
    RefreshPage(page);
}

void PFrmChartDR::DrawPocketGraph(int slot) {
    const int page = slot / 2;
    DrawGraphRows(BoxesOfPage(page), slots_[slot], slot, LineChart[slot]->BorderColor(), G().IncludeImplant);
    RefreshPage(page);
}

void PFrmChartDR::DrawSiteMarks(int slot) {
    const int page = slot / 2;
    DrawMarkRows(BoxesOfPage(page), slots_[slot], slot, LineChart[slot]->BorderColor(), G().IncludeImplant);
    RefreshPage(page);
}

void PFrmChartDR::ShowSummaryFigures(int slot) {
    const auto [lo, hi] = BandThresholds();
    const SummaryFigures f = SummaryFiguresOf(slots_[slot], lo, hi, G().IncludeImplant);
    LblDate[slot]->setText(f.date);
    LblAll[slot]->setText(f.teeth);
    LblPD[slot]->setText(f.total);
    LblBlood[slot]->setText(f.bleeding);
    LblAve[slot]->setText(f.mean);
    LblGP0[slot]->setText(f.bands[0]);
    LblGP1[slot]->setText(f.bands[1]);
    LblGP2[slot]->setText(f.bands[2]);
}

void PFrmChartDR::WriteBandLegend(int page) {
    const auto [g1, g2] = BandThresholds();
    const std::array<QString, 3> captions = BandLegendCaptions(g1, g2);
    LblGPH0[page]->setText(captions[0]);
    LblGPH1[page]->setText(captions[1]);
    LblGPH2[page]->setText(captions[2]);
}

void PFrmChartDR::SetToothColours(int half) {
    if (!GlobalObjectsExist() || !Globals().SubExamRows[2]) return;
    const CSubExam& item = *Globals().SubExamRows[2];
    for (int t = 0; t < 32; ++t) {
        com::HostedControl& th = *Th[half * 32 + t];
        if (!th.IsCreated()) continue;
        for (int i = 0; i < 3; ++i) th.Put(molarix::kDispGradationPart, {i}, item.GradationPart(int16_t(i)));
        for (int i = 0; i < 4; ++i) {
            th.Put(molarix::kDispBrightness, {i}, item.Brightness(int16_t(i)));
            th.Put(molarix::kDispValueColor, {i}, static_cast<uint32_t>(item.ValueColor(int16_t(i))));
        }
        th.Call(molarix::kDispRefresh);
    }
}

void PFrmChartDR::WriteToothButton(int page, int t, const ExamSlot& slot, bool systemType) {
    com::HostedControl& th = *Th[page * 32 + t];
    if (!th.IsCreated()) return;
    if (systemType) th.Put(molarix::kDispSystemType, 1);
    th.Put(molarix::kDispExamMode, kFurcationMode);
    th.Put(molarix::kDispRoot, FurcationType[t]);
    th.Call(molarix::kDispRefresh);
    const std::array<int32_t, 6> values = ButtonFurcationValues(slot, t);
    for (int n = 0; n < 6; ++n) th.Put(molarix::kDispData, {0, n}, values[n]);
    th.Call(molarix::kDispRefresh);
}

void PFrmChartDR::ShowExamSlot(int page) {
    const int a = 2 * page;
    const int b = a + 1;
    for (int k : {a, b}) {
        DrawPocketGraph(k);
        DrawSiteMarks(k);
        ShowSummaryFigures(k);
    }
    WriteBandLegend(page);
    for (int t = 0; t < 32; ++t) {
        QLabel* label = LblMOB[page * 32 + t];
        label->setText(MobilityCaption(slots_[a], slots_[b], t));
        SetLabelColours(label, MobilityLabelBack(slots_[a].ToothState[t]), 0);
    }
    SetToothColours(page);
    const int shown = DisplayedSlot(slots_, page);
    // A page without an examination shows buttons without values.
    const ExamSlot& values = shown >= 0 ? slots_[shown] : EmptyExamSlot();
    for (int t = 0; t < 32; ++t) WriteToothButton(page, t, values, true);
}

void PFrmChartDR::SetBlankLegend(int page) {
    WriteBandLegend(page);
    for (int t = 0; t < 32; ++t) {
        QLabel* label = LblMOB[page * 32 + t];
        label->setText(QStringLiteral("→"));
        SetLabelColours(label, MobilityLabelBack(slots_[2 * page].ToothState[t]), 0);
    }
    SetToothColours(page);
    for (int t = 0; t < 32; ++t) WriteToothButton(page, t, slots_[0], false);
}

// ---- Data-sheet preview ----

PreviewScroll PreviewScrollOf(int pictureHeight, int frameHeight, double twipsPerPixel) {
    // Nearest whole twips, halves to even, in 32 bits: a tall picture never
    // overflows the bar as a 16-bit value did.
    const auto nearest = [](double v) { return static_cast<int>(std::nearbyint(v)); };
    PreviewScroll scroll;
    scroll.maximum = std::max(0, nearest((pictureHeight - frameHeight) * twipsPerPixel));
    scroll.largeChange = nearest(scroll.maximum / 10.0);
    scroll.smallChange = nearest(scroll.largeChange / 10.0);
    return scroll;
}

void PFrmChartDR::ShowDataPreview() {
    const int width = PicFrame->width();
    const int height = static_cast<int>(std::lround(width * 455.0 / 210.0));
    // The sheet's 210 mm fill the picture's width.
    PicDraw->Resize(QSize(width, height), width * 25.4 / 210.0);
    PicDraw->move(0, 0);
    const PreviewScroll scroll = PreviewScrollOf(height, PicFrame->height(), platform::TwipsPerPixelY());
    {
        const QSignalBlocker blocker(VScrPic);
        VScrPic->setRange(0, scroll.maximum);
        VScrPic->setPageStep(std::max(1, scroll.largeChange));
        VScrPic->setSingleStep(std::max(1, scroll.smallChange));
        VScrPic->setValue(0);
    }
    // Drawn from what is loaded now, when the data tab first shows it.
    PicDraw->DrawWhenNeeded([exams = slots_, item = PocketDepthItem()](platform::ImageTarget& preview) {
        preview.Cls();
        platform::ApplyDrawingDefaults(preview);
        DrawDataSheetPreview(preview, exams, item);
    });
}

void PFrmChartDR::VScrPic_Change(int value) {
    PicDraw->move(0, -static_cast<int>(std::lround(value / platform::TwipsPerPixelY())));
}

// ---- Printing ----

ChartBlockTexts PFrmChartDR::ScreenBlockTexts(int half) const {
    ChartBlockTexts texts;
    for (int j = 0; j < 2; ++j) {
        const int k = 2 * half + j;
        texts.stage[j] = LblStage[k]->text();
        texts.lineColour[j] = LineChart[k]->BorderColor();
        SummaryFigures& f = texts.figures[j];
        f.date = LblDate[k]->text();
        f.teeth = LblAll[k]->text();
        f.total = LblPD[k]->text();
        f.bleeding = LblBlood[k]->text();
        f.mean = LblAve[k]->text();
        f.bands = {LblGP0[k]->text(), LblGP1[k]->text(), LblGP2[k]->text()};
    }
    texts.bandHeads = {LblGPH0[half]->text(), LblGPH1[half]->text(), LblGPH2[half]->text()};
    texts.mobilityHead = LblMOBH[half]->text();
    for (int t = 0; t < 32; ++t) texts.mobility[t] = LblMOB[half * 32 + t]->text();
    return texts;
}

QString PFrmChartDR::ApplicationNumber() const {
    return LblApplyNo->text().trimmed().isEmpty() ? CmbOutNo->currentText() : LblApplyNo->text();
}

void PFrmChartDR::BtnPrintChart_Click(int index) {
    PlayWave(QStringLiteral("click1.wav"));
    if (std::none_of(slots_.begin(), slots_.end(), [](const ExamSlot& s) { return s.Loaded == -1; })) {
        platform::MsgBox(QStringLiteral("印刷対象のデータがありません。"), 48, QStringLiteral("確認"));
        return;
    }
    lastPrint_ = RunPrintJob(
        this, ApplicationNumber(),
        [this, index](platform::PrinterTarget& printer, int copies) {
            ChartSheetContent content;
            content.kind = index;
            content.caseNumber = CaseNumberText(LblApplyNo->text(), CmbOutNo->currentText());
            content.texts = {ScreenBlockTexts(0), ScreenBlockTexts(1)};
            content.exams = &slots_;
            ComposeChartSheets(printer, content, copies, pictures_, picWork1_, picWork2_);
        },
        [this] {
            // The sheet copies the screen: after a blank print it shows
            // arrows, so both pages show the patient again first. Otherwise
            // they already show what is printed.
            if (pagesBlank_) ShowChartPages();
        });
}

void PFrmChartDR::BtnPrintData_Click(int index) {
    PlayWave(QStringLiteral("click1.wav"));
    // Only the first two stages are looked at, as the sheet always was.
    if (slots_[0].Loaded != -1 && slots_[1].Loaded != -1) {
        platform::MsgBox(QStringLiteral("印刷対象のデータがありません。"), 48, QStringLiteral("確認"));
        return;
    }
    PrintDataSheet(index);
}

void PFrmChartDR::PrintDataSheet(int index) {
    lastPrint_ = RunPrintJob(this, ApplicationNumber(), [this, index](platform::PrinterTarget& printer, int copies) {
        DataSheetContent content;
        content.kind = index;
        content.caseNumber = CaseNumberText(LblApplyNo->text(), CmbOutNo->currentText());
        // The mark is the shown patient's, not the input screen's.
        content.sptShort = ShownPatientId() >= 0 && IsSptPeriodShort(ShownPatientId());
        content.exams = &slots_;
        content.item = PocketDepthItem();
        ComposeDataSheets(printer, content, copies);
    });
}

void PFrmChartDR::BtnBlankPrint_Click() {
    PlayWave(QStringLiteral("click1.wav"));
    const auto [g1, g2] = BandThresholds();
    BlankFormContent content;
    for (int half = 0; half < 2; ++half) {
        ChartBlockTexts& texts = content.texts[half];
        texts = ScreenBlockTexts(half);
        texts.bandHeads = BandLegendCaptions(g1, g2);
        texts.mobility.fill(QStringLiteral("→"));
    }
    content.slot0 = &slots_[0];
    lastPrint_ = RunPrintJob(this, ApplicationNumber(), [this, &content](platform::PrinterTarget& printer, int copies) {
        ComposeBlankForms(printer, content, copies, pictures_);
    });
    if (lastPrint_ != PrintOutcome::Printed) return;
    // The screen shows the blank charts it printed until a patient is chosen.
    for (int half = 0; half < 2; ++half) {
        LoadToothPictures(half);
        DrawPocketGrid(half);
        SetBlankLegend(half);
    }
    pagesBlank_ = true;
}

// ---- Opening ----

PFrmChartDR* ShowChartScreen(QWidget* inputScreen) {
    static QPointer<PFrmChartDR> open;
    if (open) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* window = new PFrmChartDR(inputScreen);
    window->setAttribute(Qt::WA_DeleteOnClose);
    open = window;
    window->Form_Load();
    return window;
}

}  // namespace mox
