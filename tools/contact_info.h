#pragma once
// The clinic's contact data for the version-up report, and the start of the
// version-up program.
//
// The data live in TImage row 0 (ImgPath1..3) and in Info.txt in the
// program folder, which the version-up program sends with its result
// report: code page 932 with CR LF, three lines whose labels are 14 bytes
// before the full-width colon. Info.txt is written whole through a
// temporary file and a rename. A value that code page 932 cannot hold is
// refused before anything is written, because the report would carry "?"
// in its place.
//
// The version-up program cannot replace its own file while it runs; it
// leaves its new version as VXMOXVerUp.new, which the main program puts in
// place in one rename (the old file stays until the new one has its name,
// and keeps its mode, so the program stays executable).

#include <QString>
#include <functional>

namespace mox {

inline constexpr int kContactFieldLength = 200;

struct ContactInfo {
    QString clinic;  // 所属医療機関名、または、医院名
    QString tanto;   // 担当者名
    QString mail;    // 担当者のE-mail
    bool operator==(const ContactInfo&) const = default;
};

// Row 0 of TImage (after CheckTable); empty texts when there is none or
// the main database does not open.
ContactInfo ReadContactInfo();

// The bytes of Info.txt for the data (code page 932, CR LF); false in
// `complete` when a character had no code.
QByteArray InfoTextBytes(const ContactInfo& info, bool* complete = nullptr);

// Stores the data: checks every value (code page 932, length), then row 0
// of TImage (added when missing), then Info.txt. Every refusal and failure
// is shown, naming the field or the file. True when both were written.
bool SaveContactInfo(const ContactInfo& info);

// VXMOXVerUp.new over VXMOXVerUp in one rename, when both exist; a failure
// is shown. True when the new file was put in place.
bool InstallNewVersionUp(const QString& programDir);

// Starts VXMOXVerUp of the program folder, detached and without arguments.
// False, with a message, when it is missing or cannot be started.
bool StartVersionUp(const QString& programDir);

// How the main program ends once the version-up program runs: at once, with
// exit code 0, and without the end of a run (no backup question, no
// compaction). Tests install a recorder; empty restores the default.
using VersionUpEnd = std::function<void()>;
void SetVersionUpEnd(VersionUpEnd end);
void EndForVersionUp();

}  // namespace mox
