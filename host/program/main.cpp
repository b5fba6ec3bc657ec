// agsi-host: our simulator host, driving the peripheral plug-ins with a Lua
// stimulus script headless or with a main window.
#include "host_session.h"

int main(int argc, char** argv) { return agsi::host::program::RunHost(argc, argv); }
