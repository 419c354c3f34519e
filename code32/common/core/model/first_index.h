// Open-addressing tables of the reader: the first entry of each number in a
// list that only grows, {number, position + 1}, so lookups by option key or
// rule number cost one probe instead of a pass over the list; and the number
// of each rule name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/text_hash.h"

namespace vesk {

class MdlFirstIndex {
public:
    // Position + 1 of the first entry numbered `number` among the list's
    // `size` entries, or 0. Entries added to the list since the last call
    // are indexed first (`numberOf(i)` gives entry i's number); a list that
    // became shorter is indexed anew.
    template <class NumberOf>
    uint32_t find(uint32_t number, size_t size, NumberOf numberOf) {
        catchUp(size, numberOf);
        if (slots_.empty()) return 0;
        for (size_t i = hash(number) & mask(); slots_[i].position; i = (i + 1) & mask())
            if (slots_[i].number == number) return slots_[i].position;
        return 0;
    }
    template <class NumberOf>
    void catchUp(size_t size, NumberOf numberOf) {
        if (size < covered_) clear();
        for (; covered_ < size; ++covered_) add(numberOf(covered_), static_cast<uint32_t>(covered_ + 1));
    }
    void clear() {
        slots_.clear();
        count_ = covered_ = 0;
    }

private:
    struct Slot {
        uint32_t number;
        uint32_t position;  // 0 = free
    };
    size_t mask() const { return slots_.size() - 1; }
    static size_t hash(uint32_t n) { return static_cast<size_t>((n * 0x9E3779B1u) >> 8); }
    void add(uint32_t number, uint32_t position) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        size_t i = hash(number) & mask();
        for (; slots_[i].position; i = (i + 1) & mask())
            if (slots_[i].number == number) return;  // the first entry stays
        slots_[i] = {number, position};
        ++count_;
    }
    void grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size(), Slot{0, 0});
        old.swap(slots_);
        for (const Slot& s : old) {
            if (!s.position) continue;
            size_t i = hash(s.number) & mask();
            while (slots_[i].position) i = (i + 1) & mask();
            slots_[i] = s;
        }
    }
    std::vector<Slot> slots_;
    size_t count_ = 0;
    size_t covered_ = 0;
};

// Names with a number each (the first given stays); the names are views, so
// their text must outlive the table.
class MdlNameIndex {
public:
    void add(std::string_view name, uint16_t number) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        Slot& s = slots_[at(slots_, name)];
        if (s.number) return;
        s = {name, number};
        ++count_;
    }
    // The number of a name, 0 when it has none.
    uint16_t find(std::string_view name) const {
        if (slots_.empty()) return 0;
        return slots_[at(slots_, name)].number;
    }
    bool empty() const { return count_ == 0; }
    void clear() {
        std::vector<Slot>().swap(slots_);
        count_ = 0;
    }

private:
    struct Slot {
        std::string_view name;
        uint16_t number = 0;  // 0 = free (rule numbers start at 1)
    };
    static size_t hash(std::string_view s) { return TextHash(s); }
    // The slot of a name, or the free slot where it would go.
    static size_t at(const std::vector<Slot>& slots, std::string_view name) {
        const size_t mask = slots.size() - 1;
        size_t i = hash(name) & mask;
        while (slots[i].number && slots[i].name != name) i = (i + 1) & mask;
        return i;
    }
    void grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size());
        old.swap(slots_);
        for (const Slot& s : old)
            if (s.number) slots_[at(slots_, s.name)] = s;
    }
    std::vector<Slot> slots_;
    size_t count_ = 0;
};

}  // namespace vesk
