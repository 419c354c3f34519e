// The compiled-model cache: one compiled image per process and data-file
// name in the process-wide model list, and one on disk in the cache file
// beside the model description, so that every context, library and process
// reuses one compilation until the text changes.
//
// The list owns every image it hands out: contexts only borrow them, and
// they are freed together at process detach (MdlCacheFreeAll). The list, the
// cache file and the compile run under the named mutex; a context created
// while its caller holds the mutex (kind option 0x100) does not take it
// again.
#pragma once
#include <win/types.h>

#include <cstddef>
#include <cstdint>

#include "core/context.h"
#include "core/model/image.h"

namespace vesk {

// The key of a data file in the list: the 8 characters that begin 12 before
// the end of its path (the base name of an 8.3 name such as NAME1234.EXT).
// Shorter paths have no key and are never found in the list.
constexpr size_t kMdlKeyChars = 8;
constexpr size_t kMdlKeyMinPathChars = 12;

// ---- The model of a context ----

// The compiled model of the context's printer (the driver's data file, read
// through the driver-query handle): from the list, else from the cache file,
// else compiled from the text (writing the cache file when the versions
// allow). Null when the printer has no data file or the model cannot be
// built; the image belongs to the list.
const MdlImage* MdlCacheGet(DrvContext* ctx);

// ---- The process-wide list ----

// The listed image whose key equals the path's (compared byte for byte), or
// null; null for a path without a key.
const MdlImage* MdlCacheFind(const WCHAR* path);
// Hands an image to the list. A path with a key lists it under that key; an
// image of a path without one is kept (and freed with the others at detach)
// but never found. 1 when the list took the image; 0 for a null image or
// when no node can be allocated, and the caller still owns it then.
int MdlCacheAdd(MdlImage* image, const WCHAR* path);
// Frees every image and node and empties the list; a later add starts it
// anew. Called at process detach.
void MdlCacheFreeAll();
// Images the list holds (found by key or only kept).
uint32_t MdlCacheCount();
// Releasing a context's model does nothing: the image stays in the list.
void MdlReleaseStub(const MdlImage* image);

// ---- The cache file ----

// The cache file's path for a data file into `out` (kPathBufChars): the
// data file's path with the extension of its file name replaced by "BCS",
// or ".BCS" appended when the file name has no '.'. 0 (and `out` empty)
// when the result would not fit, or would name the data file itself (a data
// file whose extension is BCS has no cache file).
int MdlCachePath(const WCHAR* dataPath, WCHAR* out);
// A new copy of the cache file's image in stored form (not relocated), or
// null: the cache must not be older than the data file, and its size must
// be greater than the header and equal the total size in its header.
MdlImage* MdlCacheLoadFile(const WCHAR* dataPath);
// Writes an image in stored form to the cache file: under a temporary name
// in the same folder, then renamed over the cache name, so no reader ever
// sees a partly written cache. 1 when written; callers ignore failures.
int MdlCacheWriteFile(const uint8_t* stored, size_t size, const WCHAR* dataPath);
// Deletes the cache file. 1 when deleted; callers ignore failures.
int MdlCacheDeleteFile(const WCHAR* dataPath);

}  // namespace vesk
