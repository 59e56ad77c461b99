// A library with no entry point at all (linked without one): no plugin, whatever its name.
extern const int kNoEntryPoint = 1;
