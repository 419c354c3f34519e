// Items of list boxes and combo boxes.
#include "user/list_model.h"

#include <algorithm>
#include <cstring>

#include "core/sim.h"

namespace winsim::detail {

namespace {

std::u16string folded(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) c = foldCase(c);
    return out;
}

}  // namespace

int ListModel::add(std::u16string text, ULONG_PTR data) {
    if (count() >= kMaxItems) return -2;
    int at = count();
    if (sorted && hasStrings) {
        const std::u16string key = folded(text);
        at = 0;
        while (at < count() && folded(items[size_t(at)].text) <= key) ++at;
    }
    return insert(at, std::move(text), data);
}

int ListModel::insert(int index, std::u16string text, ULONG_PTR data) {
    if (count() >= kMaxItems) return -2;
    if (index == -1) index = count();
    if (index < 0 || index > count()) return -1;
    items.insert(items.begin() + index, ListItem{hasStrings ? std::move(text) : std::u16string(), data, false});
    if (selection >= index) ++selection;
    return index;
}

int ListModel::remove(int index) {
    if (!valid(index)) return -1;
    items.erase(items.begin() + index);
    if (selection == index) selection = -1;
    else if (selection > index) --selection;
    if (caret >= count()) caret = std::max(0, count() - 1);
    top = std::clamp(top, 0, std::max(0, count() - 1));
    return count();
}

void ListModel::clear() {
    items.clear();
    selection = -1;
    top = caret = 0;
}

int ListModel::find(int start, std::u16string_view text, bool exact) const {
    const int n = count();
    if (n == 0) return -1;
    if (start < -1 || start >= n) start = -1;
    const std::u16string key = folded(text);
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        const ListItem& it = items[size_t(i)];
        if (!hasStrings) {
            // Without texts the search compares item data.
            ULONG_PTR v = 0;
            std::memcpy(&v, text.data(), std::min(sizeof v, text.size() * 2));
            if (it.data == v) return i;
            continue;
        }
        const std::u16string t = folded(it.text);
        if (exact ? t == key : t.compare(0, key.size(), key) == 0) return i;
    }
    return -1;
}

void ListModel::scrollTo(int index, int visible) {
    if (!valid(index)) return;
    visible = std::max(visible, 1);
    if (index < top) top = index;
    else if (index >= top + visible) top = index - visible + 1;
}

size_t copyItemText(const ListModel& m, int index, WCHAR* buffer) {
    const ListItem& it = m.items[size_t(index)];
    if (!m.hasStrings) {
        std::memcpy(buffer, &it.data, sizeof it.data);
        return sizeof it.data / sizeof(WCHAR);
    }
    it.text.copy(buffer, it.text.size());
    buffer[it.text.size()] = 0;
    return it.text.size();
}

}  // namespace winsim::detail
