#include "screens/input/input_screen_hooks.h"

namespace mox {

InputScreenHooks& InputHooks() {
    static InputScreenHooks hooks;
    return hooks;
}

}  // namespace mox
