#include "platform/gui/file_dialog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QMimeDatabase>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <functional>
#include <utility>

namespace mox::platform {

namespace {

FileDialogAnswerer& Answerer() {
    static FileDialogAnswerer answerer;
    return answerer;
}

// Runs `act` once, when the watched widget is first shown.
class ShowFilter : public QObject {
public:
    ShowFilter(QObject* parent, std::function<void()> act) : QObject(parent), act_(std::move(act)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && act_) std::exchange(act_, nullptr)();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> act_;
};

// The dialog's own detail view remembers its column widths from the last
// dialog of any program (and starts narrow): a backup's dated name was cut
// to "VXMOX2_20…_0919.MDB", hiding the day that tells one backup from
// another. The columns are given the room their texts take, and the dialog
// the width the columns need. A native dialog has no such view.
void FitColumnsTo(QFileDialog& dialog, const QString& typicalName) {
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree) return;
    dialog.setViewMode(QFileDialog::Detail);
    QHeaderView* header = tree->header();
    const QFontMetrics fm(tree->font());
    const QStyle* style = tree->style();
    const int margins = 4 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1) +
                        fm.horizontalAdvance(QStringLiteral("__"));
    const auto fit = [&](int column, const QStringList& texts) {
        int width = header->sectionSizeHint(column);
        for (const QString& text : texts) width = qMax(width, fm.horizontalAdvance(text) + margins);
        header->resizeSection(column, width);
    };
    const int icon = tree->iconSize().isValid() ? tree->iconSize().width()
                                                : style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree);
    header->resizeSection(0, qMax(header->sectionSizeHint(0), fm.horizontalAdvance(typicalName) + icon + margins +
                                                                  (tree->rootIsDecorated() ? tree->indentation() : 0)));
    // The texts as the file system model writes them.
    const QLocale locale = QLocale::system();
    fit(1, {locale.formattedDataSize((qint64(1) << 30) - 1)});
    fit(2, {QMimeDatabase().mimeTypeForFile(typicalName, QMimeDatabase::MatchExtension).comment(),
            QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms")});
    fit(3, {locale.toString(QDateTime(QDate(2026, 12, 28), QTime(23, 59)), QLocale::ShortFormat)});

    // The view has its width once the dialog is laid out for showing, before
    // it is painted.
    auto* widen = new ShowFilter(&dialog, [&dialog, tree, header] {
        const int needed = header->length() + 2 * tree->frameWidth() + tree->verticalScrollBar()->sizeHint().width();
        if (needed > tree->width()) dialog.resize(dialog.width() + needed - tree->width(), dialog.height());
    });
    dialog.installEventFilter(widen);
}

}  // namespace

void SetFileDialogAnswerer(FileDialogAnswerer answerer) { Answerer() = std::move(answerer); }

std::optional<QString> ShowFileDialog(const FileDialogRequest& request, QWidget* parent) {
    if (Answerer()) return Answerer()(request);

    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    using Kind = FileDialogRequest::Kind;
    switch (request.kind) {
        case Kind::Open:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
            break;
        case Kind::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
            break;
        case Kind::Folder:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly, true);
            break;
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (!request.typicalName.isEmpty() && request.kind != Kind::Folder) FitColumnsTo(dialog, request.typicalName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace mox::platform
