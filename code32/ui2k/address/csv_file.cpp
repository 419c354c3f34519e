// The context's address book and its file: loading the list from the
// private directory and writing it back whole. A list that is there but
// cannot be read is never overwritten, and a save goes to a temporary file
// that replaces the list only once it was written completely.
#include <win/files.h>

#include <algorithm>
#include <vector>

#include "address/csv_store.h"
#include "core/paths.h"
#include "core/wstr.h"
#include "hooks/hook_state.h"

namespace vesk {
namespace {

constexpr WCHAR kCsvName[] = u"\\KWHREMPR.CSV";
constexpr WCHAR kCsvTempSuffix[] = u".new";
// Larger than any file the reader could accept (1000 records of 13 fields
// with list fields of 1000 parts fit well below it only in theory; a real
// book is a few hundred kilobytes).
constexpr DWORD kCsvMaxFileBytes = 64u << 20;

// Read: shared for reading, the file must exist; write: exclusive, made anew.
HANDLE CsvOpenFile(const WCHAR* name, DWORD* status, bool write) {
    HANDLE h = write ? CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                     : CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (status) *status = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    return h;
}

struct FileCloser {
    HANDLE h;
    ~FileCloser() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool writeAll(HANDLE h, const std::vector<BYTE>& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - at, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h, bytes.data() + at, chunk, &written, nullptr) || written != chunk) return false;
        at += chunk;
    }
    return true;
}

}  // namespace

int CsvFilePath(DrvContext* ctx, WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    if (!GetPrivateDir(buffer, capacity, ctx)) return 0;
    size_t n = WLen(buffer);
    if (n && buffer[n - 1] == u'\\') buffer[--n] = 0;
    if (!WAppendWhole(buffer, capacity, kCsvName)) {
        buffer[0] = 0;
        return 0;
    }
    return 1;
}

CsvStore* CsvStoreOf(DrvContext* ctx) {
    HookState* h = HookStateOf(ctx, false);
    return h && h->addressLoaded ? &h->address : nullptr;
}

int CsvStoreAlloc(DrvContext* ctx) {
    HookState* h = HookStateOf(ctx, true);
    if (!h) return 0;
    if (h->addressLoaded) CsvStoreRelease(&h->address);
    h->addressLoaded = CsvStoreInit(&h->address) ? 1 : 0;
    return int(h->addressLoaded);
}

void CsvFreeListFields(DrvContext* ctx) { CsvStoreFreeListFields(CsvStoreOf(ctx)); }

void CsvStoreFree(DrvContext* ctx) {
    HookState* h = HookStateOf(ctx, false);
    if (!h || !h->addressLoaded) return;
    CsvStoreRelease(&h->address);
    h->address.position = -1;
    h->addressLoaded = 0;
    h->addressOwnerPage = 0;
}

int CsvReadFile(DrvContext* ctx) {
    CsvStore* s = CsvStoreOf(ctx);
    WCHAR path[kWsPathChars];
    if (!s || !CsvFilePath(ctx, path, kWsPathChars)) return 0;
    DWORD status = 0;
    FileCloser f{CsvOpenFile(path, &status, false)};
    if (f.h == INVALID_HANDLE_VALUE) {
        // Not there yet: an empty book that may be saved. Any other refusal
        // (sharing, access) keeps the file as it is.
        if (status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND) s->unreadable = 1;
        return 0;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(f.h, &high);
    if (size == INVALID_FILE_SIZE || high || size > kCsvMaxFileBytes) {
        s->unreadable = 1;
        return 0;
    }
    std::vector<BYTE> copy(size);
    DWORD got = 0;
    if (size && (!ReadFile(f.h, copy.data(), size, &got, nullptr) || got != size)) {
        s->unreadable = 1;
        return 0;
    }
    if (!CsvParseRecords(s, copy.data(), copy.size())) {
        s->unreadable = 1;
        return 0;
    }
    return 1;
}

void CsvBuildDisplayList(DrvContext* ctx) { CsvBuildDisplayListOf(CsvStoreOf(ctx)); }

int CsvLoad(DrvContext* ctx) {
    if (!CsvStoreAlloc(ctx)) return 0;
    if (CsvReadFile(ctx)) CsvBuildDisplayList(ctx);
    return 1;
}

int CsvClose(DrvContext* ctx) {
    CsvStoreFree(ctx);
    return 1;
}

int CsvWriteFile(DrvContext* ctx) {
    CsvStore* s = CsvStoreOf(ctx);
    WCHAR path[kWsPathChars], temp[kWsPathChars];
    if (!s || s->unreadable || !CsvFilePath(ctx, path, kWsPathChars)) return 0;
    if (!WCopyWhole(temp, kWsPathChars, path) || !WAppendWhole(temp, kWsPathChars, kCsvTempSuffix)) return 0;
    std::vector<BYTE> image;
    if (!CsvFormatFile(s, image)) return 0;
    bool ok;
    {
        FileCloser f{CsvOpenFile(temp, nullptr, true)};
        if (f.h == INVALID_HANDLE_VALUE) return 0;
        ok = writeAll(f.h, image);
    }
    if (ok) ok = MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) DeleteFileW(temp);
    return ok ? 1 : 0;
}

CsvRecord* CsvNewRecord(DrvContext* ctx, int position) { return CsvListInsert(CsvStoreOf(ctx), position, 1); }

CsvRecord* CsvDeleteRecord(DrvContext* ctx, int position) { return CsvListRemove(CsvStoreOf(ctx), position); }

}  // namespace vesk
