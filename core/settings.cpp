#include "core/settings.h"

namespace mox {

Settings& G() {
    static Settings settings;
    return settings;
}

}  // namespace mox
