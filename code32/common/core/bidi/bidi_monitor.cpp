#include "core/bidi/bidi_monitor.h"

#include <win/modules.h>
#include <win/system.h>

#include <cstring>

#include "core/bidi/bidi.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr WCHAR kLibraryNt[] = u"kw4manNT.dll";
constexpr WCHAR kLibrary9x[] = u"kwoman32.dll";
// The library's "already begun" answer and its access answer with a size.
constexpr DWORD kAlreadyBegun = 102;
constexpr DWORD kAccessWithSize = 5;

bool isListKind(DWORD kind) {
    using namespace maker;
    return kind == kBidiKindTrays || kind == kBidiKindOptions || kind == kBidiKindTrayPaper ||
           kind == kBidiKindTrayMedia || kind == kBidiKindTrayStatus;
}

}  // namespace

BidiAnswer::~BidiAnswer() { MemFree(data_); }

bool BidiAnswer::allocate(DWORD bytes, DWORD minBytes) {
    MemFree(data_);
    data_ = nullptr;
    bytes_ = 0;
    DWORD n = bytes > minBytes ? bytes : minBytes;
    n = (n + 3) & ~3u;
    capacity_ = n ? n : 4;
    data_ = static_cast<BYTE*>(MemAllocZero(capacity_));
    return data_ != nullptr;
}

DWORD BidiAnswer::entries() const {
    if (!data_ || result_ <= 0) return 0;
    const DWORD fit = bytes_ / 4;
    return static_cast<DWORD>(result_) < fit ? static_cast<DWORD>(result_) : fit;
}

uint32_t BidiAnswer::entry(DWORD i, uint32_t missing) const {
    if (!data_ || static_cast<uint64_t>(i) * 4 + 4 > bytes_) return missing;
    const BYTE* p = data_ + i * 4;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

BidiSession::BidiSession(DrvContext* ctx, uint32_t flags) {
    if (!ctx || !ctx->ws) return;
    const WCHAR* name = ((flags & kBidi9xName) && OsIsWin9x()) ? kLibrary9x : kLibraryNt;
    WCHAR path[kWsPathChars] = {};
    if (!BuildSystemDirPath(path, kWsPathChars, name) || !path[0]) return;
    library_ = LoadLibraryW(path);
    if (!library_) return;
    FARPROC entry = GetProcAddress(library_, maker::kBidiInitEntry);
    auto init = entry ? ProcAs<maker::MarenInitializeBidiApiWFn>(entry) : nullptr;
    if (!init || !init(&table_) || !table_.open) return;
    HANDLE h = nullptr;
    BOOL ok = FALSE;
    if (!table_.open(PrnGetPrinterName(ctx), &h, &ok)) h = nullptr;
    handle_ = h;
    ok_ = ok;
}

BidiSession::~BidiSession() {
    if (handle_ && table_.close) table_.close(handle_);
    if (library_) FreeLibrary(library_);
}

bool BidiSession::modelName(WCHAR* name) {
    if (!open() || !table_.modelName || !name) return false;
    std::memset(name, 0, maker::kBidiModelNameChars * sizeof(WCHAR));
    const BOOL r = table_.modelName(handle_, 0, name, maker::kBidiModelNameChars);
    name[maker::kBidiModelNameChars - 1] = 0;
    return r != FALSE;
}

bool BidiSession::beginRequest(DWORD mask) {
    if (!open() || !table_.beginRequest) return false;
    DWORD value = 0;
    HANDLE r = nullptr;
    const bool begun = table_.beginRequest(handle_, &r, mask, &value) || GetLastError() == kAlreadyBegun;
    request_ = r;
    return begun;
}

bool BidiSession::beginGroup() {
    if (!open() || !table_.beginGroup) return false;
    HANDLE g = nullptr;
    const bool begun = table_.beginGroup(request_, &g, maker::kBidiGroup, 1) || GetLastError() == kAlreadyBegun;
    group_ = g;
    return begun;
}

bool BidiSession::query(DWORD kind, BidiAnswer* answer, DWORD minBytes) {
    if (!open() || !table_.query || !answer) return false;
    const LONG failure = kind == maker::kBidiKindMemory ? -1 : 0;
    DWORD needed = 0;
    if (table_.query(request_, kind, nullptr, 0, &needed) == failure) return false;
    if (needed > kBidiMaxAnswerBytes || !answer->allocate(needed, minBytes)) return false;
    if (needed == 0) return true;
    DWORD again = 0;
    const LONG r = table_.query(request_, kind, answer->buffer(), needed, &again);
    if (r == failure || (isListKind(kind) && r < 0)) return false;
    DWORD got = needed;
    if (kind == maker::kBidiKindMemory && static_cast<DWORD>(r) < got) got = static_cast<DWORD>(r);
    answer->setAnswered(got, isListKind(kind) || kind == maker::kBidiKindMemory ? r : 1);
    return true;
}

bool BidiSession::groupQuery(DWORD subkind, BidiAnswer* answer, DWORD minBytes) {
    if (!open() || !table_.groupQuery || !answer) return false;
    DWORD needed = 0;
    if (!table_.groupQuery(group_, maker::kBidiGroup, subkind, nullptr, 0, &needed) &&
        !(GetLastError() == kAccessWithSize && needed > 0))
        return false;
    if (needed > kBidiMaxAnswerBytes || !answer->allocate(needed, minBytes)) return false;
    if (needed == 0) return true;
    DWORD again = 0;
    if (!table_.groupQuery(group_, maker::kBidiGroup, subkind, answer->buffer(), needed, &again))
        return false;
    answer->setAnswered(needed, 1);
    return true;
}

}  // namespace vesk
