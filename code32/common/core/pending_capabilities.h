// Steps of context creation that other parts of the common library provide:
// the default DEVMODE, the persisted settings, the
// installer's hand-over and the language code. Each answers failure until its
// part is built, so a context that needs it is not created.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// A new DEVMODE buffer of the context's kind, or null.
BYTE* DmCreateDefault(DrvContext* ctx, uint16_t kind);
// Loads every option class and the font lists and applies the bidirectional
// settings file. 1 done, 0 not done.
int SettingsSyncAtOpen(DrvContext* ctx);
// Applies the installer's hand-over for the printer. 1 done or nothing to do,
// 0 not done.
int HandoverApplyAtOpen(DrvContext* ctx);
// The server type the remote-configuration bridge reports for a printer
// (17: the printer is a client-side copy of a server's printer); 0 when no
// bridge answers.
uint32_t SrvCfgServerType(DrvContext* ctx, const WCHAR* printerName);

}  // namespace vesk

namespace vesk {

// ---- Steps of the DEVMODE code that other parts provide ----
// The model facts (MdlItemOption*, MdlPaperSize, PaperSizeLimitsOk) are
// answered by the model queries (model/dm_answers.cpp). The others answer
// "not available" until their part is built: no value allowed, nothing
// loaded. The DEVMODE code then falls back to the driver description's
// defaults, which is what it does for a model without the option.

// The compiled model's option for an item: its type (1 pick-one, 4 Boolean,
// 8 numeric, 257 paper pick, 513 paper-source pick), or 0 when there is none.
int MdlItemOptionType(DrvContext* ctx, int itemId);
// The numeric range of the item's option. 0 when it has none.
int MdlItemOptionRange(DrvContext* ctx, int itemId, int32_t* outMin, int32_t* outMax);
// The value of the option's current selection. 0 when there is none.
int MdlItemOptionValue(DrvContext* ctx, int itemId, uint32_t* outValue);
// Width and length (0.1 mm) of a paper code from the model's page-size
// record. 0 when the model has no such paper.
int MdlPaperSize(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength);
// The option checks of a public field's item against the model (source,
// orientation, paper, resolution, duplex, colour, TrueType, ICM, media,
// dither): 1 allowed, 0 not.
int DmCheckPublicValue(DrvContext* ctx, int itemId, int32_t value);
// 1 when the device collates (the allowed values of option 129).
int DmCollateSupported(DrvContext* ctx);
// A free-size paper code: its slot's width and length in 1200-dpi dots.
// 0 when the code is not a free-size paper.
int FreeSizePaper(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength);
// The capability summary of a DEVMODE being merged; may add merge flag
// 0x40000000 to *flags. 0 when nothing was applied.
int DmApplyCapabilitySummary(DrvContext* ctx, BYTE* working, uint32_t* flags);
// Loads one persisted option class from printer data. 0 when not loaded.
int OptionClassLoad(DrvContext* ctx, int optionClass);
// Job-control items of a group mask. 0 when not fetched.
int JobControlFetchItems(DrvContext* ctx, uint32_t groupMask);
// The built-in handlers of the options that have no dictionary key.
// 0 when none ran.
int RunOptionChangeHandlers(DrvContext* ctx, uint32_t reason);
// The remote-configuration connection. 0 when not made.
int RemoteConfigConnect(DrvContext* ctx);
// 1 when the paper fits the limits of the current print mode.
int PaperSizeLimitsOk(DrvContext* ctx);

// Loads string `stringId` of the context's string library into `buffer` of
// `capacity` characters (always terminated; empty when there is none), with
// the value suffixes when `suffix` is set. The characters loaded.
int ResLoadString(DrvContext* ctx, uint32_t stringId, WCHAR* buffer, size_t capacity, int suffix);

}  // namespace vesk
