#pragma once
// Windows virtual-key codes of Qt keys: what a KeyDown handler of the
// program's forms and controls receives. Keys without a code give 0.

namespace mox::platform {

int VirtualKeyCode(int qtKey);

}  // namespace mox::platform
