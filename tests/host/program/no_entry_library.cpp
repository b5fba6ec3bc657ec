// A shared library that is no plug-in: it exports a function, but no
// AgsiEntry.
extern "C" __attribute__((visibility("default"))) int SomethingElse() { return 42; }
