#include "app/vxmox_parts.h"
#include "platform/heap.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    mox::platform::KeepFreedMemoryForReuse();
    mox::InstallVxmoxParts();
    return mox::RunVxmox(argc, argv);
}
