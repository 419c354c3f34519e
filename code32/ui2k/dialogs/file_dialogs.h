// File dialogs of the pages that open, save or refer to files.
#pragma once
#include <win/commdlg.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

bool PageIsFileDialog(const UiPage* page);
// Runs the page's file dialog; nonzero when a file was accepted (its path
// then in `file` and in the page's result items).
int FileDialogRun(DrvContext* ctx, UiPage* page, WCHAR* file, size_t fileChars);
// The path last chosen in a file dialog of this context.
const WCHAR* GetLastChosenFilePath(DrvContext* ctx);

// ---- The parts of the file dialogs ----
constexpr size_t kFileDialogChars = 522;
// The longest full path the preset file buttons accept.
constexpr size_t kFileDialogMaxPath = 258;

bool PageIsNotFileDialog(const UiPage* page);
// "*.bmp", "*.rpo" or "*.rst" by the page's kind.
const WCHAR* PageFileFilter(const UiPage* page);
// `tail` (the last four characters of a name) is "." and the page's
// extension, each letter as in the filter or upper case.
bool PageFileHasExtension(const UiPage* page, const WCHAR* tail);
// The name ends in "." and the page's extension (as above).
bool PageFileNameHasExtension(const UiPage* page, const WCHAR* name);
// The page's last-folder key of the per-printer INI, or null.
const WCHAR* FileDialogFolderKey(const UiPage* page);
// Writes the folder of `path` (a drive root keeps its backslash) under the
// page's key; nothing for a page without one.
void FileDialogSaveLastFolder(DrvContext* ctx, const UiPage* page, const WCHAR* path);
// The page's last folder into `buffer` of `chars`; its length, 0 without.
int FileDialogGetLastFolder(DrvContext* ctx, const UiPage* page, WCHAR* buffer, size_t chars);

// The OPENFILENAMEW of a page with its four text buffers.
struct FileDialogBlock {
    OPENFILENAMEW ofn;
    WCHAR file[kFileDialogChars];
    WCHAR folder[kFileDialogChars];
    WCHAR title[kFileDialogChars];
    WCHAR filter[kFileDialogChars];
    WCHAR defExt[4];
};
// Fills the block for the page: owner, instance, flags, hook, file, filter,
// title, initial folder and default extension.
void FileDialogPrepare(DrvContext* ctx, UiPage* page, FileDialogBlock* block, HWND owner);
// The hook of every file page.
UINT_PTR CALLBACK FileDialogHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vesk
