// The heap's index of its blocks: a map from a block's handle (or address)
// to its record, kept in one open-addressed table (linear probing, a power
// of two of slots, at most half of them used), so adding and removing a
// block allocates nothing unless the table grows. Keys are never null.
// Records move when another key is added or removed: a pointer find()
// gives is good until the next change of the index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace winsim::detail {

template <class V>
class BlockIndex {
public:
    V* find(const void* key) {
        if (!key || slots_.empty()) return nullptr;
        for (size_t i = home(key);; i = next(i)) {
            if (slots_[i].key == key) return &slots_[i].value;
            if (!slots_[i].key) return nullptr;
        }
    }

    // Adds `key` with `value` unless it is there already; throws
    // std::bad_alloc (leaving the index as it was) when the table cannot grow.
    void emplace(void* key, const V& value) {
        if (!key || find(key)) return;
        if ((count_ + 1) * 2 > slots_.size()) grow();
        place(key, value);
    }

    void erase(const void* key) {
        if (!key || slots_.empty()) return;
        size_t i = home(key);
        while (slots_[i].key != key) {
            if (!slots_[i].key) return;
            i = next(i);
        }
        // Backward shift: every later record of the probe run that may sit
        // in the freed slot moves there, so lookups never meet a gap early.
        for (size_t j = next(i);; j = next(j)) {
            void* k = slots_[j].key;
            if (!k) break;
            const size_t h = home(k);
            const bool stays = i <= j ? (h > i && h <= j) : (h > i || h <= j);
            if (stays) continue;
            slots_[i] = std::move(slots_[j]);
            i = j;
        }
        slots_[i] = Slot{};
        --count_;
    }

    size_t size() const { return count_; }

private:
    struct Slot {
        void* key = nullptr;
        V value{};
    };

    size_t mask() const { return slots_.size() - 1; }
    size_t next(size_t i) const { return (i + 1) & mask(); }
    size_t home(const void* key) const {
        const uint64_t k = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) >> 4;
        return static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> 20) & mask();
    }

    void place(void* key, const V& value) {
        size_t i = home(key);
        while (slots_[i].key) i = next(i);
        slots_[i].key = key;
        slots_[i].value = value;
        ++count_;
    }

    void grow() {
        std::vector<Slot> bigger(slots_.empty() ? 64 : slots_.size() * 2);
        bigger.swap(slots_);
        count_ = 0;
        for (Slot& s : bigger)
            if (s.key) place(s.key, s.value);
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};

}  // namespace winsim::detail
