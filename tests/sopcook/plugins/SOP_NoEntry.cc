// A module without the plug-in entry points: the loader must refuse it.
extern "C" int notAPlugin() { return 42; }
