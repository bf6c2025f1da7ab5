#pragma once
// The sample cases 98 and 99 are brought up to date with the template when
// "UpdateSample.txt" lies in the program folder. The template's rows are read
// first; the main database's samples are then replaced in one transaction, and
// the marker is removed only after that transaction committed, so a refresh
// that fails leaves the samples as they were and runs again at the next start.

namespace mox {

void RefreshSamplePatients();

}  // namespace mox
