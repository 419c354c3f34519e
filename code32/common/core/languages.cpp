#include "core/languages.h"

#include <win/system.h>

#include "core/item_store.h"
#include "core/path_names.h"
#include "core/printer_identity.h"
#include "core/context.h"
#include "core/wstr.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

// The display languages the driver set knows. Index 15 is not used.
constexpr LanguageRow kLanguages[] = {
    {0, 0x11, 0, 9, u"jp"},  {1, 0x09, 0, 1, u"us"},  {2, 0x05, 0, 1, u"cz"},  {3, 0x06, 0, 1, u"dn"},
    {4, 0x07, 0, 1, u"gm"},  {5, 0x0A, 0, 1, u"sp"},  {6, 0x0C, 0, 1, u"fr"},  {7, 0x10, 0, 1, u"it"},
    {8, 0x0E, 0, 1, u"hn"},  {9, 0x13, 0, 1, u"dt"},  {10, 0x14, 0, 1, u"nw"}, {11, 0x15, 0, 1, u"pl"},
    {12, 0x16, 0, 1, u"pr"}, {13, 0x0B, 0, 1, u"fn"}, {14, 0x1D, 0, 1, u"sw"}, {16, 0x04, 2, 9, u"cs"},
    {17, 0x04, 1, 9, u"ct"}, {0xFFFF, 0, 0, 0, nullptr},
};
constexpr size_t kRows = sizeof kLanguages / sizeof kLanguages[0] - 1;
constexpr size_t kHelpDataChars = 261;           // 522 bytes
constexpr size_t kHelpDataByHandleChars = 522;   // 1044 bytes

WCHAR lower(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c; }

const LanguageRow* rowOfCode(const WCHAR* code) {
    if (!code) return nullptr;
    for (size_t i = 0; i < kRows; ++i) {
        const WCHAR* c = kLanguages[i].code;
        if (lower(code[0]) == c[0] && code[0] && lower(code[1]) == c[1] && code[1] && !code[2]) return &kLanguages[i];
    }
    return nullptr;
}

const LanguageRow* rowOfIndex(uint32_t index) {
    for (size_t i = 0; i < kRows; ++i)
        if (kLanguages[i].index == index) return &kLanguages[i];
    return nullptr;
}

// The two characters before the extension's dot; false when the name has
// no dot or fewer than two characters before it.
bool codeBeforeDot(const WCHAR* name, WCHAR (&code)[3]) {
    if (!name) return false;
    const WCHAR* file = FileNamePart(name);
    size_t extLen = 0;
    const WCHAR* ext = FileExtension(name, &extLen);
    if (ext == file) return false;  // no dot
    const WCHAR* dot = ext - 1;
    if (dot - file < 2) return false;
    code[0] = dot[-2];
    code[1] = dot[-1];
    code[2] = 0;
    return true;
}

}  // namespace

const LanguageRow* LanguageTable() { return kLanguages; }
size_t LanguageCount() { return kRows; }

uint16_t LangIdFromCode(const WCHAR* code) {
    const LanguageRow* r = rowOfCode(code);
    return r ? r->index : kLangDefaultIndex;
}

const WCHAR* LangCodeFromId(uint32_t index) {
    const LanguageRow* r = rowOfIndex(index);
    return r ? r->code : u"us";
}

const WCHAR* LangCodeNormalize(const WCHAR* code) {
    const LanguageRow* r = rowOfCode(code);
    return r ? r->code : u"us";
}

uint16_t LangIdFromHelpFileName(const WCHAR* name) {
    WCHAR code[3];
    return codeBeforeDot(name, code) ? LangIdFromCode(code) : kLangDefaultIndex;
}

const WCHAR* LangCodeFromHelpFileName(const WCHAR* name) {
    WCHAR code[3];
    return codeBeforeDot(name, code) ? LangCodeNormalize(code) : u"us";
}

uint16_t LangIdFromDriverHelpFile(DrvContext* ctx) {
    WCHAR name[kPathBufChars];
    if (!ctx || !GetHelpFileName(ctx->printer, name, kPathBufChars)) return kLangDefaultIndex;
    return LangIdFromHelpFileName(name);
}

const WCHAR* LangCodeFromDriverHelpFile(DrvContext* ctx) {
    WCHAR name[kPathBufChars];
    if (!ctx || !GetHelpFileName(ctx->printer, name, kPathBufChars)) return u"us";
    return LangCodeFromHelpFileName(name);
}

uint16_t LangIdFromHelpData(DrvContext* ctx) {
    WCHAR name[kHelpDataChars];
    if (!PrnGetHelpFileName(ctx, name, sizeof name)) return kLangDefaultIndex;
    return LangIdFromHelpFileName(name);
}

const WCHAR* LangCodeFromHelpData(DrvContext* ctx) {
    WCHAR name[kHelpDataChars];
    if (!PrnGetHelpFileName(ctx, name, sizeof name)) return u"us";
    return LangCodeFromHelpFileName(name);
}

const WCHAR* LangCodeFromHelpDataByHandle(HANDLE printer) {
    WCHAR name[kHelpDataByHandleChars];
    if (!PrnGetHelpFileNameByHandle(name, sizeof name, printer)) return u"us";
    return LangCodeFromHelpFileName(name);
}

const WCHAR* GetLangCodeOfOption(DrvContext* ctx) { return LangCodeFromId(ItemRawById(ctx, kItRdmLanguageID)); }

uint16_t LangIndexFromLangId(uint16_t primary, uint16_t sublanguage) {
    for (size_t i = 0; i < kRows; ++i) {
        const LanguageRow& r = kLanguages[i];
        if (r.primary != primary) continue;
        if (sublanguage == 0) return r.index;
        if (r.sublanguage != 0 && r.sublanguage == sublanguage) return r.index;
    }
    return kLangNoIndex;
}

uint16_t LangIndexFromLangIdWord(uint16_t langId) {
    return LangIndexFromLangId(static_cast<uint16_t>(langId & 0x3FF), static_cast<uint16_t>(langId >> 10));
}

uint16_t GetUserLocaleLangIndex() { return LangIndexFromLangIdWord(LANGIDFROMLCID(GetUserDefaultLCID())); }

uint8_t DispLangLookup(uint32_t index, uint16_t* sublanguage) {
    const LanguageRow* r = rowOfIndex(index & 0xFF);
    if (sublanguage) *sublanguage = r ? r->sublanguage : 0;
    return r ? static_cast<uint8_t>(r->primary) : 0;
}

uint8_t DispLangPrimaryId(uint32_t index) { return DispLangLookup(index, nullptr); }

int IsKnownDispLang(uint32_t index) { return rowOfIndex(index) ? 1 : 0; }

// The language code a new context starts with: kind 1 takes it from the
// installed driver's help file, the other kinds from the printer data.
int PrnLanguageCode(DrvContext* ctx, uint16_t kind, WCHAR code[3]) {
    if (!code) return 0;
    code[0] = 0;
    if (!ctx) return 0;
    WCHAR name[kHelpDataChars];
    bool read = kind == 1 ? GetHelpFileName(ctx->printer, name, kHelpDataChars) != 0
                          : PrnGetHelpFileName(ctx, name, sizeof name) != 0;
    const WCHAR* c = read ? LangCodeFromHelpFileName(name) : u"us";
    code[0] = c[0];
    code[1] = c[1];
    code[2] = 0;
    return read ? 1 : 0;
}

}  // namespace vesk
