// The sample printer with the driver set's resource modules in its driver
// directory.
#pragma once
#include <winsim/ui.h>
#include <winsim/window.h>

#include "common/sample_printer_support.h"

namespace vesk::test {

class ResourcePrinter : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        for (const char* f : {"VESKR1us.DLL", "VESKR1jp.DLL", "VESKR1gm.DLL", "VESKC1XX.DLL"}) installResource(f);
        winsim::clearMessageBoxes();
    }
    void TearDown() override {
        SamplePrinter::TearDown();
        winsim::resetWindows();
    }
    void installResource(const char* file) {
        write(kDriverDir + winsim::fromUtf8(file), readFile(std::filesystem::path(VESK_RES_DIR) / file));
    }
    void removeResource(const char* file) {
        std::filesystem::remove(*winsim::hostPath(kDriverDir + winsim::fromUtf8(file)));
    }
};

}  // namespace vesk::test
