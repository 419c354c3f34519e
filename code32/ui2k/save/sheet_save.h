// The save step of a sheet and of a document request without one: items
// into the public DEVMODE fields, the caller's output DEVMODE, the option
// classes into printer data and the per-printer INI.
#pragma once
#include "core/context.h"

namespace vesk {

// Public-field modes of the save.
constexpr int kSaveOnDestroy = 3;  // a document's destroy step, a printer sheet
constexpr int kSaveOnApply = 4;    // a document on apply

// Job-control masks of the save.
constexpr uint32_t kJcSaveSetMask = 158;
constexpr uint32_t kJcSaveGetMask = 1;
constexpr uint32_t kJcSaveClearMask = 159;

// Printer sheet (kind bit 2 of the workspace's sheet kind): the preset list
// checked, then the device save; document: job control set and read back,
// then the document save of an apply. 1.
int SheetSave(DrvContext* ctx);
int SheetSaveDocument(DrvContext* ctx);
int SheetSaveDocumentEx(DrvContext* ctx, int mode);
// The output DEVMODE and the user option classes 3 and 1. 1.
int SheetCommitDocument(DrvContext* ctx);
int SheetSaveDevice(DrvContext* ctx);
int SheetSaveDeviceEx(DrvContext* ctx, int mode);
// Writes the caller's output DEVMODE (DM_COPY) or refreshes the collate
// fields of the context's own (DM_UPDATE alone, also without a sheet).
// Nothing without DM_UPDATE or DM_COPY. 1.
int DmWriteOutDevmode(DrvContext* ctx);

// The sheet kind SheetSave reads: set by the sheet session, 0 (a document)
// for a context without one.
constexpr uint32_t kSheetKindDocument = 1;
constexpr uint32_t kSheetKindPrinter = 2;
uint32_t SheetKindOf(const DrvContext* ctx);
void SheetSetKind(DrvContext* ctx, uint32_t kind);

}  // namespace vesk
