// prismet_preview [design.json|design.ini] [button name]
// Loads libPrismet.so from the program folder (registering it when needed),
// places one colour button per design entry (or one plain button) on a form
// and opens the property pages of the button that was clicked last.

#include "controls/colour_button/colour_button_design.h"
#include "controls/colour_button/prismet_properties.h"
#include "platform/com/control_host.h"
#include "platform/gui/japanese_ui.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <vector>

using namespace mox;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::RegisterFontSubstitutes();
    platform::LoadJapaneseTranslations();

    const QString programDir =
        qEnvironmentVariableIsSet("MOX_PROGRAM_DIR")
            ? qEnvironmentVariable("MOX_PROGRAM_DIR")
            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../program"));
    const QString module = QDir(programDir).filePath(QStringLiteral("libPrismet.so"));
    QString error;
    if (!com::Succeeded(com::EnsureModuleRegistered(module, QString::fromLatin1(prismet::kClsidPrismet), &error))) {
        QMessageBox::critical(nullptr, QStringLiteral("prismet_preview"), error);
        return 1;
    }

    std::map<QString, prismet::ButtonDesign> designs;
    QString baseDir;
    const QStringList args = app.arguments();
    if (args.size() > 1) {
        QFile file(args.at(1));
        if (!file.open(QIODevice::ReadOnly)) {
            QMessageBox::critical(nullptr, QStringLiteral("prismet_preview"), file.errorString());
            return 1;
        }
        const QByteArray data = file.readAll();
        designs = args.at(1).endsWith(QLatin1String(".json"), Qt::CaseInsensitive)
                      ? prismet::ParseDesignJson(data, &error)
                      : prismet::ParseDesignIni(QString::fromUtf8(data));
        baseDir = QFileInfo(file).absolutePath();
        if (args.size() > 2) {
            const auto one = designs.find(args.at(2));
            designs = one == designs.end() ? decltype(designs){} : decltype(designs){*one};
        }
    }
    if (designs.empty())
        designs[QStringLiteral("Prismet1")] = {{QStringLiteral("Caption"), QStringLiteral("Prismet1")}};

    QWidget form;
    form.setWindowTitle(QStringLiteral("Prismet プレビュー"));
    auto* layout = new QVBoxLayout(&form);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    auto* status = new QLabel(&form);
    layout->addWidget(status);
    auto* pages = new QPushButton(QStringLiteral("プロパティ..."), &form);
    layout->addWidget(pages);

    std::vector<std::unique_ptr<com::HostedControl>> buttons;
    com::HostedControl* current = nullptr;
    for (const auto& [name, design] : designs) {
        auto button = std::make_unique<com::HostedControl>();
        if (!com::Succeeded(button->Create(QString::fromLatin1(prismet::kClsidPrismet), &form))) {
            QMessageBox::critical(nullptr, QStringLiteral("prismet_preview"), button->LastError());
            return 1;
        }
        QStringList problems;
        for (const prismet::DesignError& e : prismet::ApplyDesign(*button->Control(), design, baseDir))
            problems << e.property + QStringLiteral(": ") + e.message;
        if (!problems.isEmpty()) status->setText(name + QStringLiteral(" — ") + problems.join(QStringLiteral("; ")));
        QWidget* window = button->Window();
        window->setFixedSize(window->size());
        row->addWidget(window);
        com::HostedControl* raw = button.get();
        button->On(prismet::kEventClick, [&current, raw, status, name = name](std::vector<com::Variant>&) {
            current = raw;
            status->setText(name + QStringLiteral(" Click"));
        });
        if (!current) current = raw;
        buttons.push_back(std::move(button));
    }
    QObject::connect(pages, &QPushButton::clicked, &form, [&] {
        if (current) com::ShowPropertyPages(current->Control(), &form);
    });
    form.show();
    return app.exec();
}
