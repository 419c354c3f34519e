// The spooler-side library: found in the printer driver's directory (which
// is put on the process's PATH when missing), loaded at each document and
// bound by its entry names. Every byte of output goes to its write entry.
#pragma once
#include <win/types.h>

#include "pdev.h"

namespace vesk {

// The entries beside the write entry (the record buffer holds that one).
using SplStartDocFn = HANDLE (*)(HANDLE printer, DWORD jobId);
using SplHandleFn = BOOL (*)(HANDLE spool);

// The library's full path into `dest` (capacity in characters): the driver
// directory of the printer (from its driver record's pDriverPath, at most
// 240 characters, cut at its last backslash), a backslash and `fileName`.
// Adds the driver directory to PATH when PATH does not hold it. False when
// the path cannot be built.
bool GetSpoolLibraryPath(HANDLE printer, const WCHAR* fileName, WCHAR* dest, size_t capacity);

// Puts `dir` on PATH unless PATH already holds it (a plain substring test).
bool AddDirectoryToPath(const WCHAR* dir);

// Loads the library for a document and binds its write entry. False (and
// nothing kept) when the path cannot be built, the library does not load, or
// it has no write entry: output that no entry could take would be lost while
// the job reports success.
bool SpoolLibraryLoad(Pdev* pdev);
// The start entry (DrvSplStartDocEx, else DrvSplStartDoc): the spool handle.
void SpoolLibraryStartDoc(Pdev* pdev);
// The page and document entries; each is skipped when the library lacks it.
void SpoolLibraryStartPage(Pdev* pdev);
void SpoolLibraryEndPage(Pdev* pdev);
// DrvSplEndDoc, DrvSplClose, then the library is freed (its handle is
// cleared only when that succeeds) and the binding dropped.
void PdevUnbindLibrary(Pdev* pdev);

}  // namespace vesk
