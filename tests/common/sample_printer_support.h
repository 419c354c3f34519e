// The printer of the services fixture with the sample model as its data
// file and an empty model list, as in a new process.
#pragma once
#include "common/model_support.h"
#include "common/services_support.h"
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
};

}  // namespace vesk::test
