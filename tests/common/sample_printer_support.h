// The printer of the services fixture with the sample model as its data
// file and an empty model list, as in a new process.
#pragma once
#include "common/model_support.h"
#include "common/services_support.h"
#include "core/context_cache.h"
#include "core/model/cache.h"

namespace vesk::test {

class SamplePrinter : public PrinterMachine {
protected:
    void SetUp() override {
        PrinterMachine::SetUp();
        MdlCacheFreeAll();
        write(kDriverDir + u"VESKMFP1.VMD", readFile(sampleModel()));
    }
    void TearDown() override {
        contexts_.clear();
        PrinterMachine::TearDown();
        MdlCacheFreeAll();
    }
    // A new context of kind 0 (none from the context cache), freed with the test.
    DrvContext* open() {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        if (c) contexts_.emplace_back(c);
        return c;
    }
};

}  // namespace vesk::test
