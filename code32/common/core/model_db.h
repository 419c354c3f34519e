// The model database: the maker's tools find the libraries of an installed
// printer model through section = model name of "zordb.ini" in the Windows
// directory. The model name is the value under the printer's driver name in
// section "Models" of the model-description data file; the device query
// compares it with the name the device reports.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr size_t kModelDbNameChars = 33;    // 32 characters and the NUL
constexpr size_t kInstallerValueChars = 260;

// The model name (as the data file holds it, at most 32 characters), kept in
// the workspace; null when the data file names none for the driver.
const WCHAR* GetModelDbSection(DrvContext* ctx);
// "LoadDll32" and "Version32" of the model's section of "KWINST.ini" in the
// driver directory into buffers of kInstallerValueChars characters (empty
// when missing). 1 when the file's path could be built.
int ReadInstallerDllEntry(DrvContext* ctx, WCHAR* loadDll, WCHAR* version);
// Registers the model in "zordb.ini": "LoadDll" and "Version" from the
// installer file when they are not empty, "ResDll" the driver description's
// data library. 1 when written, or when the description names no data
// library (nothing written); 0 without a model name or when the write fails.
int ModelDbRegister(DrvContext* ctx);

}  // namespace vesk
