// The driver's default presets ("icon" presets) and quality files: the
// default bundle (an rsb settings file) names them with path macros; they are
// copied into place, given the condition, disable and language sections of a
// sections file, registered in the printer's preset list (at most 16) and
// quality list when they apply to this driver and model, and revalidated
// when the model's options change. Paths are at most 260 characters and are
// never cut: a path that would not fit gives an empty buffer and 0.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"
#include "core/lists/lists.h"

namespace vesk {

// Flags of PresetsInstallList and QualitiesInstallList.
enum : uint32_t {
    kDplRegister = 0x1,          // register applicable entries in the list
    kDplCopy = 0x2,              // copy the files into place
    kDplResave = 0x10,           // re-save the conditions into the rsr copy
    kDplDeleteRsr = 0x20,        // delete the rsr copy afterwards
    kDplCheckConditions = 0x40,  // register only enabled entries whose conditions hold
    kDplMerge = 0x80,            // keep the existing list
    kDplHandover = 0x100,        // hand-over mode: retries, done marks
    kDplKeepRsr = 0x1000,        // leave an existing rsr copy as it is
};
// Flags of InstallDeployPresetFiles: 0 at install, this one to re-deploy.
constexpr uint32_t kDeployAgain = 0x1000;
constexpr uint16_t kMsgPresetsDropped = 10017;
constexpr size_t kPresetTextChars = 513;

// ---- Paths ----
// Resolves the path macro of a bundle entry in place ("%windir%",
// "%sysdir%", "..\" repeated, ".\", a bare name). A path with a drive is
// left as it is. Preset mode on Windows 2000 and later puts bare names into
// the driver directory and "%sysdir%" into the private directory; plain mode
// uses the system directory. 1 done, 0 (an empty buffer) when the path, the
// prefixes or the result do not fit.
int ExpandInstallPath(WCHAR* path, size_t size, int presetMode, DrvContext* ctx);
// Preset mode, then the name must have a base name and a 1-3 character
// extension.
int ExpandInstallPathChecked(WCHAR* path, size_t size, DrvContext* ctx);
int ExpandInstallPathPlain(WCHAR* path, size_t size, DrvContext* ctx);
// `name` as it is when it has a drive, else in the driver directory.
int MakeAbsoluteDriverPath(const WCHAR* name, WCHAR* dest, size_t capacity, DrvContext* ctx);
// 1 when `path` has a base name, the extension rsb (any case) and exists.
int IsBundleFile(const WCHAR* path);
// The default bundle the model description names ("DefaultRst" of its
// language section), or the printer's section of the per-printer INI names;
// made absolute. 0 and an empty buffer when none is named.
int GetDefaultRstName(DrvContext* ctx, WCHAR* dest, size_t capacity);
int GetPrinterDefaultRst(DrvContext* ctx, WCHAR* dest, size_t capacity);
// Deployed copies: the source's file name with its extension replaced.
// MakeUserRsrPath: "rsr" in the private directory, or under terminal
// services (unless the install is running) in the per-user directory.
int MakeUserRsrPath(DrvContext* ctx, const WCHAR* source, WCHAR* dest, size_t capacity);
// In the private directory of the registry rule; "rsq" with flag 0x10,
// "rsd" with flag 4, else the source's own extension.
int MakePrivatePresetPath(const WCHAR* source, WCHAR* dest, uint32_t flags);  // dest of kWsPathChars
int MakePrivatePresetPathEx(const WCHAR* source, WCHAR* dest, size_t capacity, uint32_t flags);
// In the source's own directory.
int ChangeExtensionRsd(const WCHAR* source, WCHAR* dest, size_t capacity);
int ChangeExtensionRsq(const WCHAR* source, WCHAR* dest, size_t capacity);

// ---- Conditions ----
// True when the file's section "condition" holds for the model: groups
// "ConditionOption<g>_<l>" (g, l 0-9), a group holding when one of its lines
// does, every group holding. A line is terms joined left to right by "|"
// and "&", each a value name of the VPD_ConditionOption option, optionally
// negated by "!", holding when that value's first condition holds. A model
// without that option, or a file without conditions, passes.
int CondEvaluate(const WCHAR* presetFile, DrvContext* ctx);
// True unless section "disable" names this driver with a non-zero value.
int PresetIsEnabled(const WCHAR* presetFile, DrvContext* ctx);
// Gives `target` the source's condition and disable sections, its settings
// (import and export with importFlags | 0x2000) and its "Readonly" mark; the
// DEVMODE is left as it was. Nothing happens when the source is missing.
void CopyPresetConditions(const WCHAR* target, const WCHAR* source, uint32_t importFlags, DrvContext* ctx);
// True when the printer's section of `file` holds "RstVersion".
int PresetHasRstVersion(const WCHAR* file, DrvContext* ctx);
// True when a preset file of another kind suits the model (see the
// revalidation).
int PresetIsApplicable(const WCHAR* file, DrvContext* ctx);

// ---- Lists ----
// One entry of the preset list as read back.
struct PresetEntry {
    WCHAR path[kWsPathChars];
    WCHAR name[kPresetTextChars];
    WCHAR comment[kPresetTextChars];
};
// Adds a default preset: the name and comment given, or those of the
// current preset items, or "NoName" and an empty comment.
int PresetAddDefault(DrvContext* ctx, const WCHAR* file, const WCHAR* name, const WCHAR* comment);
// The bundle's preset (quality) entries under `flags` (kDpl...); 1 on success.
int PresetsInstallList(const WCHAR* bundle, const WCHAR* lang, uint32_t flags, DrvContext* ctx, int existingCount,
                       const PresetEntry* existing);
int QualitiesInstallList(const WCHAR* bundle, const WCHAR* lang, uint32_t flags, DrvContext* ctx);

// ---- Deployment ----
// Writes the sections file's condition, disable and language sections into
// every expanded preset file (quality files: the language section).
void ExpandSectionsFile(DrvContext* ctx);
// Deploys the setup INI's install files, the bundle's presets and quality
// files and the driver's libraries. 1 (0 only without a context or memory).
int InstallDeployPresetFiles(DrvContext* ctx, uint32_t flags);
// Registers the bundle's device options, presets and qualities once: the
// batch-install mark follows the result. Always 1.
int InstallDefaultRstOnce(uint32_t importFlags, int installType, DrvContext* ctx);
// Drops the presets that no longer suit the model (asking first with
// `ask`), then adds the bundle's presets that now do. The install list's
// result, 0 when nothing was done or the user cancelled.
int PresetsRevalidate(DrvContext* ctx, int ask);
// Copies the driver set's port monitor and libraries into the system
// directory under the spooler's own identity. 1 when each is current there.
int InstallCopyFilesToSystemDir(HANDLE printer);
// Imports the bundle's settings and device options. 1/0.
int ImportBundleSettings(const WCHAR* bundle, DrvContext* ctx);
// A refused quality file is written again from its bundle entry. 1 when an
// entry matched.
int QualityRedeploy(DrvContext* ctx, const WCHAR* path);

}  // namespace vesk
