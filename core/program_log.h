#pragma once
// Log_MOX.txt in the program folder is the record a support desk asks for:
// the version-up program writes its steps there, and every program the
// causes of failures that the user is told only in plain words or not at
// all (an engine's own text, a step the start-up takes silently). Every line
// is appended at once (the file opened and closed per line, so a killed
// program loses nothing), in UTF-8 with CR LF, and a file grown past 200 KiB
// is first kept as Log_MOX_yyyymmdd.txt.

#include "platform/failure.h"

#include <QString>

namespace mox {

inline constexpr qint64 kLogRotateAbove = 204800;

QString LogPath();
// Writes one line, stamped "yyyy/mm/dd hh:nn " when stampFlag is 1, after
// the rotation. Never fails the caller.
void WriteLog(const QString& text, int stampFlag);
// Leaves the log file existing and empty.
void ClearLog();
// Appends the line as it is (stamped when stampFlag is 1).
void AppendLog(const QString& line, int stampFlag);

// A stamped line naming what failed and the cause behind it.
void LogFailure(const QString& what, const QString& cause);
// What a box that tells `failure` leaves out (the engine's or the system's
// own words, the statement), under the words the box gave; nothing when the
// box said it all.
void LogFailure(const Failure& failure);

}  // namespace mox
