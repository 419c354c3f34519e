// The user code in KW00C170.ini and in printer data.
//
// KW00C170.ini, section = the printer name: "UserCode" (0 or 1, the value of
// rdmLogCodeUse), "UserCodeString" (the code), "UserCodeFIX" (1 when the
// code is fixed). Section "MAREN UserCode", key "MRUUserCode": the code used
// last on this machine. That key is one value for the whole machine, shared
// by every printer and user: a new printer section takes the last code
// anyone used.
#include "core/usercode/user_code.h"

#include <cstring>
#include <string>

#include "core/devmode/dm_flags.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"
#include "core/usercode/user_code_internal.h"

namespace vesk {
namespace {

constexpr WCHAR kIniName[] = u"KW00C170.ini";
constexpr WCHAR kHandoverIniName[] = u"VESK.ini";
constexpr WCHAR kLastSection[] = u"MAREN UserCode";
constexpr WCHAR kLastKey[] = u"MRUUserCode";
constexpr WCHAR kUseKey[] = u"UserCode";
constexpr WCHAR kCodeKey[] = u"UserCodeString";
constexpr WCHAR kFixKey[] = u"UserCodeFIX";
constexpr size_t kWorkChars = 260;
constexpr BYTE kCodeBytes = 9;  // "UserCode" in printer data: 8 ANSI bytes and a NUL

// The three work buffers of the INI steps: the file's path, a value and the
// last code.
struct Work {
    Work()
        : path(alloc()), value(alloc()), last(alloc()) {}
    ~Work() {
        MemFree(path);
        MemFree(value);
        MemFree(last);
    }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;
    static WCHAR* alloc() { return static_cast<WCHAR*>(MemAllocZero(kWorkChars * sizeof(WCHAR))); }
    explicit operator bool() const { return path && value && last; }
    WCHAR* path;
    WCHAR* value;
    WCHAR* last;
};

// The INI's path; empty when it cannot be built, and the INI step is then
// skipped (the profile functions would take a bare name as a file of the
// Windows directory).
bool iniPath(WCHAR* dest) {
    dest[0] = 0;
    BuildPrivateDirPath(dest, kWorkChars, kIniName);
    return dest[0] != 0;
}

void writeKey(const WCHAR* key, const WCHAR* value, const Work& w, const WCHAR* section) {
    IniWriteString(section, key, value, w.path);
}

void readKey(const WCHAR* section, const WCHAR* key, WCHAR* dest, const Work& w) {
    IniGetString(section, key, u"", dest, kWorkChars, w.path);
}

void setCode(DrvContext* ctx, int id, const WCHAR* code) {
    if (DmItem* it = ItemFindById(ctx, id)) ItemSetString(ctx, it, code);
}

}  // namespace

void UcGetCode(DrvContext* ctx, WCHAR* dest, size_t chars) {
    dest[0] = 0;
    if (DmItem* it = ItemFindById(ctx, kItRdmLogCode)) ItemGetString(ctx, it, dest, chars);
}

bool UcServerSuppliesCode(DrvContext* ctx) { return PrnIsRemote(ctx) && ItemRawById(ctx, kItRdmServerLogCode) != 0; }

int LoadUserCodeFromIni(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    Work w;
    if (!w) return 0;
    uint32_t use = 0, fixed = 0;
    WCHAR* code = w.value;
    code[0] = 0;
    if (iniPath(w.path)) {
        const WCHAR* section = PrnGetPrinterName(ctx);
        if (FileExists(w.path)) {
            readKey(section, kUseKey, w.value, w);
            const bool set = w.value[0] != 0;
            readKey(kLastSection, kLastKey, w.last, w);
            if (set) {
                use = IniGetInt(section, kUseKey, 0, w.path);
                readKey(section, kCodeKey, code, w);
            } else {
                std::memcpy(code, w.last, kWorkChars * sizeof(WCHAR));
                writeKey(kUseKey, u"0", w, section);
                writeKey(kCodeKey, code, w, section);
            }
        } else {
            writeKey(kUseKey, u"0", w, section);
            writeKey(kCodeKey, u"", w, section);
            writeKey(kLastKey, u"", w, kLastSection);
        }
        fixed = IniGetInt(section, kFixKey, 0, w.path);
    }
    ItemSetRawById(ctx, kItRdmLogCodeUse, use);
    setCode(ctx, kItRdmLogCode, code);
    setCode(ctx, kItRdmDllLogCode, code);
    DmPutUserCodeFix(ctx, static_cast<BYTE>(fixed));
    return 1;
}

int LoadUserCodeForPrinter(DrvContext* ctx) {
    if (!ctx || !ctx->ws || PrnIsRemote(ctx)) return 0;
    BYTE serverUse = 0;
    if (!PrnGetData(ctx->printer, &serverUse, 1, u"ServerUse") || serverUse == 0) return LoadUserCodeFromIni(ctx);
    BYTE use = 0;
    PrnGetData(ctx->printer, &use, 1, u"UserCodeUse");
    ItemSetRawById(ctx, kItRdmLogCodeUse, use);
    // The value need not be terminated: it is read within the bytes the
    // spooler returned (the buffer is zero-filled first).
    char raw[kCodeBytes] = {};
    if (PrnGetData(ctx->printer, raw, kCodeBytes, u"UserCode")) {
        WCHAR code[kCodeBytes + 1] = {};
        if (AnsiToWideBounded(raw, strnlen(raw, kCodeBytes), code, kCodeBytes + 1) || !raw[0])
            setCode(ctx, kItRdmLogCode, code);
    }
    return 1;
}

int SaveUserCodeToIni(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    if (UcServerSuppliesCode(ctx)) return 1;
    Work w;
    if (!w) return 0;
    if (!iniPath(w.path)) return 1;
    const WCHAR* section = PrnGetPrinterName(ctx);
    const int use = static_cast<int32_t>(ItemRawById(ctx, kItRdmLogCodeUse));
    WCHAR number[16] = {};
    StrAnsiToWide(number, std::to_string(use).c_str(), 16);
    writeKey(kUseKey, number, w, section);
    UcGetCode(ctx, w.value, kWorkChars);
    writeKey(kCodeKey, w.value, w, section);
    const bool fixed = w.value[0] != 0;
    DmPutUserCodeFix(ctx, fixed ? 1 : 0);
    writeKey(kFixKey, fixed ? u"1" : u"0", w, section);
    writeKey(kLastKey, w.value, w, kLastSection);
    return 1;
}

int SyncUserCodeAtInstall(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    Work w;
    if (!w) return 0;
    const bool haveIni = iniPath(w.path);
    const WCHAR* section = PrnGetPrinterName(ctx);
    auto put = [&](const WCHAR* key, const WCHAR* value, const WCHAR* sec) {
        if (haveIni) writeKey(key, value, w, sec);
    };
    if (PrnIsRemote(ctx)) {
        if (ItemRawById(ctx, kItRdmServerLogCode) == 0) {
            ItemSetRawById(ctx, kItRdmLogCodeUse, 0);
            setCode(ctx, kItRdmLogCode, u"");
        }
        put(kUseKey, u"0", section);
        put(kFixKey, u"0", section);
        return 1;
    }
    if (DmGetInstUserCode(ctx)) {
        UcGetCode(ctx, w.value, kWorkChars);
        put(kUseKey, u"1", section);
        put(kFixKey, u"1", section);
        put(kCodeKey, w.value, section);
        if (w.value[0]) put(kLastKey, w.value, kLastSection);
        return 1;
    }
    if (!haveIni) return 1;
    auto putEmpty = [&] {
        put(kUseKey, u"0", section);
        put(kCodeKey, u"", section);
        put(kFixKey, u"0", section);
        put(kLastKey, u"", kLastSection);
    };
    if (!FileExists(w.path)) {
        putEmpty();
        return 1;
    }
    readKey(section, kUseKey, w.value, w);
    if (!w.value[0]) {
        readKey(kLastSection, kLastKey, w.last, w);
        if (!w.last[0]) {
            putEmpty();
            return 1;
        }
        setCode(ctx, kItRdmLogCode, w.last);
        ItemSetRawById(ctx, kItRdmLogCodeUse, 0);
        put(kUseKey, u"0", section);
        put(kCodeKey, w.last, section);
        put(kFixKey, u"0", section);
        return 1;
    }
    // A code that is set stays the installer's when its hand-over applied it.
    WCHAR handover[kWorkChars] = {};
    BuildSystemDirPath(handover, kWorkChars, kHandoverIniName);
    if (handover[0] && FileExists(handover) && ctx->ws->userCodeApplied) return 1;
    readKey(section, kCodeKey, w.value, w);
    put(kUseKey, u"0", section);
    ItemSetRawById(ctx, kItRdmLogCodeUse, 0);
    setCode(ctx, kItRdmLogCode, w.value);
    put(kFixKey, u"0", section);
    if (w.value[0]) put(kLastKey, w.value, kLastSection);
    return 1;
}

}  // namespace vesk
