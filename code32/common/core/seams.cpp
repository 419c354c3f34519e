#include "core/seams.h"

namespace vesk {

int SettingsSyncAtOpen(DrvContext*) { return 0; }

int HandoverApplyAtOpen(DrvContext*) { return 0; }

// Until the bridge is built no printer is reported as a server's copy.
uint32_t SrvCfgServerType(DrvContext*, const WCHAR*) { return 0; }

int DmCheckPublicValue(DrvContext*, int, int32_t) { return 0; }
int DmCollateSupported(DrvContext*) { return 0; }
int FreeSizePaper(DrvContext*, int, int32_t*, int32_t*) { return 0; }
int DmApplyCapabilitySummary(DrvContext*, BYTE*, uint32_t*) { return 0; }
int OptionClassLoad(DrvContext*, int) { return 0; }
int JobControlFetchItems(DrvContext*, uint32_t) { return 0; }
int RunOptionChangeHandlers(DrvContext*, uint32_t) { return 0; }
int RemoteConfigConnect(DrvContext*) { return 0; }

}  // namespace vesk
