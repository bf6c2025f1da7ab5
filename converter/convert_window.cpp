#include "converter/convert_window.h"

#include "converter/conversion_backup.h"
#include "converter/converter_start.h"
#include "converter/source_databases.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/gui/colour.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMouseEvent>

namespace mox::convert {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kFontName = QStringLiteral("ＭＳ Ｐゴシック");

constexpr int kSourceCount = 10;
constexpr int kTargetCount = 30;

// Number colours: a patient there, none there.
constexpr uint32_t kPatientBack = platform::VbRgb(255, 192, 192);
constexpr uint32_t kPatientFore = platform::VbRgb(0, 0, 0);
constexpr uint32_t kEmptyBack = platform::VbRgb(255, 255, 255);
constexpr uint32_t kEmptyFore = platform::VbRgb(192, 192, 192);

// Geometry of the form, in pixels.
constexpr int kFormWidth = 820;
constexpr int kFormHeight = 770;
constexpr int kNumbersTop = 430;
constexpr int kNumberStep = 26;
constexpr int kNumberHeight = 22;
constexpr int kSourceNumberWidth = 50;
constexpr int kTargetNumberWidth = 84;
constexpr int kColumnA = 70;
constexpr int kColumnB = 200;
constexpr int kColumnC = 350;
constexpr int kTargetStep = 160;
constexpr int kArrowWidth = 22;

QFont FormFont(int pointSize, bool bold = false) {
    QFont font(kFontName, pointSize);
    font.setBold(bold);
    return font;
}

void ColourByFlag(QLabel* label, int16_t flag) {
    platform::SetForeColor(label, flag == 1 ? kPatientFore : kEmptyFore);
    platform::SetBackColor(label, flag == 1 ? kPatientBack : kEmptyBack);
}

QLabel* Place(QLabel* label, int x, int y, int width, int height, const QFont& font,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    label->setGeometry(x, y, width, height);
    label->setFont(font);
    label->setAlignment(alignment);
    return label;
}

}  // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

PFrmConvert::PFrmConvert(std::function<void()> endProgram, CopyStepHook copySteps, QWidget* parent)
    : QWidget(parent), endProgram_(std::move(endProgram)), copySteps_(std::move(copySteps)) {
    setWindowTitle(QStringLiteral("MOX2.5 コンバート"));
    setFixedSize(kFormWidth, kFormHeight);
    setAutoFillBackground(true);
    BuildLabels();
    BuildButtons();
}

PFrmConvert::~PFrmConvert() = default;

void PFrmConvert::BuildLabels() {
    const QFont font = FormFont(10);
    const QFont bold = FormFont(10, true);
    const QFont letter = FormFont(20, true);
    const Qt::Alignment centre = Qt::AlignCenter;

    Label2 = Place(new QLabel(QStringLiteral("ミラド協会　専門医・認定医・認定歯科衛生士 データコンバート"), this), 20,
                   12, 780, 30, FormFont(15, true));
    Place(new QLabel(QStringLiteral("フォルダ名："), this), 20, 50, 90, 20, font);
    lblFolder = Place(new QLabel(this), 110, 50, 690, 20, font);

    const QStringList steps = {
        QStringLiteral("≪コンバート手順≫"),
        QStringLiteral("①以下のフォルダにコンバートするデータファイル（vexaMOX.MDB、vexaMOXDH.MDB）"),
        QStringLiteral("　　をコピーする。（必要なファイルのみ）"),
        QStringLiteral("②本プログラムを再度実行する。"),
        QStringLiteral("③コンバート元（A、または、B）の患者番号をクリックし、"),
        QStringLiteral("　　コンバート先（C)の患者番号をクリックする。"),
        QStringLiteral("　　これを繰り返し、コンバート先を決定する。"),
        QStringLiteral("　　※コンバート先を元に戻すには、「クリア」をクリック。"),
        QStringLiteral("④「コンバート開始」をクリックし、コンバートを実行する。"),
        QStringLiteral("（注）コンバート先にすでにデータが存在する場合、"),
        QStringLiteral("　　　　コンバート先の患者を削除してコンバートします。"),
    };
    for (int i = 0; i < steps.size(); ++i)
        Place(new QLabel(steps[i], this), 30, 80 + i * 19, 760, 19, i == 0 ? bold : font);

    Place(new QLabel(QStringLiteral("コンバート元"), this), kColumnA - 30, 300, 260, 22, bold, centre);
    Place(new QLabel(QStringLiteral("コンバート先"), this), kColumnC - 30, 300, 470, 22, bold, centre);

    struct Column {
        int x;
        int numberWidth;
        QStringList lines;
    };
    const Column columns[] = {
        {kColumnA,
         kSourceNumberWidth,
         {QStringLiteral("A"), QStringLiteral("専門医・認定医"), QStringLiteral("vexaMOX.MDB")}},
        {kColumnB,
         kSourceNumberWidth,
         {QStringLiteral("B"), QStringLiteral("認定歯科衛生士"), QStringLiteral("vexaMOXDH.MDB")}},
        {kColumnC + kTargetStep,
         kTargetNumberWidth,
         {QStringLiteral("C"), QStringLiteral("専門医・認定医・"), QStringLiteral("認定歯科衛生士"),
          QStringLiteral("VXMOX2.MDB")}},
    };
    for (const Column& column : columns) {
        const int width = 130;
        const int left = column.x + column.numberWidth / 2 - width / 2;
        Place(new QLabel(column.lines[0], this), left, 324, width, 30, letter, centre);
        for (int i = 1; i < column.lines.size(); ++i)
            Place(new QLabel(column.lines[i], this), left, 338 + i * 17, width, 17, font, centre);
        Place(new QLabel(QStringLiteral("患者番号"), this), left, 408, width, 18, font, centre);
    }

    auto makeNumber = [&](int x, int y, int width) {
        auto* label = new ClickLabel(this);
        Place(label, x, y, width, kNumberHeight, font, centre);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setAutoFillBackground(true);
        return label;
    };
    for (int i = 0; i < kSourceCount; ++i) {
        lblA[i] = makeNumber(kColumnA, kNumbersTop + i * kNumberStep, kSourceNumberWidth);
        lblB[i] = makeNumber(kColumnB, kNumbersTop + i * kNumberStep, kSourceNumberWidth);
        connect(lblA[i], &ClickLabel::clicked, this, [this, i] { lblA_Click(i); });
        connect(lblB[i], &ClickLabel::clicked, this, [this, i] { lblB_Click(i); });
    }
    for (int i = 0; i < kTargetCount; ++i) {
        lblC[i] = makeNumber(kColumnC + (i / kSourceCount) * kTargetStep,
                             kNumbersTop + (i % kSourceCount) * kNumberStep, kTargetNumberWidth);
        connect(lblC[i], &ClickLabel::clicked, this, [this, i] { lblC_Click(i); });
    }

    auto makeArrow = [&] {
        auto* arrow = Place(new QLabel(QStringLiteral("⇒"), this), 0, 0, kArrowWidth, kNumberHeight, bold, centre);
        platform::SetForeColor(arrow, platform::VbRgb(255, 0, 0));
        arrow->hide();
        return arrow;
    };
    lblArrowA = makeArrow();
    lblArrowB = makeArrow();
    lblArrow = makeArrow();

    LblVer = Place(new QLabel(this), kFormWidth - 120, kFormHeight - 28, 100, 20, font, Qt::AlignRight);
}

void PFrmConvert::BuildButtons() {
    for (int i = 0; i < kTargetCount; ++i) {
        const QLabel* number = lblC[i];
        buttons_.Add(this, QStringLiteral("CmdClear"), i, QPoint(number->x() + number->width() + 4, number->y()),
                     [this, i] { CmdClear_Click(i); });
    }
    buttons_.Add(this, QStringLiteral("CmdConvert"), -1, QPoint(40, kFormHeight - 60), [this] { CmdConvert_Click(); });
    buttons_.Add(this, QStringLiteral("CmdEnd"), -1, QPoint(230, kFormHeight - 60), [this] { CmdEnd_Click(); });
}

void PFrmConvert::Form_Load() {
    platform::CenterFormTop(this, G().FormBackColor);
    {
        const platform::Hourglass hourglass;
        LblVer->setText(GetConverterVersionText());
        lblFolder->setText(G().AppPath());
        RefreshMapping();
    }
    buttons_.ReportFailure();
}

void PFrmConvert::HideArrows() {
    lblArrowA->hide();
    lblArrowB->hide();
    lblArrow->hide();
}

void PFrmConvert::ShowArrowBeside(QLabel* arrow, const QLabel* number) {
    arrow->move(number->x() - kArrowWidth - 2, number->y() - number->height() / 4);
    arrow->show();
    arrow->raise();
}

void PFrmConvert::RefreshMapping() {
    for (int i = 0; i < kSourceCount; ++i) {
        lblA[i]->setText(QString::number(i + 1));
        lblB[i]->setText(QString::number(i + 1));
    }
    for (int i = 0; i < kTargetCount; ++i) lblC[i]->setText(QString::number(i + 1));

    HideArrows();
    SelectedA = SelectedB = -1;
    HasA = ReadSourcePatients(SourceDb::A);
    HasB = ReadSourcePatients(SourceDb::B);
    HasTarget = ReadTargetPatients();
    Mapping = {};

    for (int i = 0; i < kSourceCount; ++i) {
        ColourByFlag(lblA[i], HasA[i]);
        ColourByFlag(lblB[i], HasB[i]);
    }
    for (int i = 0; i < kTargetCount; ++i) ColourByFlag(lblC[i], HasTarget[i]);
}

void PFrmConvert::ChooseSource(int index, bool columnA) {
    HideArrows();
    SelectedA = SelectedB = -1;
    if (index < 0 || index >= kSourceCount) return;
    // A number without a patient cannot be chosen.
    if ((columnA ? HasA : HasB)[index] != 1) return;
    ShowArrowBeside(columnA ? lblArrowA : lblArrowB, (columnA ? lblA : lblB)[index]);
    (columnA ? SelectedA : SelectedB) = index;
}

void PFrmConvert::lblA_Click(int index) { ChooseSource(index, true); }
void PFrmConvert::lblB_Click(int index) { ChooseSource(index, false); }

void PFrmConvert::lblC_Click(int index) {
    lblArrow->hide();
    if (index < 0 || index >= kTargetCount) return;
    if (SelectedA < 0 && SelectedB < 0) return;
    if (HasTarget[index] == 1 && platform::MsgBox(QStringLiteral("入力済みのデータは削除されます。") + kCrLf + kCrLf +
                                                      QStringLiteral("よろしいですか？"),
                                                  52, QStringLiteral("確認")) != platform::kYes)
        return;

    ShowArrowBeside(lblArrow, lblC[index]);
    platform::SetForeColor(lblC[index], kPatientFore);
    // The source choice stays, so one patient can go into several slots.
    const PatientMapping mapping = SelectedA >= 0 ? PatientMapping{SourceDb::A, SelectedA + 1, index + 1}
                                                  : PatientMapping{SourceDb::B, SelectedB + 1, index + 1};
    lblC[index]->setText(MappingText(mapping));
    Mapping[index] = static_cast<int16_t>(mapping.source == SourceDb::A ? mapping.sourceId : mapping.sourceId + 10);
}

void PFrmConvert::ColourTarget(int index) {
    ColourByFlag(lblC[index], HasTarget[index]);
    if (Mapping[index] != 0) platform::SetForeColor(lblC[index], kPatientFore);
}

void PFrmConvert::CmdClear_Click(int index) {
    HideArrows();
    SelectedA = SelectedB = -1;
    if (index < 0 || index >= kTargetCount) return;
    lblC[index]->setText(QString::number(index + 1));
    Mapping[index] = 0;
    ColourTarget(index);
}

void PFrmConvert::CmdConvert_Click() {
    HideArrows();
    SelectedA = SelectedB = -1;
    if (platform::MsgBox(
            QStringLiteral("コンバートを開始します。") + kCrLf + kCrLf + QStringLiteral("よろしいですか？"), 52,
            QStringLiteral("確認")) != platform::kYes)
        return;

    QString backupPath;
    std::optional<ConversionFailure> failure;
    {
        const platform::Hourglass hourglass;
        backupPath = MakeConversionBackup();
        if (backupPath.isEmpty()) return;
        failure = ConvertPatients(ChosenMappings(), copySteps_);
        // The slots just filled hold patients now: a later mapping onto one
        // of them must ask first.
        HasTarget = ReadTargetPatients();
        for (int i = 0; i < kTargetCount; ++i) ColourTarget(i);
    }
    ReportConversion(backupPath, failure);
}

std::vector<PatientMapping> PFrmConvert::ChosenMappings() const {
    std::vector<PatientMapping> mappings;
    for (int i = 0; i < kTargetCount; ++i) {
        if (Mapping[i] >= 1 && Mapping[i] <= 10)
            mappings.push_back({SourceDb::A, Mapping[i], i + 1});
        else if (Mapping[i] >= 11 && Mapping[i] <= 20)
            mappings.push_back({SourceDb::B, Mapping[i] - 10, i + 1});
    }
    return mappings;
}

void PFrmConvert::ReportConversion(const QString& backupPath, const std::optional<ConversionFailure>& failure) {
    if (failure) {
        Failure shown = failure->failure.As(Doing::ConvertPatients);
        shown.place = MappingText(failure->mapping);
        LogFailure(shown);
        platform::MsgBox(FailureText(shown), 16, QStringLiteral("コンバートエラー"));
        return;
    }
    platform::MsgBox(QStringLiteral("コンバートを完了しました。") + kCrLf + kCrLf +
                         QStringLiteral("コンバート前のＤＢは、以下のファイル名で保存されています。") + kCrLf + kCrLf +
                         QFileInfo(backupPath).fileName(),
                     64, QStringLiteral("完了"));
}

void PFrmConvert::CmdEnd_Click() { close(); }

void PFrmConvert::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void PFrmConvert::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    ReleaseConverterObjects();
    if (endProgram_) endProgram_();
}

}  // namespace mox::convert
