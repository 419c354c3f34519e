// The built-in table of display languages and its lookups. A language's
// index is the value of option 177 and of the INI key "DispLang"; its
// two-letter code names resource libraries, help files, INI sections and
// settings files. The default everywhere is index 1, "us". Codes compare
// without regard to letter case.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct LanguageRow {
    uint16_t index;        // display-language index
    uint16_t primary;      // Windows primary language id
    uint16_t sublanguage;  // 0 for all but Chinese
    uint16_t codePageKind; // 9 for jp, cs and ct, 1 for the others
    const WCHAR* code;     // two letters
};

constexpr uint16_t kLangDefaultIndex = 1;
constexpr uint16_t kLangNoIndex = 0xFFFF;

// The rows, ended by a row whose index is 0xFFFF.
const LanguageRow* LanguageTable();
// Number of rows before the end row.
size_t LanguageCount();

uint16_t LangIdFromCode(const WCHAR* code);
const WCHAR* LangCodeFromId(uint32_t index);
const WCHAR* LangCodeNormalize(const WCHAR* code);
// From the two characters just before the extension's dot of a file name.
uint16_t LangIdFromHelpFileName(const WCHAR* name);
const WCHAR* LangCodeFromHelpFileName(const WCHAR* name);
// From the installed driver's help file (DRIVER_INFO_3 pHelpFile).
uint16_t LangIdFromDriverHelpFile(DrvContext* ctx);
const WCHAR* LangCodeFromDriverHelpFile(DrvContext* ctx);
// From the printer data "HelpFileName".
uint16_t LangIdFromHelpData(DrvContext* ctx);
const WCHAR* LangCodeFromHelpData(DrvContext* ctx);
const WCHAR* LangCodeFromHelpDataByHandle(HANDLE printer);
// The code of option 177's current value.
const WCHAR* GetLangCodeOfOption(DrvContext* ctx);
// The index of a Windows language: a request with sublanguage 0 matches the
// first row of that primary id; another sublanguage only a row with that
// non-zero sublanguage. 0xFFFF when none matches.
uint16_t LangIndexFromLangId(uint16_t primary, uint16_t sublanguage);
uint16_t LangIndexFromLangIdWord(uint16_t langId);
uint16_t GetUserLocaleLangIndex();
// The primary id of the row for the low byte of `index` (0 when none) and
// its sublanguage in `sublanguage` when given.
uint8_t DispLangLookup(uint32_t index, uint16_t* sublanguage);
uint8_t DispLangPrimaryId(uint32_t index);
int IsKnownDispLang(uint32_t index);

// The two-letter display-language code of the printer into `code` (3
// characters): kind 1 from the installed driver's help file, other kinds from
// the printer data "HelpFileName". 0 when it could not be read.
int PrnLanguageCode(DrvContext* ctx, uint16_t kind, WCHAR code[3]);

}  // namespace vesk
