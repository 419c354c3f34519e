// The compiled model of a context, and the cache file beside the model
// description that carries a compilation from one process to the next.
#include "core/model/cache.h"

#include <win/files.h>
#include <win/time.h>

#include "core/files.h"
#include "core/locks.h"
#include "core/model/model.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kCacheExtension[] = u"BCS";

bool isSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

// Windows resolves a name without its trailing dots and blanks, so two
// paths that differ only there name one file.
size_t resolvedLength(const WCHAR* p, size_t n) {
    while (n && (p[n - 1] == u'.' || p[n - 1] == u' ')) --n;
    return n;
}

// Whether the cache path `a`, whose first `common` units are those of `b`,
// names the file `b` does. lstrcmpiW compares unit by unit, so texts of
// different lengths differ and equal units need no comparing.
bool sameFile(const WCHAR* a, const WCHAR* b, size_t common) {
    const size_t na = resolvedLength(a, WLenMax(a, kMaxPathChars)), nb = resolvedLength(b, WLenMax(b, kMaxPathChars));
    if (na != nb) return false;
    WCHAR x[kPathBufChars], y[kPathBufChars];
    size_t k = 0;
    for (size_t i = common < na ? common : na; i < na; ++i, ++k) {
        x[k] = a[i];
        y[k] = b[i];
    }
    x[k] = y[k] = 0;
    return lstrcmpiW(x, y) == 0;
}

// Holds the named mutex for a scope unless the caller holds it already.
class ModelMutex {
public:
    explicit ModelMutex(bool alreadyHeld) : take_(!alreadyHeld) {
        if (take_) TsMutexWait();
    }
    ~ModelMutex() {
        if (take_) TsMutexRelease();
    }
    ModelMutex(const ModelMutex&) = delete;
    ModelMutex& operator=(const ModelMutex&) = delete;

private:
    bool take_;
};

// Closes a file handle at the end of a scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (ok()) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

HANDLE openForReading(const WCHAR* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The cache file's image in stored form when it is not older than the open
// data file, or null. Its bytes are read straight into the image's block.
MdlImage* loadCacheBeside(HANDLE text, const WCHAR* dataPath) {
    WCHAR cache[kPathBufChars];
    if (!MdlCachePath(dataPath, cache)) return nullptr;
    FILETIME textTime{};
    if (!GetFileTime(text, nullptr, nullptr, &textTime)) return nullptr;
    // The cache's time, size and bytes are read through one handle, so all
    // are those of one file.
    FileHandle file(openForReading(cache));
    FILETIME cacheTime{};
    if (!file.ok() || !GetFileTime(file.get(), nullptr, nullptr, &cacheTime) ||
        CompareFileTime(&cacheTime, &textTime) < 0)
        return nullptr;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size <= kMdlHeaderSize || size > kMdlImageMaxSize) return nullptr;
    MdlImage* image = MdlImageNewUnfilled(size);
    if (!image) return nullptr;
    DWORD got = 0;
    uint32_t total = 0;
    if (!ReadFile(file.get(), image->block, size, &got, nullptr) || got != size ||
        !image->view().u32(kMdlImgTotalSize, &total) || total != size) {
        MdlImageFree(image);
        return nullptr;
    }
    return image;
}

// The model for a data file, from the list, the cache file or the text.
// `driverVersion` is the FileVersion a cache file must carry.
const MdlImage* modelFor(DrvContext* ctx, const WCHAR* path, const WCHAR* driverVersion) {
    if (const MdlImage* listed = MdlCacheFind(path)) return listed;

    MdlImage* image = nullptr;
    bool mayWrite = true;
    // The data file is opened once: for its time, then, when the cache
    // loads, for its FileVersion.
    MdlImage* cached = nullptr;
    WCHAR textVersion[kMdlVersionChars] = {};
    {
        FileHandle text(openForReading(path));
        if (text.ok() && (cached = loadCacheBeside(text.get(), path))) MdlReadFileVersionOf(text.get(), textVersion);
    }
    if (cached) {
        const bool textIsDriver = MdlVersionEquals(textVersion, driverVersion);
        WCHAR cacheVersion[kMdlVersionChars + 1];
        MdlImageVersion(cached->view(), cacheVersion);
        // A cache of the right versions whose offsets do not check out is
        // treated as a stale one: deleted and built again from the text.
        if (textIsDriver && MdlVersionEquals(cacheVersion, textVersion) &&
            MdlRelocateImage(cached->block, cached->size) && MdlValidateImage(cached->view())) {
            image = cached;
        } else {
            MdlImageFree(cached);
            MdlCacheDeleteFile(path);
            mayWrite = textIsDriver;
        }
    }
    if (!image) image = MdlCompileImage(ctx, path, mayWrite);
    // An image the list cannot take would belong to nobody: it is given up
    // and the context gets no model.
    if (image && !MdlCacheAdd(image, path)) {
        MdlImageFree(image);
        image = nullptr;
    }
    return image;
}

}  // namespace

const MdlImage* MdlCacheGet(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->desc) return nullptr;
    ModelMutex hold((ctx->ws->kindOptions & kKindOptMutexHeld) != 0);
    WCHAR* path = MdlGetDataFilePath(ctx->driverQuery);
    if (!path) return nullptr;
    const MdlImage* image = modelFor(ctx, path, ctx->desc->driverVersionText);
    MemFree(path);
    return image;
}

int MdlCachePath(const WCHAR* dataPath, WCHAR* out) {
    if (!out) return 0;
    out[0] = 0;
    size_t n = WLenMax(dataPath, kPathBufChars);
    if (!dataPath || n == 0 || n > kMaxPathChars) return 0;
    // Only the file name's own extension is replaced: a '.' in a folder
    // name must not move the cache out of the data file's folder.
    size_t name = n;
    while (name > 0 && !isSeparator(dataPath[name - 1])) --name;
    size_t keep = n;  // up to and with the extension's '.'
    bool dot = false;
    for (size_t i = n; i > name && !dot; --i)
        if (dataPath[i - 1] == u'.') {
            keep = i;
            dot = true;
        }
    WCHAR path[kPathBufChars] = {};
    for (size_t i = 0; i < keep; ++i) path[i] = dataPath[i];
    if (!dot && !WAppendWhole(path, kPathBufChars, u".")) return 0;
    if (!WAppendWhole(path, kPathBufChars, kCacheExtension)) return 0;
    // A data file whose extension is BCS would be its own cache and be
    // overwritten with the image: it has none.
    if (sameFile(path, dataPath, keep)) return 0;
    return WCopyWhole(out, kPathBufChars, path) ? 1 : 0;
}

MdlImage* MdlCacheLoadFile(const WCHAR* dataPath) {
    FileHandle text(openForReading(dataPath));
    return text.ok() ? loadCacheBeside(text.get(), dataPath) : nullptr;
}

int MdlCacheWriteFile(const uint8_t* stored, size_t size, const WCHAR* dataPath) {
    WCHAR cache[kPathBufChars];
    if (!stored || size <= kMdlHeaderSize || size > kMdlImageMaxSize || !MdlCachePath(dataPath, cache)) return 0;
    // The temporary file lies in the cache's folder, so the rename never
    // crosses volumes and replaces the cache in one step.
    WCHAR folder[kPathBufChars] = {};
    size_t cut = WLen(cache);
    while (cut > 0 && !isSeparator(cache[cut - 1])) --cut;
    if (cut == 0) folder[0] = u'.';
    for (size_t i = 0; i < cut; ++i) folder[i] = cache[i];
    WCHAR temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder, kCacheExtension, 0, temp)) return 0;
    HANDLE f = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    if (ok) {
        ok = WriteFileCount(f, stored, static_cast<DWORD>(size)) == static_cast<int32_t>(size);
        ok = CloseHandle(f) && ok;
    }
    if (ok) ok = MoveFileExW(temp, cache, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) DeleteFileW(temp);
    return ok ? 1 : 0;
}

int MdlCacheDeleteFile(const WCHAR* dataPath) {
    WCHAR cache[kPathBufChars];
    if (!MdlCachePath(dataPath, cache)) return 0;
    return DeleteFileW(cache) ? 1 : 0;
}

}  // namespace vesk
