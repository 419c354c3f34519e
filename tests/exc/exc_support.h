// The sample printer with job control, opened through Exc handles.
#pragma once
#include <winsim/memory.h>
#include <winsim/modules.h>
#include <winsim/spooler.h>

#include "common/jc_seed.h"
#include "common/jobctl_support.h"
#include "core/model/cache.h"
#include "exc_handle.h"

namespace vesk::test {

class ExcPrinter : public JobControlPrinter {
protected:
    static ExcContext* handle(void* h) { return static_cast<ExcContext*>(h); }
    // Live blocks, open printers and loaded libraries, for leak checks.
    struct Counts {
        size_t blocks, printers, modules;
        bool operator==(const Counts&) const = default;
    };
    // The compiled models stay cached for the process until the library's
    // detach frees them, so they are freed first.
    static Counts counts() {
        MdlCacheFreeAll();
        return {winsim::liveGlobalBlocks(), winsim::openPrinterHandles(), winsim::loadedModules().size()};
    }
};

}  // namespace vesk::test
