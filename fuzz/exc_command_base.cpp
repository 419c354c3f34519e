// Feeds the input to an Exc handle of a printer with the sample model: the
// first byte chooses how it is cut, the rest is a command base and, after a
// cut, update lines. Whatever the text, a stored base or change text must be
// NUL-terminated at its recorded length, a stored base must read back line
// by line, and the handle must answer its getters; the sanitizers see any
// read or write past a buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands/exc_api.h"
#include "commands/set_line.h"
#include "exc_handle.h"
#include "exc_fixture.h"

using namespace vesk;

namespace {

void* handle() {
    return fuzz::SamplePrinterHandle([](const char* name) { return ExcGetExclusive(name); });
}

void check(bool ok) {
    if (!ok) std::abort();
}

void checkText(const char* text, int32_t length) {
    if (!text) return check(length == 0);
    check(length >= 1 && std::strlen(text) == static_cast<size_t>(length - 1));
}

void checkHandle(void* h) {
    const auto* e = static_cast<ExcContext*>(h);
    checkText(e->base, e->baseLength);
    checkText(e->change, e->changeLength);
    // A stored base is made of lines the reader takes.
    char name[kExcTokenBytes], value[kExcTokenBytes];
    for (const char* p = e->base; p && *p;) {
        const int used = ExcParseSetLine(p, name, value);
        check(used > 0);
        p += used;
    }
    char b[64];
    int32_t need = 0;
    check(ExcGetCommandBase(h, sizeof b, b, &need) >= 0);
    check(ExcGetCommandValue(h, "TRAY", 1, sizeof b, b, &need) >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    void* const h = handle();
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    // Bits 0-6 of the first byte: where the base ends (in eighths of the
    // rest); the remaining text goes as updates, a line at a time.
    const size_t cut = (data[0] & 0x7F) >= 8 ? text.size() : text.size() * (data[0] & 7) / 8;
    const std::string base = text.substr(0, cut);
    int32_t changeLength = -1;
    const int32_t r = ExcSetCommandBase(h, base.c_str(), &changeLength);
    check(r >= -2 && r <= 1);
    checkHandle(h);
    for (size_t at = cut; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
        at = end == std::string::npos ? text.size() : end + 1;
        const int32_t u = ExcUpdateCommand(h, line.c_str(), &changeLength);
        check(u >= -1 && u <= 1);
        checkHandle(h);
    }
    return 0;
}
