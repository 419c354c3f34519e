// One machine with a printer of the sample model for a benchmark program,
// and fresh ordinary contexts of it.
#pragma once
#include <win/windows.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "common/sample_printer.h"
#include "core/context.h"
#include "core/context_cache.h"

namespace vesk::bench {

struct BenchPrinter {
    std::unique_ptr<winsim::TempMachine> machine = std::make_unique<winsim::TempMachine>();
    HANDLE handle = nullptr;

    explicit BenchPrinter(const std::u16string& name) {
        if (!test::addSamplePrinter(name, &handle)) std::abort();
    }
    // A context of kind 0 made afresh (the cache emptied first).
    DrvContext* open() {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(handle, handle, nullptr, 0, 0, 0, nullptr);
        if (!c || !c->devmode) std::abort();
        return c;
    }
};

}  // namespace vesk::bench
