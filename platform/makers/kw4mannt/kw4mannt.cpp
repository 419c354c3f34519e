// The maker's bidirectional monitor library. The driver loads it at every
// query, fills the operation table through MarenInitializeBidiApiW, opens the
// printer by name, asks, closes and unloads it again.
//
// The device behind a printer is the device description (device_file.h) that
// the machine setting "kw4mannt.device.PRINTER" names for that printer, else
// "kw4mannt.device" for every printer: a host path or a drive path of the
// machine. Without one the device is unreachable (open fails with
// ERROR_NOT_READY); a description that cannot be read makes open fail with
// ERROR_BAD_FORMAT.
//
// Every entry is recorded in the stand-in's journal ("BidiOpen", "BidiClose",
// "BidiBeginRequest", "BidiBeginGroup", "BidiModelName", "BidiQuery",
// "BidiGroupQuery"), and failure injection (failCall) works on those names
// as the description's fail lines do. A close of a handle that is not open
// fails with ERROR_INVALID_HANDLE and is journalled as "BidiCloseUnknown".
#include <makers/kw4mannt.h>
#include <win/system.h>
#include <winsim/winsim.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "core/sim.h"
#include "device_file.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

using namespace kw4mannt;

namespace {

constexpr DWORD ERROR_BAD_FORMAT = 11;
constexpr DWORD ERROR_NOT_READY = 21;

struct Session {
    Device device;
};
// Requests and groups belong to their session and go with it.
struct Sub {
    Session* session;
};

std::mutex g_lock;
std::set<Session*>& sessions() {
    static std::set<Session*> s;
    return s;
}
std::set<Sub*>& subs() {
    static std::set<Sub*> s;
    return s;
}

Session* liveSession(HANDLE h) {
    std::lock_guard g(g_lock);
    auto* s = static_cast<Session*>(h);
    return sessions().count(s) ? s : nullptr;
}
Session* liveSub(HANDLE h) {
    std::lock_guard g(g_lock);
    auto* s = static_cast<Sub*>(h);
    return subs().count(s) ? s->session : nullptr;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The description named for `printer`, else the machine-wide one.
std::optional<std::string> devicePath(const std::string& printer) {
    const std::string key = "kw4mannt.device." + printer;
    for (const auto& [k, v] : winsim::config().extra)
        if (equalNoCase(k, key)) return v;
    return winsim::config().get("kw4mannt.device");
}

// A fault of the description: sets its error. True when the call fails.
bool faulted(const Session* s, const char* entry, std::optional<DWORD> kind = std::nullopt, bool sizeCall = false) {
    const Fault* f = s ? FindFault(s->device, entry, kind, sizeCall) : nullptr;
    if (f) SetLastError(f->error);
    return f != nullptr;
}

HANDLE newSub(Session* s) {
    auto* sub = new (std::nothrow) Sub{s};
    if (!sub) return nullptr;
    try {
        std::lock_guard g(g_lock);
        subs().insert(sub);
    } catch (const std::bad_alloc&) {
        delete sub;
        return nullptr;
    }
    return sub;
}

// Copies an answer out under the rules of the table's header: sizes always
// reported, a short buffer refused.
enum class Copy { Size, Done, Short };
Copy copyAnswer(const void* data, DWORD bytes, void* buffer, DWORD size, DWORD* needed) {
    *needed = bytes;
    if (!buffer) return Copy::Size;
    if (size < bytes) return Copy::Short;
    if (bytes) std::memcpy(buffer, data, bytes);
    return Copy::Done;
}

BOOL WINAPI bidiOpen(LPCWSTR printer, HANDLE* handle, BOOL* ok) {
    const std::u16string name = printer ? std::u16string(printer) : std::u16string();
    if (winsim::detail::enter("BidiOpen", winsim::toUtf8(name))) return FALSE;
    if (!printer || !handle || !ok) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    *handle = nullptr;
    *ok = FALSE;
    auto path = devicePath(winsim::toUtf8(name));
    if (!path || path->empty()) return SetLastError(ERROR_NOT_READY), FALSE;
    std::string why;
    auto device = LoadDevice(*path, &why);
    if (!device) return SetLastError(ERROR_BAD_FORMAT), FALSE;
    if (!device->reachable) return SetLastError(ERROR_NOT_READY), FALSE;
    if (const Fault* f = FindFault(*device, "open", std::nullopt, false)) return SetLastError(f->error), FALSE;
    auto* s = new (std::nothrow) Session{std::move(*device)};
    if (!s) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), FALSE;
    try {
        std::lock_guard g(g_lock);
        sessions().insert(s);
    } catch (const std::bad_alloc&) {
        delete s;
        return SetLastError(ERROR_NOT_ENOUGH_MEMORY), FALSE;
    }
    *handle = s;
    *ok = s->device.ok ? TRUE : FALSE;
    return TRUE;
}

BOOL WINAPI bidiClose(HANDLE handle) {
    if (winsim::detail::enter("BidiClose")) return FALSE;
    Session* s = liveSession(handle);
    if (!s) {
        winsim::detail::enter("BidiCloseUnknown");
        return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    }
    const bool fails = faulted(s, "close");
    {
        std::lock_guard g(g_lock);
        sessions().erase(s);
        for (auto it = subs().begin(); it != subs().end();) {
            if ((*it)->session == s) {
                delete *it;
                it = subs().erase(it);
            } else {
                ++it;
            }
        }
    }
    delete s;
    return fails ? FALSE : TRUE;
}

// Slots 2 and 3: a fault with last error 102 still begins.
BOOL begin(Session* s, const char* entry, HANDLE* out) {
    if (!s || !out) return SetLastError(s ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE), FALSE;
    *out = nullptr;
    const bool fails = faulted(s, entry);
    const DWORD error = GetLastError();
    if (fails && error != 102) return FALSE;
    *out = newSub(s);
    if (!*out) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), FALSE;
    if (fails) return SetLastError(error), FALSE;
    return TRUE;
}

BOOL WINAPI bidiBeginRequest(HANDLE handle, HANDLE* request, DWORD mask, DWORD* value) {
    if (winsim::detail::enter("BidiBeginRequest", std::to_string(mask))) return FALSE;
    if (value) *value = 0;
    return begin(liveSession(handle), "request", request);
}

BOOL WINAPI bidiBeginGroup(HANDLE request, HANDLE* group, DWORD groupId, DWORD one) {
    if (winsim::detail::enter("BidiBeginGroup", std::to_string(groupId))) return FALSE;
    if (groupId != maker::kBidiGroup || one != 1) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    return begin(liveSub(request), "group", group);
}

BOOL WINAPI bidiModelName(HANDLE handle, DWORD, LPWSTR buffer, DWORD chars) {
    if (winsim::detail::enter("BidiModelName")) return FALSE;
    Session* s = liveSession(handle);
    if (!s) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    if (!buffer || chars == 0) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    if (faulted(s, "model")) return FALSE;
    if (!s->device.model) return SetLastError(ERROR_NOT_SUPPORTED), FALSE;
    const std::u16string& m = *s->device.model;
    const size_t n = std::min<size_t>(m.size(), chars - 1);
    std::copy(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    buffer[n] = 0;
    return TRUE;
}

BOOL WINAPI bidiUnused() { return SetLastError(ERROR_CALL_NOT_IMPLEMENTED), FALSE; }

LONG WINAPI bidiQuery(HANDLE request, DWORD kind, void* buffer, DWORD size, DWORD* needed) {
    const LONG failure = kind == maker::kBidiKindMemory ? -1 : 0;
    if (winsim::detail::enter("BidiQuery", std::to_string(kind))) return failure;
    Session* s = liveSub(request);
    if (!s) return SetLastError(ERROR_INVALID_HANDLE), failure;
    if (!needed) return SetLastError(ERROR_INVALID_PARAMETER), failure;
    *needed = 0;
    const Device& d = s->device;
    std::vector<uint8_t> bytes;
    LONG success = 1;
    if (auto l = d.lists.find(kind); l != d.lists.end()) {
        for (uint32_t v : l->second)
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        success = static_cast<LONG>(l->second.size());
    } else if (kind == maker::kBidiKindMemory && d.memory) {
        bytes = *d.memory;
        success = static_cast<LONG>(bytes.size());
    } else if (auto b = d.blobs.find(kind); b != d.blobs.end() && kind < kGroupBlobBase) {
        bytes.assign(b->second.begin(), b->second.end());
        bytes.push_back(0);
    } else {
        return SetLastError(ERROR_NOT_SUPPORTED), failure;
    }
    const Copy c = copyAnswer(bytes.data(), static_cast<DWORD>(bytes.size()), buffer, size, needed);
    if (faulted(s, "query", kind, c == Copy::Size)) return failure;
    if (c == Copy::Short) return SetLastError(ERROR_INSUFFICIENT_BUFFER), failure;
    return c == Copy::Size ? 1 : success;
}

LONG WINAPI bidiGroupQuery(HANDLE group, DWORD groupId, DWORD subkind, void* buffer, DWORD size, DWORD* needed) {
    if (winsim::detail::enter("BidiGroupQuery", std::to_string(subkind))) return 0;
    Session* s = liveSub(group);
    if (!s) return SetLastError(ERROR_INVALID_HANDLE), 0;
    if (!needed || groupId != maker::kBidiGroup) return SetLastError(ERROR_INVALID_PARAMETER), 0;
    *needed = 0;
    const Device& d = s->device;
    std::vector<uint8_t> bytes;
    if (subkind == maker::kBidiSubMemoryKind && d.memoryKind) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(*d.memoryKind >> (8 * i)));
    } else if (auto b = d.blobs.find(kGroupBlobBase + subkind); b != d.blobs.end()) {
        bytes.assign(b->second.begin(), b->second.end());
        bytes.push_back(0);
    } else {
        return SetLastError(ERROR_NOT_SUPPORTED), 0;
    }
    const Copy c = copyAnswer(bytes.data(), static_cast<DWORD>(bytes.size()), buffer, size, needed);
    if (faulted(s, "groupquery", subkind, c == Copy::Size)) return 0;
    if (c == Copy::Short) return SetLastError(ERROR_INSUFFICIENT_BUFFER), 0;
    return 1;
}

}  // namespace

EXPORT BOOL MarenInitializeBidiApiW(maker::BidiApiTable* table) {
    if (winsim::detail::enter("MarenInitializeBidiApiW")) return FALSE;
    if (!table) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
    table->reserved[0] = maker::kBidiTableVersion;
    table->reserved[1] = maker::kBidiSlotCount;
    table->open = bidiOpen;
    table->close = bidiClose;
    table->beginRequest = bidiBeginRequest;
    table->beginGroup = bidiBeginGroup;
    table->modelName = bidiModelName;
    table->unused = bidiUnused;
    table->query = bidiQuery;
    table->groupQuery = bidiGroupQuery;
    return TRUE;
}
