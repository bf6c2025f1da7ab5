#include "app/vxmox_parts.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    mox::InstallVxmoxParts();
    return mox::RunVxmox(argc, argv);
}
