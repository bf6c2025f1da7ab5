#include "tools/contact_info.h"

#include "core/connections.h"
#include "core/cp932.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");

VersionUpEnd& EndFunction() {
    static VersionUpEnd end;
    return end;
}

// The first character (a surrogate pair counts as one) that code page 932
// cannot hold; empty when there is none.
QString FirstUnencodable(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, n);
        bool complete = true;
        ToCp932(character, &complete);
        if (!complete) return character;
        i += n;
    }
    return {};
}

bool CheckField(const QString& label, const QString& value) {
    if (value.size() > kContactFieldLength) {
        platform::MsgBox(QStringLiteral("「%1」は%2文字以内で入力してください。").arg(label).arg(kContactFieldLength),
                         48, QStringLiteral("入力エラー"));
        return false;
    }
    if (const QString bad = FirstUnencodable(value); !bad.isEmpty()) {
        platform::MsgBox(QStringLiteral("「%1」に使用できない文字「%2」が含まれています。").arg(label, bad) + kCrLf2 +
                             QStringLiteral("別の文字に置き換えてください。"),
                         48, QStringLiteral("入力エラー"));
        return false;
    }
    return true;
}

bool SaveContactRow(const ContactInfo& info) {
    MainDbUse use;
    if (!use) return false;
    try {
        auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TImage WHERE ID=?"), {0});
        if (rs->IsEOF()) {
            rs->AddNew();
            rs->SetField(QStringLiteral("ID"), 0);
        }
        const QDateTime now = platform::CurrentClock().Now();
        rs->SetField(QStringLiteral("ImgPath1"), info.clinic);
        rs->SetField(QStringLiteral("ImgPath2"), info.tanto);
        rs->SetField(QStringLiteral("ImgPath3"), info.mail);
        rs->SetField(QStringLiteral("ExamDate"), now);
        rs->SetField(QStringLiteral("UpDate"), now);
        rs->Update();
        return true;
    } catch (const db::DbError& e) {
        const Failure failure = e.GetFailure().As(Doing::SaveContact);
        LogFailure(failure);
        platform::MsgBox(FailureText(failure), 16, QStringLiteral("保存エラー"));
        return false;
    }
}

}  // namespace

ContactInfo ReadContactInfo() {
    ContactInfo info;
    MainDbUse use;
    if (!use) return info;
    try {
        auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TImage WHERE ID=?"), {0});
        if (!rs->IsEOF()) {
            info.clinic = rs->Field(QStringLiteral("ImgPath1")).ToText();
            info.tanto = rs->Field(QStringLiteral("ImgPath2")).ToText();
            info.mail = rs->Field(QStringLiteral("ImgPath3")).ToText();
        }
    } catch (const db::DbError& e) {
        const Failure failure = e.GetFailure().As(Doing::ReadContact);
        LogFailure(failure);
        platform::MsgBox(FailureText(failure), 16, QStringLiteral("読取エラー"));
    }
    return info;
}

QByteArray InfoTextBytes(const ContactInfo& info, bool* complete) {
    const QString text = QStringLiteral("医療機関名    ：") + info.clinic + kCrLf + QStringLiteral("担当者名      ：") +
                         info.tanto + kCrLf + QStringLiteral("担当者のE-mail：") + info.mail + kCrLf;
    return ToCp932(text, complete);
}

bool SaveContactInfo(const ContactInfo& info) {
    if (!CheckField(QStringLiteral("所属医療機関名、または、医院名"), info.clinic) ||
        !CheckField(QStringLiteral("担当者名"), info.tanto) || !CheckField(QStringLiteral("担当者のE-mail"), info.mail))
        return false;

    const bool rowSaved = SaveContactRow(info);

    const QString path = G().ProgramDir + QStringLiteral("/Info.txt");
    const QByteArray bytes = InfoTextBytes(info);
    const Failure written =
        platform::WriteFileAtomically(path, [&bytes](platform::FileSink& sink) { return sink.Write(bytes); });
    if (written) platform::MsgBox(FailureText(written.As(Doing::WriteContact)), 16, QStringLiteral("保存エラー"));
    return rowSaved && !written;
}

bool InstallNewVersionUp(const QString& programDir) {
    const QString fresh = programDir + QStringLiteral("/VXMOXVerUp.new");
    const QString installed = programDir + QStringLiteral("/VXMOXVerUp");
    if (!CheckFile(fresh) || !CheckFile(installed)) return false;
    if (Failure f = platform::PlaceFileAtomically(fresh, installed)) {
        f.file = fresh;
        platform::MsgBox(FailureText(f.As(Doing::ReplaceVersionUp)), 16, QStringLiteral("エラー"));
        return false;
    }
    return true;
}

bool StartVersionUp(const QString& programDir) {
    const QString program = programDir + QStringLiteral("/VXMOXVerUp");
    const QFileInfo file(program);
    QString reason;
    if (!file.isFile()) {
        reason = QStringLiteral("ファイルが見つかりません。");
    } else {
        QProcess process;
        process.setProgram(program);
        process.setArguments({});
        process.setWorkingDirectory(programDir);
        if (process.startDetached()) return true;
        reason = file.isExecutable() ? QStringLiteral("プログラムを実行できません。")
                                     : QStringLiteral("ファイルに実行の許可がありません。");
    }
    platform::MsgBox(QStringLiteral("バージョンアップ プログラム(VXMOXVerUp)を起動できませんでした。") + kCrLf2 +
                         program + kCrLf2 + reason,
                     16, QStringLiteral("起動エラー"));
    return false;
}

void SetVersionUpEnd(VersionUpEnd end) { EndFunction() = std::move(end); }

void EndForVersionUp() {
    if (const VersionUpEnd end = EndFunction()) {
        end();
        return;
    }
    QCoreApplication::exit(0);
}

}  // namespace mox
