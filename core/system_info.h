#pragma once
// What the programs ask of the operating system.

#include <QString>

namespace mox {

// The Windows version name the callers branch on. Linux has no counterpart;
// the answer is always "7", the newest name the callers know.
QString GetWindowsVersion();
// This computer's host name.
QString GetMachineName();

}  // namespace mox
