#include "core/seams.h"

namespace vesk {

const MdlImage* MdlCacheGet(DrvContext*) { return nullptr; }

BYTE* DmCreateDefault(DrvContext*, uint16_t) { return nullptr; }

int SettingsSyncAtOpen(DrvContext*) { return 0; }

int HandoverApplyAtOpen(DrvContext*) { return 0; }

int DmCopyExtBlock(DrvContext*) { return 0; }

int PrnLanguageCode(DrvContext*, uint16_t, WCHAR code[3]) {
    if (code) code[0] = 0;
    return 0;
}

}  // namespace vesk
