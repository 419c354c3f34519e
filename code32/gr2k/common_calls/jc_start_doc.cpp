// The job-control step of the document's start: the job-identity items the
// maker's job-control library holds for the printer (and, from version 259,
// for the job's user) are read into the context. Whatever happens the step
// answers 1: without the library the job keeps the items it brought.
#include <maker/zorjc32.h>
#include <win/files.h>
#include <win/modules.h>
#include <win/spooler.h>
#include <win/system.h>

#include <cstring>

#include "common_calls/start_doc_steps.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/driver_services.h"
#include "core/printer_info.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

constexpr WCHAR kJcLibraryName[] = u"ZORJC32.DLL";
constexpr WCHAR kUnknownUser[] = u"UNKNOWN";
constexpr DWORD kSkipResult = 13;  // the library has nothing for the row
constexpr uint32_t kStartDocMask = 0x9F;
constexpr DWORD kUserChars = 256;

// The rows of the request: item code, mask bit, wide buffer bytes, item.
struct RequestRow {
    DWORD code;
    uint32_t maskBit;
    DWORD bufferBytes;
    int itemId;
};
constexpr RequestRow kRequestRows[] = {
    {kJcCodeUserCode, 0x1, 18, kItRdmUserCode},        {kJcCodeOwner, 0x2, 34, kItRdmOwnerName},
    {kJcCodePassword, 0x4, 18, kItRdmJOBPassword},     {kJcCodeUserId, 0x8, 18, kItRdmUserID},
    {kJcCodeDocument, 0x10, 34, kItRdmDocumentName},   {kJcCodeTelNo, 0x20, 130, kItRdmTelNo},
    {kJcCodeTelLine, 0x40, 18, kItRdmTelLine},         {kJcCodeStored, 0x80, 18, kItRdmStoredPassword},
};

struct Library {
    HMODULE module = nullptr;
    JcDisposeInterfaceFn dispose = nullptr;
    JcInterface* table = nullptr;
    DWORD version = 0;
    HANDLE conn = nullptr;
    ~Library() {
        if (conn && table) table->close(conn);
        if (table && dispose) dispose(table);
        if (module) FreeLibrary(module);
    }
};

struct Block {
    void* p;
    explicit Block(size_t n) : p(MemAllocZero(n)) {}
    ~Block() { MemFree(p); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
};

bool loadLibrary(Library& lib) {
    WCHAR path[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    const size_t nameChars = sizeof kJcLibraryName / sizeof kJcLibraryName[0];
    if (n == 0 || n + 1 + nameChars > MAX_PATH) return false;
    path[n] = u'\\';
    std::memcpy(path + n + 1, kJcLibraryName, sizeof kJcLibraryName);
    lib.module = LoadLibraryW(path);
    if (!lib.module) return false;
    auto get = ProcAs<JcGetInterfaceFn>(GetProcAddress(lib.module, "JCGetInterface"));
    lib.dispose = ProcAs<JcDisposeInterfaceFn>(GetProcAddress(lib.module, "JCDisposeInterface"));
    if (!get || !lib.dispose) return false;
    for (DWORD v : {kJcVersion259, kJcVersion258, kJcVersion257}) {
        JcInterface* t = nullptr;
        if (get(v, &t) == kJcOk && t) {
            lib.table = t;
            lib.version = v;
            return true;
        }
    }
    return false;
}

// The job's user as the spooler gives it; the logged-on user when the job
// has none or an unknown one. False when neither is known.
bool jobUser(HANDLE printer, DWORD jobId, WCHAR* user) {
    user[0] = 0;
    DWORD needed = 0;
    GetJobW(printer, jobId, 1, nullptr, 0, &needed);
    if (needed >= sizeof(JOB_INFO_1W)) {
        Block b(needed);
        auto* job = static_cast<JOB_INFO_1W*>(b.p);
        if (job && GetJobW(printer, jobId, 1, static_cast<LPBYTE>(b.p), needed, &needed) && job->pUserName &&
            job->pUserName[0] && std::u16string_view(job->pUserName) != kUnknownUser) {
            const std::u16string_view name(job->pUserName);
            if (name.size() < kUserChars) {
                std::memcpy(user, name.data(), name.size() * sizeof(WCHAR));
                user[name.size()] = 0;
                return true;
            }
        }
    }
    DWORD size = kUserChars;
    if (!GetUserNameW(user, &size) || !user[0]) {
        user[0] = 0;
        return false;
    }
    user[kUserChars - 1] = 0;
    return true;
}

DWORD query(const Library& lib, const WCHAR* user, DWORD code, void* buffer, DWORD bytes, DWORD* needed) {
    if (lib.version == kJcVersion259) {
        const auto* ext = reinterpret_cast<const JcInterface259*>(lib.table);
        const DWORD r = ext->getItemForUser(lib.conn, code, kJcKindText, user, buffer, bytes, needed);
        if (r == kJcOk || r == kSkipResult || (r == kJcMoreData && !buffer)) return r;
    }
    return lib.table->getItem(lib.conn, code, kJcKindText, buffer, bytes, needed);
}

// One row into its item: the size first, then the text, cut to the row's
// buffer on a whole character and always terminated.
void askRow(DrvContext* ctx, const Library& lib, const WCHAR* user, const RequestRow& row) {
    DWORD needed = 0;
    const DWORD r = query(lib, user, row.code, nullptr, 0, &needed);
    if (r == kSkipResult || needed == 0 || (r != kJcOk && r != kJcMoreData)) return;
    const DWORD chars = row.bufferBytes / 2;
    WCHAR text[130 / 2] = {};
    if (needed <= row.bufferBytes) {
        DWORD n2 = 0;
        if (query(lib, user, row.code, text, row.bufferBytes, &n2) != kJcOk) return;
    } else {
        Block big(needed + sizeof(WCHAR));
        if (!big.p) return;
        DWORD n2 = 0;
        if (query(lib, user, row.code, big.p, needed, &n2) != kJcOk) return;
        std::memcpy(text, big.p, (chars - 1) * sizeof(WCHAR));
        // A surrogate pair is not split by the cut.
        if (text[chars - 2] >= 0xD800 && text[chars - 2] < 0xDC00) text[chars - 2] = 0;
    }
    text[chars - 1] = 0;
    DmItem* it = ItemFindById(ctx, row.itemId);
    if (!it || itemSize(*it) == 0) return;
    char ansi[130 / 2 + 1] = {};
    StrWideToAnsi(ansi, text, static_cast<int>(chars));
    BYTE field[256] = {};
    const size_t size = itemSize(*it);
    if (size > sizeof field) return;
    const size_t n = AnsiWholeCharacters(ansi, std::strlen(ansi), size - 1);
    std::memcpy(field, ansi, n);
    ItemSetRawBytes(ctx, it, field);
}

}  // namespace

int JcStartDocHandover(DrvContext* ctx, HANDLE printer, DWORD jobId) {
    if (!ctx) return 1;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(PrnGetInfoExc(printer, 2));
    if (!info) return 1;
    struct InfoGuard {
        PRINTER_INFO_2W* i;
        ~InfoGuard() { PrnFreeInfo2(i); }
    } guard{info};
    Library lib;
    if (!loadLibrary(lib)) return 1;
    WCHAR user[kUserChars] = {};
    if (lib.version == kJcVersion259 && !jobUser(printer, jobId, user)) return 1;
    if (!info->pPrinterName || lib.table->open(info->pPrinterName, &lib.conn) != kJcOk) {
        lib.conn = nullptr;
        return 1;
    }
    for (const RequestRow& row : kRequestRows)
        if (row.maskBit & kStartDocMask) askRow(ctx, lib, user, row);
    return 1;
}

}  // namespace vesk
