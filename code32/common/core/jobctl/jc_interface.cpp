// Loading and releasing the job-control library, and its item table.
#include <win/modules.h>

#include <cstring>

#include "core/item_ids.h"
#include "core/jobctl/jc_client.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

// The library by its bare name, looked for in the system directory only: a
// file of that name beside the application or in the current directory is
// never mapped into the driver.
constexpr WCHAR kJcLibrary[] = u"ZORJC32.DLL";

constexpr JcItemRow kRows[kJcItemRows] = {
    {kJcCodeUserCode, 0x1, kItRdmUserCode, false},       {kJcCodeOwner, 0x2, kItRdmOwnerName, false},
    {kJcCodePassword, 0x4, kItRdmJOBPassword, false},    {kJcCodeUserId, 0x8, kItRdmUserID, false},
    {kJcCodeDocument, 0x10, kItRdmDocumentName, false},  {kJcCodeTelNo, 0x20, kItRdmTelNo, false},
    {kJcCodeTelLine, 0x40, kItRdmTelLine, false},        {kJcCodeStored, 0x80, kItRdmStoredPassword, false},
    {kJcCodeProduct, 0x100, 0, true},                    {kJcCodeVersion, 0x200, kItWdmDriverVersion, true},
    {kJcCodeLangId, 0x400, kItRdmLanguageID, true},
};

DWORD askVersion(JcWorkspace* s, DWORD version) {
    JcInterface* table = nullptr;
    const DWORD r = s->getInterface(version, &table);
    if (r != kJcOk) return r;
    if (!table) return ERROR_INVALID_FUNCTION;  // "granted" without a table
    s->table = table;
    s->version = static_cast<uint16_t>(version);
    return kJcOk;
}

}  // namespace

const JcItemRow* JcItemTable() { return kRows; }

const JcItemRow* JcFindRow(uint32_t code) {
    for (const JcItemRow& r : kRows)
        if (r.code == code) return &r;
    return nullptr;
}

DWORD JcLoadInterface(JcWorkspace* s) {
    if (!s) return ERROR_INVALID_PARAMETER;
    if (s->module) return kJcOk;
    std::memset(s, 0, sizeof *s);
    s->module = LoadLibraryExW(kJcLibrary, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!s->module) {
        const DWORD e = GetLastError();
        return e ? e : ERROR_MOD_NOT_FOUND;
    }
    s->getInterface = ProcAs<JcGetInterfaceFn>(GetProcAddress(s->module, "JCGetInterface"));
    s->disposeInterface = ProcAs<JcDisposeInterfaceFn>(GetProcAddress(s->module, "JCDisposeInterface"));
    DWORD r = ERROR_PROC_NOT_FOUND;
    if (!s->getInterface || !s->disposeInterface) {
        const DWORD e = GetLastError();
        if (e) r = e;
    } else if ((r = askVersion(s, kJcVersion258)) != kJcOk) {
        r = askVersion(s, kJcVersion257);
    }
    if (r != kJcOk) JcUnloadInterface(s);
    return r;
}

void JcUnloadInterface(JcWorkspace* s) {
    if (!s) return;
    if (s->getInterface && s->disposeInterface && s->table) s->disposeInterface(s->table);
    if (s->module) FreeLibrary(s->module);
    std::memset(s, 0, sizeof *s);
}

}  // namespace vesk
