#include "maintenance/version_up/verup_common.h"

#include "core/cp932.h"
#include "core/settings.h"
#include "core/system_info.h"
#include "core/text_format.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>

namespace mox::verup {

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The leading number of a text as the original run-time's Val read it
// (blanks before it, a sign, digits, an exponent), rounded half to even and
// held to the 16-bit range instead of overflowing.
int16_t LeadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    double value = 0;
    bool digits = false;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        digits = true;
        if (value < 1e300) value = value * 10 + (text[i].unicode() - u'0');
    }
    if (!digits) return 0;
    if (i + 1 < n && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) expNegative = text[j++] == u'-';
        int exponent = 0;
        for (; j < n && text[j] >= u'0' && text[j] <= u'9'; ++j)
            if (exponent < 1000) exponent = exponent * 10 + (text[j].unicode() - u'0');
        value *= std::pow(10.0, expNegative ? -exponent : exponent);
    }
    if (negative) value = -value;
    if (!std::isfinite(value) || value >= 32767.5) return 32767;
    if (value <= -32768.5) return -32768;
    return static_cast<int16_t>(std::nearbyint(value));
}

}  // namespace

QString GetTempFolder() {
    const QString runtime = QFileInfo(qEnvironmentVariable("XDG_RUNTIME_DIR")).canonicalFilePath();
    const auto usable = [&](const QString& path) {
        if (path.isEmpty() || !QDir::isAbsolutePath(path)) return false;
        const QString real = QFileInfo(path).canonicalFilePath();
        if (real.isEmpty() || !QFileInfo(real).isDir() || ::access(Native(real).constData(), W_OK | X_OK) != 0)
            return false;
        return runtime.isEmpty() || (real != runtime && !real.startsWith(runtime + QLatin1Char('/')));
    };
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache)) cache = QDir::homePath() + QStringLiteral("/.cache");
    ::mkdir(Native(cache).constData(), 0700);  // made for this user alone when missing
    for (const QString& place : {cache, qEnvironmentVariable("TMPDIR")})
        if (usable(place)) return place;
    return QStringLiteral("/var/tmp");
}

int AddFirewallRules() {
    WriteLog(QStringLiteral("ファイアウォールの設定は不要のため省略しました。（") +
                 QCoreApplication::applicationFilePath() + QStringLiteral("）"),
             1);
    return 0;
}

QString GetPcName() { return GetMachineName(); }

bool CopyFileOver(const QString& source, const QString& target) {
    if (source == target) return false;
    return !platform::CopyFileAtomically(source, target);
}

bool RemoveFolder(const QString& path) {
    const QByteArray native = Native(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(native.constData()) == 0;
    QDir(path).removeRecursively();
    return ::lstat(native.constData(), &st) != 0 && errno == ENOENT;
}

bool MakePrivateFolder(const QString& path) {
    if (::mkdir(Native(path).constData(), 0700) != 0) return false;
    return ::chmod(Native(path).constData(), 0700) == 0;
}

std::array<int16_t, 4> SplitVersion(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    std::array<int16_t, 4> numbers{};
    for (qsizetype i = 0; i < 4 && i < parts.size(); ++i) numbers[static_cast<size_t>(i)] = LeadingNumber(parts[i]);
    return numbers;
}

int CompareVersions(const QString& versionA, const QString& versionB) {
    const auto a = SplitVersion(versionA);
    const auto b = SplitVersion(versionB);
    for (int i = 0; i < 4; ++i) {
        if (a[static_cast<size_t>(i)] > b[static_cast<size_t>(i)]) return i + 1;
        if (a[static_cast<size_t>(i)] < b[static_cast<size_t>(i)]) return -(i + 1);
    }
    return 0;
}

bool HasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

QString ReadKeyValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        while (raw.endsWith('\n') || raw.endsWith('\r')) raw.chop(1);
        const QString line = TrimBlanks(FromCp932(raw));
        if (line.isEmpty() || line.startsWith(QLatin1Char('\''))) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) continue;
        if (line.left(equals) == key) return line.mid(equals + 1);
    }
    return {};
}

}  // namespace mox::verup
