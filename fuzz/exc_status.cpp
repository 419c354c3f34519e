// Feeds random records to the status calls of a versioned-API handle on a
// printer with the sample model: byte 0 chooses the item (0-37), byte 1 the
// mode or requested version, byte 2 Set or Get and
// whether a bitmap is given; the rest is the record. Each
// record lies in a block of exactly the size the item and its version imply,
// so the sanitizers see any read or write outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "api/api_handle.h"
#include "status/status_engine.h"
#include "status/status_records.h"
#include "exc_fixture.h"

using namespace vesk;

namespace {

void* handle() {
    return fuzz::SamplePrinterHandle([](const char* name) { return VESKDrvEnable(name); });
}

// The bytes a Set reads: the row's version bounds a newer record.
size_t setSize(uint32_t id, const uint8_t* data, size_t size) {
    // The version word as the record holds it (missing bytes are 0).
    BYTE head[4] = {};
    std::memcpy(head, data, size < 4 ? size : 4);
    uint32_t version = RecU32(head, 0);
    const DrvApiItem* row = StatusRowById(id);
    if (row && version > row->version) version = row->version;
    return StatusSetRecordSize(id, version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    void* const h = handle();
    const uint32_t id = data[0] % 38;
    const uint32_t modeOrVersion = data[1] % 5;
    const bool isSet = data[2] & 1, withBitmap = data[2] & 2;
    data += 3;
    size -= 3;
    if (isSet) {
        const size_t need = setSize(id, data, size);
        std::unique_ptr<uint8_t[]> record(new uint8_t[need]());
        std::memcpy(record.get(), data, size < need ? size : need);
        uint8_t bitmap[kStatusBitmapBytes];
        VESKDrvSetStatus(h, id, record.get(), withBitmap ? bitmap : nullptr,
                         static_cast<int32_t>(modeOrVersion));
        return 0;
    }
    const int32_t need = VESKDrvGetStatus(h, id, nullptr, modeOrVersion);
    if (need <= 0) return 0;
    std::unique_ptr<uint8_t[]> record(new uint8_t[static_cast<size_t>(need)]());
    std::memcpy(record.get(), data, size < static_cast<size_t>(need) ? size : static_cast<size_t>(need));
    const int32_t got = VESKDrvGetStatus(h, id, record.get(), modeOrVersion);
    if (got > need) std::abort();
    return 0;
}
