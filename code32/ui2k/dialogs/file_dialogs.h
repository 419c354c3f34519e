// File dialogs of the pages that open, save or refer to files.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

bool PageIsFileDialog(const UiPage* page);
// Runs the page's file dialog; nonzero when a file was accepted (its path
// then in `file` and in the page's result items).
int FileDialogRun(DrvContext* ctx, UiPage* page, WCHAR* file, size_t fileChars);
// The path last chosen in a file dialog of this context.
const WCHAR* GetLastChosenFilePath(DrvContext* ctx);

}  // namespace vesk
