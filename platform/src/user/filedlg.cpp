// The common file dialogs (comdlg32) in their old hooked form. The dialog
// comes from the caller's template (OFN_ENABLETEMPLATE) or from a built-in
// one with the base controls: 1152 the name, 1120 the files, 1121 the
// folders (entry 0 the drive root, then every folder down to the current
// one, selected, then its subfolders), 1136 the drives, 1137 the file
// types, OK and Cancel. The hook sees every message first; what it leaves
// is done here: OK filters on a pattern, enters a folder or accepts a file
// into lpstrFile within nMaxFile. Folders and files are the machine's.
#include <win/commdlg.h>
#include <win/files.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

// The record as a 32-bit caller lays it out.
static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEW) == 88, "OPENFILENAMEW is 88 bytes on 32-bit");

namespace {

constexpr int kName = edt1, kFiles = lst1, kFolders = lst2, kDrives = cmb1, kTypes = cmb2;

struct FileDialog {
    HWND window = nullptr;
    LPOPENFILENAMEW ofn = nullptr;
    bool save = false;
    std::u16string folder;   // without a trailing backslash, except a drive root ("C:\")
    std::u16string pattern;  // the pattern the file list shows
    bool accepted = false;   // a file went into lpstrFile
};

std::vector<FileDialog*>& openDialogs() {
    static auto* v = new std::vector<FileDialog*>;
    return *v;
}

DWORD& lastError() {
    static DWORD e = 0;
    return e;
}

FileDialog* dialogOf(HWND h) {
    for (FileDialog* d : openDialogs())
        if (d->window == h) return d;
    return nullptr;
}

bool isFolder(const std::u16string& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}


std::u16string join(const std::u16string& folder, const std::u16string& name) {
    if (folder.empty() || folder.back() == u'\\') return folder + name;
    return folder + u"\\" + name;
}

// The full, normalised form of a path; folders lose their trailing backslash
// (a drive root keeps it).
std::u16string fullPath(const std::u16string& path) {
    WCHAR buffer[1024] = {};
    const DWORD n = GetFullPathNameW(path.c_str(), 1024, buffer, nullptr);
    std::u16string out = n && n < 1024 ? std::u16string(buffer, n) : path;
    while (out.size() > 3 && out.back() == u'\\') out.pop_back();
    if (out.size() == 2 && out[1] == u':') out += u'\\';
    return out;
}

std::vector<std::u16string> listNames(const std::u16string& folder, const std::u16string& pattern, bool folders) {
    std::vector<std::u16string> out;
    WIN32_FIND_DATAW fd{};
    HANDLE f = FindFirstFileW(join(folder, pattern).c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return out;
    do {
        const std::u16string n(fd.cFileName);
        const bool dir = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (n == u"." || n == u".." || dir != folders) continue;
        out.push_back(n);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    std::sort(out.begin(), out.end());
    return out;
}

void setList(HWND dlg, int id, bool combo, const std::vector<std::u16string>& items, int selection) {
    HWND c = GetDlgItem(dlg, id);
    if (!c) return;
    SendMessageW(c, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const auto& s : items)
        SendMessageW(c, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    if (selection >= 0) SendMessageW(c, combo ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(selection), 0);
}

// Fills the file, folder and drive lists for the dialog's folder.
void refresh(FileDialog& d) {
    HWND dlg = d.window;
    setList(dlg, kFiles, false, listNames(d.folder, d.pattern, false), -1);
    std::vector<std::u16string> folders;
    folders.push_back(d.folder.substr(0, 3));
    size_t at = 3;
    while (at < d.folder.size()) {
        size_t end = d.folder.find(u'\\', at);
        if (end == std::u16string::npos) end = d.folder.size();
        folders.push_back(d.folder.substr(at, end - at));
        at = end + 1;
    }
    const int current = int(folders.size()) - 1;
    for (const auto& s : listNames(d.folder, u"*", true)) folders.push_back(s);
    setList(dlg, kFolders, false, folders, current);
    std::vector<std::u16string> drives;
    int selected = -1;
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const std::u16string root{letter, u':', u'\\'};
        if (!isFolder(root)) continue;
        char16_t current = d.folder[0];
        if (current >= u'a' && current <= u'z') current = char16_t(current - u'a' + u'A');
        if (current == letter) selected = int(drives.size());
        drives.push_back(std::u16string{char16_t(letter - u'A' + u'a'), u':'});
    }
    setList(dlg, kDrives, true, drives, selected);
}

bool enterFolder(FileDialog& d, const std::u16string& path) {
    const std::u16string full = fullPath(path);
    if (full.size() < 3 || full[1] != u':' || !isFolder(full)) return false;
    d.folder = full;
    refresh(d);
    return true;
}

bool hasWildcards(const std::u16string& s) { return s.find_first_of(u"*?") != std::u16string::npos; }

// The pattern of a filter entry (1-based), "*.*" without one.
std::u16string filterPattern(const OPENFILENAMEW& ofn, DWORD index) {
    const WCHAR* p = ofn.lpstrFilter;
    for (DWORD i = 1; p && *p; ++i) {
        const WCHAR* pattern = p + std::char_traits<char16_t>::length(p) + 1;
        if (!*pattern) break;
        if (i == index) return pattern;
        p = pattern + std::char_traits<char16_t>::length(pattern) + 1;
    }
    return u"*.*";
}

std::vector<std::u16string> filterNames(const OPENFILENAMEW& ofn) {
    std::vector<std::u16string> out;
    for (const WCHAR* p = ofn.lpstrFilter; p && *p;) {
        out.emplace_back(p);
        const WCHAR* pattern = p + std::char_traits<char16_t>::length(p) + 1;
        if (!*pattern) break;
        p = pattern + std::char_traits<char16_t>::length(pattern) + 1;
    }
    return out;
}

void accept(FileDialog& d, std::u16string path) {
    OPENFILENAMEW& ofn = *d.ofn;
    if (!ofn.lpstrFile || path.size() + 1 > ofn.nMaxFile) {
        // As the system does: the size needed in the buffer's first
        // character, and the dialog ends without a file.
        lastError() = FNERR_BUFFERTOOSMALL;
        if (ofn.lpstrFile && ofn.nMaxFile >= 1) ofn.lpstrFile[0] = WCHAR(std::min<size_t>(path.size() + 1, 0xFFFF));
        EndDialog(d.window, FALSE);
        return;
    }
    std::copy(path.begin(), path.end(), ofn.lpstrFile);
    ofn.lpstrFile[path.size()] = 0;
    const size_t slash = path.rfind(u'\\');
    const size_t offset = slash == std::u16string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind(u'.');
    ofn.nFileOffset = WORD(offset);
    ofn.nFileExtension = WORD(dot != std::u16string::npos && dot >= offset ? dot + 1 : path.size());
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle) {
        const std::u16string title = path.substr(offset).substr(0, ofn.nMaxFileTitle - 1);
        std::copy(title.begin(), title.end(), ofn.lpstrFileTitle);
        ofn.lpstrFileTitle[title.size()] = 0;
    }
    lastError() = 0;
    d.accepted = true;
    EndDialog(d.window, TRUE);
}

// OK as the dialog does it when the hook left it.
void defaultOk(FileDialog& d) {
    WCHAR buffer[1024] = {};
    GetDlgItemTextW(d.window, kName, buffer, 1024);
    std::u16string name(buffer);
    while (!name.empty() && name.back() == u' ') name.pop_back();
    if (name.empty()) return;
    if (hasWildcards(name)) {
        d.pattern = name;
        refresh(d);
        return;
    }
    std::u16string path;
    if (name.size() >= 2 && name[1] == u':') path = name;
    else if (name[0] == u'\\') path = d.folder.substr(0, 2) + name;
    else path = join(d.folder, name);
    path = fullPath(path);
    if (isFolder(path)) {
        enterFolder(d, path);
        SetDlgItemTextW(d.window, kName, d.pattern.c_str());
        return;
    }
    const size_t slash = path.rfind(u'\\');
    const bool noDot = path.find(u'.', slash == std::u16string::npos ? 0 : slash) == std::u16string::npos;
    const WCHAR* ext = d.ofn->lpstrDefExt;
    if (noDot && ext && *ext) {
        const std::u16string withExt = path + u"." + ext;
        if (d.save || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) path = withExt;
    }
    accept(d, path);
}

INT_PTR CALLBACK fileDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_INITDIALOG) {
        auto* d = reinterpret_cast<FileDialog*>(l);
        d->window = h;
        openDialogs().push_back(d);
        OPENFILENAMEW& ofn = *d->ofn;
        if (ofn.lpstrTitle && *ofn.lpstrTitle) SetWindowTextW(h, ofn.lpstrTitle);
        std::u16string file = ofn.lpstrFile ? ofn.lpstrFile : u"";
        std::u16string start = ofn.lpstrInitialDir && *ofn.lpstrInitialDir ? ofn.lpstrInitialDir : u"";
        // A path in the file buffer names the first folder itself.
        if (const size_t slash = file.rfind(u'\\'); slash != std::u16string::npos) {
            if (!hasWildcards(file.substr(0, slash))) start = file.substr(0, slash + 1);
            file = file.substr(slash + 1);
        }
        WCHAR cwd[MAX_PATH] = {};
        if (start.empty() || !enterFolder(*d, start)) {
            GetCurrentDirectoryW(MAX_PATH, cwd);
            if (!enterFolder(*d, cwd)) enterFolder(*d, u"C:\\");
        }
        d->pattern = filterPattern(ofn, ofn.nFilterIndex ? ofn.nFilterIndex : 1);
        setList(h, kTypes, true, filterNames(ofn), ofn.nFilterIndex ? int(ofn.nFilterIndex) - 1 : 0);
        refresh(*d);
        SetDlgItemTextW(h, kName, file.empty() ? d->pattern.c_str() : file.c_str());
        if ((ofn.Flags & OFN_ENABLEHOOK) && ofn.lpfnHook) {
            const UINT_PTR r = ofn.lpfnHook(h, m, w, reinterpret_cast<LPARAM>(d->ofn));
            return INT_PTR(r);
        }
        return TRUE;
    }
    FileDialog* d = dialogOf(h);
    if (!d) return FALSE;
    if ((d->ofn->Flags & OFN_ENABLEHOOK) && d->ofn->lpfnHook) {
        if (d->ofn->lpfnHook(h, m, w, l)) return TRUE;
        if (!(d = dialogOf(h)) || !IsWindow(h)) return TRUE;
    }
    if (m != WM_COMMAND) return FALSE;
    const int id = LOWORD(w), code = HIWORD(w);
    switch (id) {
        case IDOK: defaultOk(*d); return TRUE;
        case IDCANCEL:
            lastError() = 0;
            EndDialog(h, FALSE);
            return TRUE;
        case kFolders:
            if (code == LBN_DBLCLK) {
                const int sel = int(SendDlgItemMessageW(h, kFolders, LB_GETCURSEL, 0, 0));
                const int current = [&] {
                    int n = 0;
                    for (char16_t c : d->folder.substr(3)) n += c == u'\\';
                    return d->folder.size() > 3 ? n + 1 : 0;
                }();
                std::u16string path = d->folder.substr(0, 3);
                for (int i = 1; i <= sel; ++i) {
                    WCHAR t[MAX_PATH] = {};
                    if (SendDlgItemMessageW(h, kFolders, LB_GETTEXTLEN, WPARAM(i), 0) >= MAX_PATH) return TRUE;
                    SendDlgItemMessageW(h, kFolders, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(t));
                    // Past the current folder only the chosen subfolder joins.
                    if (i <= current || i == sel) path = join(path, t);
                }
                enterFolder(*d, path);
            }
            return TRUE;
        case kFiles:
            if (code == LBN_SELCHANGE || code == LBN_DBLCLK) {
                const int sel = int(SendDlgItemMessageW(h, kFiles, LB_GETCURSEL, 0, 0));
                WCHAR t[MAX_PATH] = {};
                if (sel >= 0 && SendDlgItemMessageW(h, kFiles, LB_GETTEXTLEN, WPARAM(sel), 0) < MAX_PATH) {
                    SendDlgItemMessageW(h, kFiles, LB_GETTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(t));
                    SetDlgItemTextW(h, kName, t);
                    if (code == LBN_DBLCLK) defaultOk(*d);
                }
            }
            return TRUE;
        case kDrives:
            if (code == CBN_SELCHANGE) {
                WCHAR t[8] = {};
                const int sel = int(SendDlgItemMessageW(h, kDrives, CB_GETCURSEL, 0, 0));
                if (sel >= 0 && SendDlgItemMessageW(h, kDrives, CB_GETLBTEXTLEN, WPARAM(sel), 0) < 8) {
                    SendDlgItemMessageW(h, kDrives, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(t));
                    enterFolder(*d, std::u16string(t) + u"\\");
                }
            }
            return TRUE;
        case kTypes:
            if (code == CBN_SELCHANGE) {
                const int sel = int(SendDlgItemMessageW(h, kTypes, CB_GETCURSEL, 0, 0));
                d->pattern = filterPattern(*d->ofn, DWORD(sel + 1));
                refresh(*d);
            }
            return TRUE;
        default: return FALSE;
    }
}

// The built-in template: the base controls on a plain frame.
std::vector<uint8_t> builtInTemplate() {
    struct Ctl {
        uint16_t atom;
        int id;
        DWORD style;
        int16_t x, y, cx, cy;
        const char16_t* text;
    };
    static const Ctl kCtls[] = {
        {0x81, kName, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 16, 90, 12, u""},
        {0x83, kFiles, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT, 6, 32, 90, 68, u""},
        {0x83, kFolders, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 104, 32, 90, 68, u""},
        {0x85, kTypes, WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 6, 110, 90, 60, u""},
        {0x85, kDrives, WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, 104, 110, 90, 60, u""},
        {0x80, IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 204, 6, 50, 14, u"OK"},
        {0x80, IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 204, 24, 50, 14, u"Cancel"},
    };
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    auto sz = [&](const char16_t* s) {
        for (; *s; ++s) u16(*s);
        u16(0);
    };
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    u16(1), u16(0xFFFF), u32(0), u32(0), u32(style), u16(uint16_t(std::size(kCtls)));
    u16(0), u16(0), u16(262), u16(134), u16(0), u16(0), sz(u"Open");
    u16(8), u16(400), b.push_back(0), b.push_back(1), sz(u"MS Shell Dlg");
    for (const Ctl& c : kCtls) {
        while (b.size() % 4) b.push_back(0);
        u32(0), u32(0), u32(c.style | WS_CHILD | WS_VISIBLE);
        u16(uint16_t(c.x)), u16(uint16_t(c.y)), u16(uint16_t(c.cx)), u16(uint16_t(c.cy));
        u32(uint32_t(c.id)), u16(0xFFFF), u16(c.atom), sz(c.text), u16(0);
    }
    return b;
}

BOOL run(LPOPENFILENAMEW ofn, bool save) {
    if (!ofn || ofn->lStructSize < offsetof(OPENFILENAMEW, pvReserved)) {
        lastError() = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (ofn->hwndOwner && !IsWindow(ofn->hwndOwner)) {
        lastError() = CDERR_INITIALIZATION;
        return FALSE;
    }
    static const std::vector<uint8_t> kBuiltIn = builtInTemplate();
    const uint8_t* p = kBuiltIn.data();
    size_t size = kBuiltIn.size();
    int templateId = 0;
    HINSTANCE module = nullptr;
    if (ofn->Flags & OFN_ENABLETEMPLATE) {
        HRSRC r = ofn->hInstance ? FindResourceW(ofn->hInstance, ofn->lpTemplateName, RT_DIALOG) : nullptr;
        if (!r) {
            lastError() = CDERR_FINDRESFAILURE;
            return FALSE;
        }
        p = static_cast<const uint8_t*>(LockResource(LoadResource(ofn->hInstance, r)));
        size = SizeofResource(ofn->hInstance, r);
        module = ofn->hInstance;
        if (IS_INTRESOURCE(ofn->lpTemplateName)) templateId = int(reinterpret_cast<uintptr_t>(ofn->lpTemplateName));
        if (!p) {
            lastError() = CDERR_NOTEMPLATE;
            return FALSE;
        }
    }
    lastError() = 0;
    FileDialog d;
    d.ofn = ofn;
    d.save = save;
    // The dialog is a window of its own whatever frame the template was
    // drawn with.
    HWND dlg = buildDialog(module, p, size, ofn->hwndOwner, fileDialogProc, reinterpret_cast<LPARAM>(&d),
                           templateId, WS_CHILD | DS_CONTROL, WS_POPUP | WS_CAPTION | WS_SYSMENU);
    // Only an accepted file counts: a loop ended otherwise (the script's
    // idle rule, a destroyed window) is no choice.
    if (dlg) runModalDialog(dlg, ofn->hwndOwner, templateId);
    else if (!lastError()) lastError() = CDERR_INITIALIZATION;
    const BOOL result = d.accepted ? TRUE : FALSE;
    auto& open = openDialogs();
    open.erase(std::remove(open.begin(), open.end(), &d), open.end());
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
    return result;
}

}  // namespace

namespace winsim::detail {

// The script's file-dialog steps against the innermost dialog: `folder`
// moves it into a folder as a user picking folders would, `file` types a
// name into the name field.
bool fileDialogStep(HWND top, const winsim::ui::Step& step, std::string* error, bool* handled) {
    *handled = step.verb == "folder" || step.verb == "file";
    if (!*handled) return false;
    FileDialog* d = dialogOf(top);
    if (!d) return *error = "no file dialog is open", false;
    if (step.verb == "file") {
        HWND edit = GetDlgItem(top, kName);
        if (!edit) return *error = "the file dialog has no name field", false;
        SetFocus(edit);
        SetWindowTextW(edit, step.text.c_str());
        return true;
    }
    if (!enterFolder(*d, step.text)) return *error = "no folder " + winsim::toUtf8(step.text), false;
    return true;
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW ofn) {
    if (enter("GetOpenFileNameW")) return FALSE;
    return run(ofn, false);
}

WINBASEAPI BOOL WINAPI GetSaveFileNameW(LPOPENFILENAMEW ofn) {
    if (enter("GetSaveFileNameW")) return FALSE;
    return run(ofn, true);
}

WINBASEAPI DWORD WINAPI CommDlgExtendedError(void) { return lastError(); }

}  // extern "C"
