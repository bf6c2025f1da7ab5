#include "app/vxmox_parts.h"
#include "core/ui/startup.h"

int main(int argc, char** argv) {
    mox::InstallVxmoxParts();
    return mox::RunVxmox(argc, argv);
}
