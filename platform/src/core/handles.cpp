// The kernel handle table. Handles are small multiples of 4 as on Windows,
// never reused while open, and never equal to INVALID_HANDLE_VALUE.
#include "sim.h"
#include "handle_table.h"

namespace winsim::detail {
namespace {
HandleTable<KernelObject>& table() {
    static auto* t = new HandleTable<KernelObject>(0x100, 4);  // lives until exit; handles may close during teardown
    return *t;
}
}  // namespace

HANDLE addHandle(std::shared_ptr<KernelObject> object) { return table().add(std::move(object)); }

std::shared_ptr<KernelObject> lookupHandle(HANDLE h) { return table().find(h); }

bool removeHandle(HANDLE h) { return table().remove(h) != nullptr; }

size_t openHandleCount() { return table().size(); }

}  // namespace winsim::detail
