#include "core/seams.h"

namespace vesk {

const MdlImage* MdlCacheGet(DrvContext*) { return nullptr; }

BYTE* DmCreateDefault(DrvContext*, uint16_t) { return nullptr; }

int SettingsSyncAtOpen(DrvContext*) { return 0; }

int HandoverApplyAtOpen(DrvContext*) { return 0; }

int DmCopyExtBlock(DrvContext*) { return 0; }

// Until the bridge is built no printer is reported as a server's copy.
uint32_t SrvCfgServerType(DrvContext*, const WCHAR*) { return 0; }

}  // namespace vesk
