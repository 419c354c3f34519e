#include "core/seams.h"

namespace vesk {

const MdlImage* MdlCacheGet(DrvContext*) { return nullptr; }

int SettingsSyncAtOpen(DrvContext*) { return 0; }

int HandoverApplyAtOpen(DrvContext*) { return 0; }

int PrnLanguageCode(DrvContext*, uint16_t, WCHAR code[3]) {
    if (code) code[0] = 0;
    return 0;
}

int MdlItemOptionType(DrvContext*, int) { return 0; }
int MdlItemOptionRange(DrvContext*, int, int32_t*, int32_t*) { return 0; }
int MdlItemOptionValue(DrvContext*, int, uint32_t*) { return 0; }
int MdlPaperSize(DrvContext*, int, int32_t*, int32_t*) { return 0; }
int DmCheckPublicValue(DrvContext*, int, int32_t) { return 0; }
int DmCollateSupported(DrvContext*) { return 0; }
int FreeSizePaper(DrvContext*, int, int32_t*, int32_t*) { return 0; }
int DmApplyCapabilitySummary(DrvContext*, BYTE*, uint32_t*) { return 0; }
int OptionClassLoad(DrvContext*, int) { return 0; }
int JobControlFetchItems(DrvContext*, uint32_t) { return 0; }
int UserCodeForMerge(DrvContext*, uint32_t) { return 0; }
int RunOptionChangeHandlers(DrvContext*, uint32_t) { return 0; }
int JobLinkerInstalled(DrvContext*) { return 0; }
int PrnIsTerminalServer(DrvContext*) { return 0; }
int UserIsAdministrator(DrvContext*) { return 0; }
int PrnLanguageId(DrvContext*) { return 0; }
int RemoteConfigConnect(DrvContext*) { return 0; }
int PaperSizeLimitsOk(DrvContext*) { return 0; }

}  // namespace vesk
