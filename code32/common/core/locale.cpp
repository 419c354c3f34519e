#include "core/locale.h"

#include <win/system.h>

#include "core/devmode/dm_flags.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr uint16_t kPaperLetter = 1, kPaperA4 = 9;
constexpr uint16_t kUnitMm = 0, kUnitInch = 1;
constexpr int kNoValue = 0x7FFF;

// The file and the section (the printer's name), kept in one block.
struct Where {
    WCHAR* block = nullptr;
    WCHAR* file = nullptr;
    WCHAR* section = nullptr;
    explicit Where(DrvContext* ctx) {
        block = static_cast<WCHAR*>(MemAllocZero(2 * kPathBufChars * sizeof(WCHAR)));
        if (!block) return;
        file = block;
        section = block + kPathBufChars;
        BuildPrivateDirPath(file, kPathBufChars, kLocaleIniName);
        WCopyCut(section, kPathBufChars, PrnGetPrinterName(ctx));
    }
    ~Where() { MemFree(block); }
    explicit operator bool() const { return block != nullptr; }
};

void writeNumber(const Where& w, const WCHAR* key, uint32_t v) {
    WCHAR text[12];
    int n = 0;
    WCHAR rev[12];
    do rev[n++] = static_cast<WCHAR>(u'0' + v % 10), v /= 10;
    while (v);
    for (int i = 0; i < n; ++i) text[i] = rev[n - 1 - i];
    text[n] = 0;
    IniWriteString(w.section, key, text, w.file);
}

// The country rule on the user's dialling code.
void countryRule(uint16_t* country, uint16_t* paper, uint16_t* unit) {
    WCHAR code[7] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, code, 7);
    const WCHAR c = code[0];
    const bool american = c == u'1' || c == u'2' || c == u'5';
    if (country) *country = american ? static_cast<uint16_t>(c - u'0') : 0;
    if (paper) *paper = american ? kPaperLetter : kPaperA4;
    if (unit) *unit = american ? kUnitInch : kUnitMm;
}

uint16_t driverLanguage(DrvContext* ctx) { return LangIdFromDriverHelpFile(ctx); }

}  // namespace

uint16_t GetUserCountryCode(DrvContext*) {
    uint16_t country = 0;
    countryRule(&country, nullptr, nullptr);
    return country;
}

uint32_t SetPaperDefaultsFromCountry(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    DrvWorkspace* ws = ctx->ws;
    countryRule(&ws->countryCode, &ws->defPaper, &ws->defUnit);
    return ItemSetRawById(ctx, kItRdmLocaleID, ws->countryCode);
}

int LocaleDefaultsFromUser(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    DrvWorkspace* ws = ctx->ws;
    uint16_t lang = GetUserLocaleLangIndex();
    ws->dispLang = lang == kLangNoIndex ? driverLanguage(ctx) : lang;
    countryRule(&ws->countryCode, &ws->defPaper, &ws->defUnit);
    return 1;
}

int LoadLocaleIni(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    Where w(ctx);
    if (!w || !w.file[0] || !FileExists(w.file)) return 0;
    if (IniGetInt(w.section, u"VeskInstDone", kNoValue, w.file) != 0) return 0;
    if (IniGetInt(w.section, u"DispLang", kNoValue, w.file) == kNoValue) return 0;
    DrvWorkspace* ws = ctx->ws;
    ws->userCode = static_cast<uint8_t>(IniGetInt(w.section, u"UserCode", 0, w.file));
    ws->userCodeFix = static_cast<uint8_t>(IniGetInt(w.section, u"UserCodeFIX", 0, w.file));
    IniGetString(w.section, u"UserCodeString", u"", ws->userCodeString, kWsUserCodeChars, w.file);
    ws->dispLang = static_cast<uint16_t>(IniGetInt(w.section, u"DispLang", 0, w.file));
    ws->defPaper = static_cast<uint16_t>(IniGetInt(w.section, u"DefPaper", 0, w.file));
    ws->defUnit = static_cast<uint16_t>(IniGetInt(w.section, u"DefUnit", 0, w.file));
    IniWriteString(w.section, u"VeskInstDone", u"1", w.file);
    return 1;
}

int InitLocaleDefaults(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    Where w(ctx);
    if (!w) return 0;
    DrvWorkspace* ws = ctx->ws;
    if (LoadLocaleIni(ctx)) {
        ItemSetRawById(ctx, kItRdmLogCodeUse, ws->userCode);
        if (DmItem* it = ItemFindById(ctx, kItRdmLogCode)) ItemSetString(ctx, it, ws->userCodeString);
        DmPutUserCodeFix(ctx, ws->userCodeFix);
        countryRule(&ws->countryCode, nullptr, nullptr);
    } else {
        LocaleDefaultsFromUser(ctx);
        writeNumber(w, u"DispLang", ws->dispLang);
        writeNumber(w, u"DefPaper", ws->defPaper);
        writeNumber(w, u"DefUnit", ws->defUnit);
    }
    const uint16_t installed = driverLanguage(ctx);
    if (installed != ws->dispLang) {
        ws->dispLang = installed;
        writeNumber(w, u"DispLang", ws->dispLang);
        if (installed == 0) {
            ws->defPaper = kPaperA4;
            ws->defUnit = kUnitMm;
            writeNumber(w, u"DefPaper", ws->defPaper);
            writeNumber(w, u"DefUnit", ws->defUnit);
        }
    }
    if (ctx->desc && ctx->desc->driverType == 0) {
        ws->defPaper = kPaperA4;
        writeNumber(w, u"DefPaper", ws->defPaper);
    }
    ItemSetRawById(ctx, kItRdmLanguageID, ws->dispLang);
    ItemSetRawById(ctx, kItRdmDspLanguageID, ws->dispLang);
    ItemSetRawById(ctx, kItRdmLocaleID, ws->countryCode);
    ItemSetRawById(ctx, kItRdmDspUnit, ws->defUnit);
    ItemSetRawById(ctx, kItDmPaperSize, ws->defPaper);
    return 1;
}

int SaveLocaleIni(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    Where w(ctx);
    if (!w) return 0;
    writeNumber(w, u"DispLang", ItemRawById(ctx, kItRdmLanguageID));
    const uint32_t country = ItemRawById(ctx, kItRdmLocaleID);
    writeNumber(w, u"DefPaper", country == 1 || country == 2 || country == 5 ? kPaperLetter : kPaperA4);
    writeNumber(w, u"DefUnit", ItemRawById(ctx, kItRdmDspUnit));
    WCHAR code[kWsUserCodeChars] = {};
    if (DmItem* it = ItemFindById(ctx, kItRdmLogCode)) ItemGetString(ctx, it, code, kWsUserCodeChars);
    const bool handOver = ItemRawById(ctx, kItRdmLogCodeUse) && code[0];
    IniWriteString(w.section, u"UserCode", handOver ? u"1" : u"0", w.file);
    IniWriteString(w.section, u"UserCodeFIX", handOver ? u"1" : u"0", w.file);
    IniWriteString(w.section, u"UserCodeString", handOver ? code : u"", w.file);
    IniWriteString(w.section, u"VeskInstDone", u"0", w.file);
    LoadLocaleIni(ctx);
    return 1;
}

}  // namespace vesk
