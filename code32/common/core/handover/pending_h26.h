// Functions of the default-preset deployment and of the install sequence
// that the hand-over calls, until those capabilities are built. Each answers
// "not done" (its failure result) and changes nothing.
#pragma once
#include <win/types.h>

#include <cstdint>

#include "core/context.h"

namespace vesk {

// Imports a default bundle's settings and device options. 1 success, 0 failure.
int ImportBundleSettings(const WCHAR* bundle, DrvContext* ctx);
// Installs the model's own default bundle. 1.
int InstallDefaultRstOnce(uint32_t importFlags, int installType, DrvContext* ctx);
// Deploys and registers a bundle's presets (existingCount entries of
// existingTable kept in merge mode) and its qualities. 1 on success.
int PresetsInstallList(const WCHAR* bundle, const WCHAR* langSection, uint32_t flags, DrvContext* ctx,
                       int existingCount, const void* existingTable);
int QualitiesInstallList(const WCHAR* bundle, const WCHAR* langSection, uint32_t flags, DrvContext* ctx);
// The default-job keys: mode 3 or 4 writes `value` (null deletes) under the
// rows of that kind. 1/0.
int CopyDefaultJobKeys(DrvContext* ctx, int mode, const WCHAR* value);

}  // namespace vesk
