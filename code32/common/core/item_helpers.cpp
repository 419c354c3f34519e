#include "core/item_helpers.h"

#include <cstring>

#include "core/item_store.h"
#include "core/item_ids.h"

namespace vesk {

const ResolutionRow* GetResolutionTable() {
    static const ResolutionRow rows[] = {{1, 300, 300},  {2, 400, 400},  {3, 600, 600}, {4, 1200, 1200},
                                         {5, 2400, 2400}, {17, 600, 600}, {18, 600, 600}, {0, 0, 0}};
    return rows;
}

const char* GetPdlCodeString(uint32_t flag) { return (flag & 0xFF) ? "0000010207d00a" : "0001010207d00a"; }

int IsListedModelId(uint32_t value) {
    switch (value) {
    case 0x84:
    case 0x85:
    case 0x86:
    case 0x89:
    case 0x8A:
    case 0x0C: return 1;
    default: return 0;
    }
}

uint32_t UpdateItem187ForResolution(int32_t resolution, DrvContext* ctx) {
    uint32_t userMacro = ItemRawById(ctx, kItRdmUseUserMacro);
    if (userMacro) return userMacro;
    bool standard = resolution == 300 || resolution == 400 || resolution == 600;
    ItemSetRawById(ctx, kItRdmBalanceMacro, standard ? 17 : 18);
    return 0;
}

void SetPdlCodeItem(DrvContext* ctx) {
    DmItem* item = ItemFindById(ctx, kItRdmOther);
    if (!item || !typeIsAddress(itemTypeCode(*item))) return;
    const uint32_t size = itemSize(*item);
    char buf[64] = {};
    if (size > sizeof buf) return;
    const char* code = GetPdlCodeString(ItemRawById(ctx, kItRdmDriverType));
    std::memcpy(buf, code, size - 1 < 14 ? size - 1 : 14);  // always leaves a terminator
    ItemSetRawBytes(ctx, item, buf);
}

}  // namespace vesk
