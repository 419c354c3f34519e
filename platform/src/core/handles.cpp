// The kernel handle table. Handles are small multiples of 4 as on Windows,
// never reused while open, and never equal to INVALID_HANDLE_VALUE.
#include "sim.h"

#include <unordered_map>

namespace winsim::detail {
namespace {
struct Table {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = 0x100;
};
Table& table() {
    static Table* t = new Table;  // lives until exit; handles may close during teardown
    return *t;
}
}  // namespace

HANDLE addHandle(std::shared_ptr<KernelObject> object) {
    auto& t = table();
    std::lock_guard g(t.lock);
    uintptr_t id = t.next;
    t.next += 4;
    t.objects.emplace(id, std::move(object));
    return reinterpret_cast<HANDLE>(id);
}

std::shared_ptr<KernelObject> lookupHandle(HANDLE h) {
    auto& t = table();
    std::lock_guard g(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    return it == t.objects.end() ? nullptr : it->second;
}

bool removeHandle(HANDLE h) {
    std::shared_ptr<KernelObject> victim;  // destroyed outside the lock
    auto& t = table();
    {
        std::lock_guard g(t.lock);
        auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
        if (it == t.objects.end()) return false;
        victim = std::move(it->second);
        t.objects.erase(it);
    }
    return true;
}

size_t openHandleCount() {
    auto& t = table();
    std::lock_guard g(t.lock);
    return t.objects.size();
}

}  // namespace winsim::detail
