// DC_MEDIAREADY: the papers loaded in the installed trays.
#include <cstring>

#include "caps/device_capabilities.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/res/res.h"
#include "core/validation/free_size_slots.h"

namespace vesk {

int CapsMediaReady(DrvContext* ctx, WCHAR* out) {
    if (!ctx) return -1;
    struct Ready {
        uint32_t code;
        uint32_t value;
    } ready[kTrayCount];
    int n = 0;
    for (int tray = 0; tray < kTrayCount; ++tray) {
        if (!ItemRawById(ctx, kItRdmTrayField0 + tray)) continue;
        DmItem* paper = nullptr;
        const uint32_t code = ItemRawById(ctx, kItRdmTray1Paper + tray, &paper);
        if (!paper || code == 0) continue;
        bool listed = false;
        for (int i = 0; i < n && !listed; ++i) listed = ready[i].code == code;
        if (!listed) ready[n++] = {code, ItemGetValue(ctx, paper)};
    }
    if (!out) return n;
    for (int i = 0; i < n; ++i) {
        WCHAR* entry = out + static_cast<size_t>(i) * kMediaReadyChars;
        std::memset(entry, 0, kMediaReadyChars * sizeof(WCHAR));
        // A free size is named by its slot (the table is loaded once per
        // change epoch); any other paper by the string of its value.
        if (IsFreeSizePaper(static_cast<int32_t>(ready[i].code))) {
            FreeSizePaperName(ctx, static_cast<int>(ready[i].code), entry, kMediaReadyChars);
        } else {
            ResLoadString(ctx, ready[i].value, entry, kMediaReadyChars, 0);
        }
    }
    return n;
}

}  // namespace vesk
