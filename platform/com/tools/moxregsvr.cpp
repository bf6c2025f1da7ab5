// moxregsvr [/u] [/s] <module>: calls the module's DllRegisterServer, or its
// DllUnregisterServer with /u, and reports the result. Exit code 0 on success.

#include "platform/com/control_host.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv) {
    // Registration makes no window: the tool runs without a display.
    QCoreApplication app(argc, argv);
    bool unregister = false;
    bool silent = false;
    QString module;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (const QString& a : args) {
        if (a.compare(QStringLiteral("/u"), Qt::CaseInsensitive) == 0 || a == QStringLiteral("-u"))
            unregister = true;
        else if (a.compare(QStringLiteral("/s"), Qt::CaseInsensitive) == 0 || a == QStringLiteral("-s"))
            silent = true;
        else
            module = a;
    }
    if (module.isEmpty()) {
        std::fprintf(stderr, "usage: moxregsvr [/u] [/s] <module>\n");
        return 2;
    }
    QString error;
    const mox::com::HRESULT hr = mox::com::CallModuleRegistration(module, unregister, &error);
    if (!mox::com::Succeeded(hr)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    if (!silent) {
        const QString done = unregister ? QStringLiteral("%1 の DllUnregisterServer は成功しました。")
                                        : QStringLiteral("%1 の DllRegisterServer は成功しました。");
        std::printf("%s\n", done.arg(module).toLocal8Bit().constData());
    }
    return 0;
}
