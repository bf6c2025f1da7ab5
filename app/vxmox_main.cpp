#include "core/ui/startup.h"

int main(int argc, char** argv) { return mox::RunVxmox(argc, argv); }
