// What the page procedure and the launcher of nested dialogs share.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The context a modal page dialog was opened with, when `lParam` of its
// WM_INITDIALOG is that context; else null (a sheet page's lParam).
DrvContext* PageTakeModalContext(LPARAM lParam);
// DefaultRst of ScenarioInstallData in the list file beside `path` into
// `out`; 1 when there is one.
int ScenarioGetDefaultRst(const WCHAR* path, WCHAR* out, size_t outChars);

}  // namespace vesk
