// The items of a list box or of a combo box's list: texts, item data,
// selection, top index, item height. Plain state; the controls turn their
// messages into these calls and send the notifications themselves.
#pragma once
#include <string>
#include <vector>

#include "user/user_internal.h"

namespace winsim::detail {

struct ListItem {
    std::u16string text;
    ULONG_PTR data = 0;
    bool selected = false;  // multiple-selection lists
};

struct ListModel {
    std::vector<ListItem> items;
    int selection = -1;  // single-selection lists
    int top = 0;
    int caret = 0;
    int itemHeight = kCharHeight + 2;
    bool sorted = false;
    bool hasStrings = true;  // texts kept (else the item data is the item)

    static constexpr int kMaxItems = 0x7FFF;

    int count() const { return int(items.size()); }
    bool valid(int i) const { return i >= 0 && i < count(); }
    // Adds at the end (in order when sorted); the index, or -2 when full.
    int add(std::u16string text, ULONG_PTR data);
    // Inserts at `index` (-1: the end); the index, -1 for a bad index, -2 full.
    int insert(int index, std::u16string text, ULONG_PTR data);
    // Removes an item; the remaining count, or -1 for a bad index.
    int remove(int index);
    void clear();
    // The first item after `start` (wrapping; -1 searches from the top)
    // whose text starts with (or equals) `text`, case-insensitively; -1 if none.
    int find(int start, std::u16string_view text, bool exact) const;
    // Keeps `index` inside the `visible` rows from the top.
    void scrollTo(int index, int visible);
};

// The text of an item as the list hands it out: the text, or, for a list
// without texts, the item data's bytes.
size_t copyItemText(const ListModel& m, int index, WCHAR* buffer);

}  // namespace winsim::detail
