// Setting the command base, updating one command and handing out the texts.
#include <cstring>

#include "commands/command_base.h"
#include "commands/exc_api.h"
#include "commands/set_line.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

// Hands out `length` bytes of `text` under the buffer protocol.
int32_t handOut(const char* text, int32_t length, int32_t size, char* buffer, int32_t* needed) {
    if (needed) *needed = length;
    if (length <= 0) return 0;
    if (!buffer || size < length) return 1;
    std::memcpy(buffer, text, static_cast<size_t>(length));
    return 0;
}

}  // namespace
}  // namespace vesk

using namespace vesk;

int32_t WINAPI ExcSetCommandBase(void* handle, const char* text, int32_t* changeLength) {
    auto* h = static_cast<ExcContext*>(handle);
    if (!h) return -1;
    if (changeLength) *changeLength = 0;
    if (ExcResetHandle(h, 1) != 0) return -1;
    if (!text) return -2;
    char name[kExcTokenBytes], value[kExcTokenBytes];
    for (const char* p = text;;) {
        const int used = ExcParseSetLine(p, name, value);
        if (used < 0) return -1;
        if (used == 0) break;
        p += used;
        if (const ExcCommandEntry* row = ExcFindCommandByName(h, name, kExcJob | kExcPrinterOption))
            ExcApplyCommand(h, row, name, value, 0);
    }
    if (ExcHasRequiredCommands(h) != 0) {
        ExcResetHandle(h, 1);
        return -2;
    }
    const size_t n = std::strlen(text) + 1;
    if (n > 0x7FFFFFFF) return -1;
    h->base = static_cast<char*>(MemAllocZero(n));
    if (!h->base) return -1;
    std::memcpy(h->base, text, n);
    h->baseLength = static_cast<int32_t>(n);
    const int r = ExcResolve(h, ExcUpdateLine{nullptr, nullptr}, 0);
    if (changeLength) *changeLength = h->changeLength;
    return r;
}

int32_t WINAPI ExcUpdateCommand(void* handle, const char* line, int32_t* changeLength) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h) return -1;
    if (!line) return 0;
    if (changeLength) *changeLength = 0;
    MemFree(h->change);
    h->change = nullptr;
    h->changeLength = 0;
    char name[kExcTokenBytes], value[kExcTokenBytes];
    const int used = ExcParseSetLine(line, name, value);
    if (used < 0) return -1;
    if (used == 0) return 0;
    const ExcCommandEntry* row = ExcFindCommandByName(h, name, kExcJob);
    if (!row || !ExcCommandIsEnabled(h, row)) return 0;
    const int mode = ExcApplyCommand(h, row, name, value, 1);
    const int r = ExcResolve(h, ExcUpdateLine{name, value}, mode);
    if (changeLength) *changeLength = h->changeLength;
    return r;
}

int32_t WINAPI ExcGetCommandChange(void* handle, int32_t size, char* buffer, int32_t* needed) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h) return -1;
    const int32_t r = handOut(h->change, h->change ? h->changeLength : 0, size, buffer, needed);
    if (r == 0) {
        MemFree(h->change);
        h->change = nullptr;
        h->changeLength = 0;
    }
    return r;
}

int32_t WINAPI ExcGetCommandBase(void* handle, int32_t size, char* buffer, int32_t* needed) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h) return -1;
    return handOut(h->base, h->base ? h->baseLength : 0, size, buffer, needed);
}
