// Imports the input as a settings file into a context of kind 0 (a printer
// whose driver set carries the sample model). The first byte chooses the
// import flags; the rest is the file, after the printer's section header
// when the byte's bit 7 is set (so that the items are reached, not only the
// section search). After every import the context's DEVMODE must still be
// this driver's and the workspace must carry the printer's own name again;
// the sanitizers see any read or write past a buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <win/files.h>
#include <winsim/ui.h>
#include <winsim/winsim.h>

#include "common/sample_printer.h"
#include "core/context.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/persist/settings_file.h"

using namespace vesk;

namespace {

const WCHAR kPath[] = u"C:\\fuzz.rst";

struct Fixture {
    std::unique_ptr<winsim::TempMachine> machine;
    HANDLE printer = nullptr;
    DrvContext* ctx = nullptr;
    std::vector<BYTE> defaults;
};

bool setUp(Fixture& x) {
    x.machine = std::make_unique<winsim::TempMachine>();
    if (!test::addSamplePrinter(u"Fuzz", &x.printer)) return false;
    x.ctx = CtxCreateEx(x.printer, x.printer, nullptr, 0, 0, 0, nullptr);
    if (!x.ctx || !x.ctx->model || !x.ctx->devmode) return false;
    x.defaults.assign(x.ctx->devmode, x.ctx->devmode + dmSizes().stateSize);
    return true;
}

Fixture& fixture() {
    static Fixture f;
    static const bool ready = setUp(f);
    if (!ready) std::abort();
    return f;
}

void check(bool ok) {
    if (!ok) std::abort();
}

bool writeFile(const std::string& bytes) {
    HANDLE h = CreateFileW(kPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
    return ok && done == bytes.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = fixture();
    DrvContext* ctx = f.ctx;
    if (size == 0) return 0;
    std::memcpy(ctx->devmode, f.defaults.data(), dmSizes().stateSize);
    static const uint32_t flags[] = {kStRead,
                                     kStRead | kStNoMessage,
                                     kStRead | kStPresetDevice | kStImportDriverSection,
                                     kStRead | kStQuality,
                                     kStRead | kStStamp,
                                     kStRead | kStFreeSize,
                                     kStRead | kStDeviceInfo,
                                     kStRead | kStAboveFive | kStNoMessage};
    const uint8_t head = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (head & 0x80) text = "[Fuzz]\r\n" + text;
    if (!writeFile(text)) return 0;
    winsim::clearMessageBoxes();
    SettingsImport(f.printer, kPath, flags[head & 7], ctx);
    check(DmIsOwnDevmode(ctx, ctx->devmode, dmSizes().totalSize) == 1);
    check(std::u16string(ctx->ws->printerName) == u"Fuzz");
    return 0;
}
