#pragma once
// The numbered message box: a code selects text, caption, buttons and icon.
// Ranges: below 1000 confirmations, 1000s operation errors, 2000s database
// errors, 3000s compression, 4000s input/output, 9000s other errors, every
// other code undefined.

#include <QString>
#include <cstdint>
#include <functional>

namespace mox {

// Shows the box for `code` and returns the answer (1 OK, 2 Cancel).
int16_t ShowMessage(int16_t code);

// "\r [Message No.<code>]"
QString FormatMessageNo(int code);
// " [No.<code>]"
QString FormatNo(int code);

int16_t ShowConfirmMessage(int16_t code);
int16_t ShowOperationError(int16_t code);
int16_t ShowDatabaseError(int16_t code);
int16_t ShowCompactError(int16_t code);
int16_t ShowIoError(int16_t code);
int16_t ShowOtherError(int16_t code);
int16_t ShowUnknownError(int16_t code);

// Runs a window's event handler. An error it throws ends the handler, not
// the program: a database error or any other is shown in a box.
void RunGuarded(const std::function<void()>& handler);

}  // namespace mox
