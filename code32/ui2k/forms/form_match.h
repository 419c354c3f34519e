// DevQueryPrintEx and the matching of a job's DEVMODE with the spooler's
// forms.
#pragma once
#include <win/devmode.h>
#include <win/spooler.h>
#include <win/types.h>
#include <win/winddiui.h>

#include "core/context.h"
#include "ui_export.h"

namespace vesk {

constexpr uint32_t kFormNameBufferChars = 64;
// Sizes within this many 0.001 mm of a DEVMODE's size (strictly less) match.
constexpr int32_t kFormTolerance = 1000;

// A form found: the record with its name in the buffer behind it (pName
// points there).
struct FoundForm {
    FORM_INFO_1W form;
    WCHAR name[kFormNameBufferChars];
};

// The printer's level-1 forms in a new block (freed with MemFree), their
// number in *count; null when there are none or the spooler does not answer.
FORM_INFO_1W* PrnEnumForms(HANDLE printer, DWORD* count);

// Results of FormFindForDevmode.
constexpr int kFormFound = 0;
constexpr int kFormCustom = 1;
constexpr int kFormNone = 2;
// Finds the spooler form of a DEVMODE (`dmLen` bytes) by its size, its
// paper number or its form name, and completes the DEVMODE's paper fields
// from it. A size that matches no form gives a custom form of that size.
int FormFindForDevmode(HANDLE printer, DEVMODEW* dm, size_t dmLen, FoundForm* out);

// 1 when a form fits a paper of the model: a user form always, a printer
// form not when `flag` is set, a built-in form when a paper size of the
// model is within 1 of it or at least as large in both dimensions.
int FormMatchModelPaper(const FORM_INFO_1W* form, int flag, DrvContext* ctx);

// Copies a form name into `dest` of `chars` characters, cut on a character
// boundary (never inside a surrogate pair) and always terminated.
void CopyFormName(WCHAR* dest, size_t chars, const WCHAR* name);

}  // namespace vesk

VESK_UI_EXPORT BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO pDQPInfo);
