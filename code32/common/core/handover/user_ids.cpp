// The identity instructions of the hand-over: user code, user ID, owner ID.
#include <cctype>
#include <cstring>

#include "core/devmode/dm_flags.h"
#include "core/handover/handover.h"
#include "core/handover/handover_internal.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/locale.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/text_convert.h"
#include "core/wstr.h"

namespace vesk {

namespace {

constexpr uint32_t kJcMaskOwner = 0x2;
constexpr uint32_t kJcMaskUserId = 0x8;
// Printer data holds the code under this name, as the user-code loader
// reads it back (8 ANSI bytes and a NUL).
constexpr WCHAR kPrnCodeValue[] = u"UserCode";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
bool isAny(char) { return true; }

void setText(DrvContext* ctx, int id, const WCHAR* text) {
    if (DmItem* it = ItemFindById(ctx, id)) ItemSetString(ctx, it, text);
}

}  // namespace

bool HoAnsiWithin(const WCHAR* text, size_t max, bool (*ok)(char), char* ansi) {
    char buf[kHoValueChars * 2] = {};
    if (!text[0]) {
        if (ansi) ansi[0] = 0;
        return true;
    }
    if (WLenMax(text, kHoValueChars) > max || !WideToAnsiBounded(text, buf, sizeof buf)) return false;
    const size_t n = std::strlen(buf);
    if (n > max) return false;
    for (size_t i = 0; i < n; ++i)
        if (!ok(buf[i])) return false;
    if (ansi) std::memcpy(ansi, buf, n + 1);
    return true;
}

void HoSendJobItems(DrvContext* ctx, uint32_t mask) {
    JcSetItemsIfOn(ctx, mask);
    JcSaveItemsToPrinterData(ctx, mask);
}

void HoSaveUserCodeItems(DrvContext* ctx) {
    OptSaveToPrinterData(ctx->printer, ctx, ItemFindById(ctx, kItRdmLogCodeUse));
    if (DmItem* it = ItemFindById(ctx, kItRdmLogCode))
        if (const BYTE* p = ItemGetStorage(ctx, it)) PrnSetDataBinary(ctx->printer, p, kWsUserCodeChars, kPrnCodeValue);
}

void WriteUserCodeKeys(const WCHAR* printerName, int mode, DrvContext* ctx) {
    if (!printerName || !ctx || !ctx->ws) return;
    WCHAR path[kWsPathChars] = {};
    if (!BuildPrivateDirPath(path, kWsPathChars, kLocaleIniName)[0]) return;
    auto put = [&](const WCHAR* key, const WCHAR* value, const WCHAR* section) {
        IniWriteString(section, key, value, path);
    };
    if (mode == kUcKeysReset || mode == kUcKeysClear) {
        put(u"UserCode", u"0", printerName);
        put(u"UserCodeFIX", u"0", printerName);
        if (mode == kUcKeysClear) return;
        put(u"UserCodeString", u"", printerName);
    }
    if (mode != kUcKeysReset && mode != kUcKeysWithLast) return;
    WCHAR code[kWsUserCodeChars] = {};
    if (DmItem* it = ItemFindById(ctx, kItRdmLogCode)) ItemGetString(ctx, it, code, kWsUserCodeChars);
    if (!ItemRawById(ctx, kItRdmLogCodeUse) || !code[0]) return;
    put(u"UserCode", u"1", printerName);
    put(u"UserCodeFIX", u"1", printerName);
    put(u"UserCodeString", code, printerName);
    if (mode == kUcKeysWithLast) put(u"MRUUserCode", code, u"MAREN UserCode");
}

int ApplySetUserCode(const WCHAR* iniPath, const WCHAR* section, int* changed, DrvContext* ctx) {
    int dummy = 0;
    if (!changed) changed = &dummy;
    *changed = 0;
    if (!ctx || !ctx->ws || !iniPath || !section) return 1;
    ctx->ws->userCodeApplied = 0;
    WCHAR v[kHoValueChars];
    const bool had = HoReadKey(iniPath, section, kHoSetUserCode, v, kHoValueChars) != 0;
    const bool none = !had || (v[0] == u'*' && !v[1]);
    if (none) {
        DmClearInstUserCode(ctx);
    } else if (!v[0]) {
        WriteUserCodeKeys(section, kUcKeysClear, ctx);
        ItemSetRawById(ctx, kItRdmLogCodeUse, 0);
        ItemSetRawById(ctx, kItRdmUserCodeFIX, 0);
        setText(ctx, kItRdmLogCode, u"");
        setText(ctx, kItRdmUserCode, u"");
        HoSendJobItems(ctx, kJcMaskUserCode);
        HoSaveUserCodeItems(ctx);
        *changed = 1;
        DmClearInstUserCode(ctx);
    } else if (HoAnsiWithin(v, kHoUserCodeMax, isDigit, nullptr)) {
        ItemSetRawById(ctx, kItRdmLogCodeUse, 1);
        setText(ctx, kItRdmLogCode, v);
        setText(ctx, kItRdmUserCode, v);
        HoSendJobItems(ctx, kJcMaskUserCode);
        HoSaveUserCodeItems(ctx);
        *changed = 1;
        ctx->ws->userCodeApplied = 1;
        DmSetInstUserCode(ctx);
    } else {
        // Letters, or more than eight digits: dropped.
        *changed = 1;
        DmClearInstUserCode(ctx);
    }
    if (had) HoDeleteKey(iniPath, section, kHoSetUserCode);
    return 1;
}

int ApplySetUserIds(const WCHAR* iniPath, const WCHAR* section, DrvContext* ctx) {
    if (!ctx || !ctx->ws || !iniPath || !section) return 0;
    uint32_t mask = 0;
    bool any = false;
    WCHAR v[kHoValueChars];
    if (HoReadKey(iniPath, section, kHoSetUserId, v, kHoValueChars)) {
        any = true;
        if (HoAnsiWithin(v, kHoUserIdMax, isAlnum, nullptr)) {
            setText(ctx, kItRdmUserID, v);
            mask |= kJcMaskUserId;
        }
        HoDeleteKey(iniPath, section, kHoSetUserId);
    }
    if (HoReadKey(iniPath, section, kHoSetOwnerId, v, kHoValueChars)) {
        any = true;
        if (HoAnsiWithin(v, kHoOwnerIdMax, isAny, nullptr)) {
            setText(ctx, kItRdmOwnerName, v);
            mask |= kJcMaskOwner;
        }
        HoDeleteKey(iniPath, section, kHoSetOwnerId);
    }
    if (mask) {
        HoSendJobItems(ctx, mask);
        SetDrvInstSet(iniPath, section, 1);
    }
    return any ? 1 : 0;
}

}  // namespace vesk
