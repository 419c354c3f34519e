// The shared opening of the option-constraint library's fuzz targets: a
// temporary machine with printer "Fuzz" of the sample model and one handle
// of it, made on the first input and kept for the whole run.
#pragma once
#include <cstdlib>
#include <memory>

#include <winsim/winsim.h>

#include "common/sample_printer.h"

namespace vesk::fuzz {

// The handle `open` gives for the printer; each target names its opener
// once, so the fixture is made once. A failed step stops the run.
template <class Open>
void* SamplePrinterHandle(Open open) {
    struct Fixture {
        std::unique_ptr<winsim::TempMachine> machine;
        HANDLE printer = nullptr;
        void* handle = nullptr;
    };
    static Fixture f;
    static const bool ready = [&] {
        f.machine = std::make_unique<winsim::TempMachine>();
        if (!test::addSamplePrinter(u"Fuzz", &f.printer)) return false;
        f.handle = open("Fuzz");
        return f.handle != nullptr;
    }();
    if (!ready) std::abort();
    return f.handle;
}

}  // namespace vesk::fuzz
