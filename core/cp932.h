#pragma once
// Windows code page 932 (Shift_JIS with Microsoft's extensions), the
// "ANSI" text of the Japanese Windows the update server's readers use: the
// result report goes there in it, and Info.txt arrives in it.

#include <QByteArray>
#include <QString>

namespace mox {

// The text in code page 932. A character the code page cannot hold becomes
// "?", and `complete` (when given) tells whether that happened.
QByteArray ToCp932(const QString& text, bool* complete = nullptr);
// The text of code-page-932 bytes. Bytes that are no character become
// U+FFFD one by one, so hostile or binary input never fails.
QString FromCp932(const QByteArray& bytes);

}  // namespace mox
