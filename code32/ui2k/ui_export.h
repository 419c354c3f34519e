// Linkage of the library's entry points: C names, default visibility (the
// version script then picks exactly the listed ones).
#pragma once
#define VESK_UI_EXPORT extern "C" __attribute__((visibility("default")))
