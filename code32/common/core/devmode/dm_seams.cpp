#include "core/devmode/dm_seams.h"

namespace vesk {

int LoadQualityByIndex(DrvContext*, uint32_t) { return 0; }
int LoadStampByIndex(DrvContext*, uint32_t) { return 0; }
int FontSubstTableResetDefaults(DrvContext*) { return 0; }
int OptSaveActionWordToIni(DrvContext*) { return 0; }
int NupKindFromType(uint32_t, int* outFlag) {
    if (outFlag) *outFlag = 0;
    return -1;
}
int UpdateProviderUserCodeFlags(DrvContext*) { return 0; }
int LoadUserCodeOnMerge(DrvContext*) { return 0; }

}  // namespace vesk
