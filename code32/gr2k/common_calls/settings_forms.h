// The graphics library's forms of the option-persistence and settings-file
// functions. They are the common functions under the graphics library's
// profile: a full import opens no job-control session, a stamp transfer
// carries the watermark line and tile items, no refusal is shown, and the
// settings a context takes at its open are never written back.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Every persisted option class and the font lists (printer data and the
// per-printer INI); writes nothing. 1 done, 0 without a full context.
int OptLoadClassesGr(DrvContext* ctx);
int OptLoadClassesGr(HANDLE printer, int selector, DrvContext* ctx);
int OptLoadClassAliasGr(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags);
int OptLoadClassGr(HANDLE printer, DrvContext* ctx, int optionClass, uint32_t flags, HANDLE bridge);

int SettingsExportGr(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx);
int SettingsImportGr(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx);
int SettingsTransferGr(DrvContext* ctx, const WCHAR* path, uint32_t flags);
// 1 when the settings file's header is this driver's; a refusal is never
// shown.
int RstCheckHeaderGr(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode);
void CopyPresetConditionsGr(const WCHAR* target, const WCHAR* source, uint32_t importFlags, DrvContext* ctx);

// The settings-file section of the display language: the language code of
// item 177.
const WCHAR* GetLangSectionGr(DrvContext* ctx);

// A kind-0 context's settings at its open: every persisted class, then
// (unless the kind word is 1) the bidirectional settings file's device
// settings when its flag is set for the printer. Never saves the device
// class back and never clears the file's section. 1 done.
int SettingsSyncAtOpenGr(DrvContext* ctx);

}  // namespace vesk
