#pragma once
// How the C library keeps the memory a program frees.

namespace mox::platform {

// By default glibc hands a large block (a decoded picture, a whole result
// set) back to the system as soon as it is freed and maps it again for the
// next one; a screen that reads and draws the same sizes again and again
// then spends its time in the kernel. Called once at start, before the first
// large block: freed memory stays in the process for the next request.
void KeepFreedMemoryForReuse();

}  // namespace mox::platform
