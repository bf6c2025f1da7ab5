#include "converter/converter_start.h"

int main(int argc, char** argv) { return mox::convert::RunMoxConvert(argc, argv); }
