// The Set, Verify and Get handlers of the status items (the item table
// holds them). Set answers 1 when the values were accepted and stored;
// Verify 1 when the stored values agree with the record, else -1; Get the
// record size or -1, filling the record when one is given.
#pragma once
#include "status/status_tables.h"

namespace vesk {

#define STATUS_HANDLER_SET(name) int name(StatusCall& call);
#define STATUS_HANDLER_GET(name) int name(StatusGetCall& call);
STATUS_HANDLER_SET(StSetSettingsFile)
STATUS_HANDLER_SET(StSetPlain)
STATUS_HANDLER_SET(StSetPaper)
STATUS_HANDLER_SET(StSetOutPaper)
STATUS_HANDLER_SET(StSetMethod)
STATUS_HANDLER_SET(StSetScale)
STATUS_HANDLER_SET(StSetDuplex)
STATUS_HANDLER_SET(StSetWatermark)
STATUS_HANDLER_SET(StSetWatermarkPick)
STATUS_HANDLER_SET(StSetMargin)
STATUS_HANDLER_SET(StSetSwitched)
STATUS_HANDLER_SET(StSetUserId)
STATUS_HANDLER_SET(StSetAction)
STATUS_HANDLER_SET(StSetResolution)
STATUS_HANDLER_SET(StSetPlanes)
STATUS_HANDLER_SET(StVerifyAlways)
STATUS_HANDLER_SET(StVerifyEqual)
STATUS_HANDLER_SET(StVerifyPaper)
STATUS_HANDLER_SET(StVerifyMethod)
STATUS_HANDLER_SET(StVerifySwitch)
STATUS_HANDLER_SET(StVerifyCover)
STATUS_HANDLER_SET(StVerifyPlanes)
STATUS_HANDLER_GET(StGetSettingsFile)
STATUS_HANDLER_GET(StGetPlain)
STATUS_HANDLER_GET(StGetPaper)
STATUS_HANDLER_GET(StGetMethod)
STATUS_HANDLER_GET(StGetScale)
STATUS_HANDLER_GET(StGetCover)
STATUS_HANDLER_GET(StGetSwitchA)
STATUS_HANDLER_GET(StGetDuplex)
STATUS_HANDLER_GET(StGetWatermark)
STATUS_HANDLER_GET(StGetWatermarkPick)
STATUS_HANDLER_GET(StGetMargin)
STATUS_HANDLER_GET(StGetUserId)
STATUS_HANDLER_GET(StGetResolution)
STATUS_HANDLER_GET(StGetPlanes)
#undef STATUS_HANDLER_SET
#undef STATUS_HANDLER_GET

}  // namespace vesk
