// A module without DllMain: a function and a data export.
#define EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
__attribute__((visibility("default"))) int ModNoMainData = 42;
}
EXPORT int ModNoMainValue() { return 7; }
