// A table of open handles: numbers handed out from `first` in steps of
// `step`, never reused while the table lives, each naming a shared object.
#pragma once
#include <win/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace winsim::detail {

template <class T>
class HandleTable {
public:
    HandleTable(uintptr_t first, uintptr_t step) : next_(first), step_(step) {}

    HANDLE add(std::shared_ptr<T> object) {
        std::lock_guard g(lock_);
        uintptr_t id = next_;
        next_ += step_;
        objects_.emplace(id, std::move(object));
        return reinterpret_cast<HANDLE>(id);
    }

    std::shared_ptr<T> find(HANDLE h) {
        std::lock_guard g(lock_);
        auto it = objects_.find(reinterpret_cast<uintptr_t>(h));
        return it == objects_.end() ? nullptr : it->second;
    }

    // Takes the handle out; the object is handed back so that its last
    // reference goes outside the table's lock.
    std::shared_ptr<T> remove(HANDLE h) {
        std::lock_guard g(lock_);
        auto it = objects_.find(reinterpret_cast<uintptr_t>(h));
        if (it == objects_.end()) return nullptr;
        auto victim = std::move(it->second);
        objects_.erase(it);
        return victim;
    }

    size_t size() {
        std::lock_guard g(lock_);
        return objects_.size();
    }

private:
    std::mutex lock_;
    std::unordered_map<uintptr_t, std::shared_ptr<T>> objects_;
    uintptr_t next_;
    uintptr_t step_;
};

}  // namespace winsim::detail
