// Resources of loaded modules: FindResourceW / LoadResource / LockResource /
// SizeofResource over a VRES module, and LoadStringW on its string blocks.
#include <win/user.h>

#include <string>

#include "core/sim.h"
#include "user/resource_file.h"

using namespace winsim::detail;

namespace {

// What an HRSRC stands for: the entry of a module's file, kept alive with it.
struct ResourceRef {
    std::shared_ptr<const ResFile> file;
    const ResEntry* entry;
};

std::mutex g_lock;
std::vector<std::unique_ptr<ResourceRef>>& refs() {
    static auto* v = new std::vector<std::unique_ptr<ResourceRef>>;
    return *v;
}

// One HRSRC per entry and file version, so repeated lookups do not grow the
// table.
HRSRC refOf(std::shared_ptr<const ResFile> file, const ResEntry* e) {
    std::lock_guard g(g_lock);
    for (auto& r : refs())
        if (r->entry == e && r->file == file) return reinterpret_cast<HRSRC>(r.get());
    refs().push_back(std::make_unique<ResourceRef>(ResourceRef{std::move(file), e}));
    return reinterpret_cast<HRSRC>(refs().back().get());
}

const ResourceRef* deref(HRSRC h) {
    std::lock_guard g(g_lock);
    for (auto& r : refs())
        if (reinterpret_cast<HRSRC>(r.get()) == h) return r.get();
    return nullptr;
}

std::string idText(LPCWSTR p) {
    return IS_INTRESOURCE(p) ? std::to_string(reinterpret_cast<uintptr_t>(p)) : winsim::toUtf8(wstr(p));
}

}  // namespace

extern "C" {

WINBASEAPI HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (enter("FindResourceW", idText(type) + "/" + idText(name))) return nullptr;
    auto file = moduleResources(module);
    if (!file) return nullptr;
    // Named resources are not kept in our modules.
    if (!IS_INTRESOURCE(type) || !IS_INTRESOURCE(name)) {
        setError(IS_INTRESOURCE(type) ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    const auto t = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(type));
    const auto n = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name));
    const ResEntry* e = file->find(t, n);
    if (!e) {
        bool typeKnown = false;
        for (const auto& x : file->entries) typeKnown |= x.type == t;
        setError(typeKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return refOf(std::move(file), e);
}

WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
    if (enter("LoadResource")) return nullptr;
    const ResourceRef* r = deref(resource);
    if (!r) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return const_cast<uint8_t*>(r->file->data(*r->entry));
}

WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

WINBASEAPI DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
    const ResourceRef* r = deref(resource);
    if (!r) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    return r->entry->size;
}

WINBASEAPI int WINAPI LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int capacity) {
    if (enter("LoadStringW", std::to_string(id))) return 0;
    if (!buffer || capacity < 0) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto file = moduleResources(module);
    const ResEntry* e = file ? file->find(6, (id >> 4) + 1) : nullptr;
    // Walk the block's counted strings up to the one asked for.
    const WCHAR* text = nullptr;
    uint32_t len = 0;
    if (e) {
        const uint8_t* p = file->data(*e);
        uint64_t at = 0;
        for (uint32_t i = 0; i <= (id & 15); ++i) {
            if (at + 2 > e->size) break;
            const uint32_t n = uint32_t(p[at] | (p[at + 1] << 8));
            if (at + 2 + uint64_t(n) * 2 > e->size) break;
            if (i == (id & 15)) text = reinterpret_cast<const WCHAR*>(p + at + 2), len = n;
            at += 2 + uint64_t(n) * 2;
        }
    }
    if (!text || len == 0) {
        if (capacity > 0) buffer[0] = 0;
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    if (capacity == 0) {
        *reinterpret_cast<const WCHAR**>(buffer) = text;
        return static_cast<int>(len);
    }
    const uint32_t n = len < uint32_t(capacity - 1) ? len : uint32_t(capacity - 1);
    // Resource data need not be aligned for char16_t: copy bytewise.
    const uint8_t* b = reinterpret_cast<const uint8_t*>(text);
    for (uint32_t i = 0; i < n; ++i) buffer[i] = static_cast<WCHAR>(b[i * 2] | (b[i * 2 + 1] << 8));
    buffer[n] = 0;
    return static_cast<int>(n);
}

}  // extern "C"
