// Dialogs from templates in the extended layout (DLGTEMPLATEEX): the frame
// window of class "#32770" (or the template's class) with the template's
// title, then one child per control item with its id, class and text. Every
// read of the template is bounds-checked against the resource's size.
#include "core/sim.h"
#include "user/resource_file.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

constexpr uint32_t kDsSetFont = 0x40;

// A bounds-checked reader of a template.
struct Reader {
    const uint8_t* p;
    size_t size;
    size_t at = 0;
    bool ok = true;
    uint16_t u16() {
        if (at + 2 > size) return ok = false, 0;
        uint16_t v = uint16_t(p[at] | (p[at + 1] << 8));
        at += 2;
        return v;
    }
    uint32_t u32() {
        uint32_t lo = u16();
        return lo | (uint32_t(u16()) << 16);
    }
    std::u16string text() {
        std::u16string s;
        for (uint16_t c; ok && (c = u16()) != 0;) s += static_cast<char16_t>(c);
        return s;
    }
    // A name or an ordinal: 0 none, 0xFFFF and a number, else a text.
    std::u16string nameOrOrdinal(uint16_t* ordinal) {
        *ordinal = 0;
        if (at + 2 > size) return ok = false, std::u16string();
        uint16_t first = uint16_t(p[at] | (p[at + 1] << 8));
        if (first == 0) return at += 2, std::u16string();
        if (first == 0xFFFF) {
            at += 2;
            *ordinal = u16();
            return {};
        }
        return text();
    }
    void alignDword() { at = (at + 3) & ~size_t(3); }
    void skip(size_t n) { at + n > size ? (ok = false, at = size) : at += n; }
};

std::u16string atomClass(uint16_t atom) {
    switch (atom) {
        case 0x80: return u"Button";
        case 0x81: return u"Edit";
        case 0x82: return u"Static";
        case 0x83: return u"ListBox";
        case 0x84: return u"ScrollBar";
        case 0x85: return u"ComboBox";
        default: return {};
    }
}

struct Item {
    int id;
    std::u16string cls, text;
};

// Parses the template into its class, title and controls; false when it is
// not an extended template or a read leaves it.
bool parse(const uint8_t* p, size_t size, std::u16string& cls, std::u16string& title, std::vector<Item>& items) {
    Reader r{p, size};
    if (r.u16() != 1 || r.u16() != 0xFFFF) return false;
    r.u32();                        // help id
    r.u32();                        // extended style
    const uint32_t style = r.u32();
    const uint16_t count = r.u16();
    r.skip(8);                      // x, y, cx, cy
    uint16_t ord = 0;
    r.nameOrOrdinal(&ord);          // menu
    cls = r.nameOrOrdinal(&ord);
    if (cls.empty()) cls = u"#32770";
    title = r.text();
    if (style & kDsSetFont) {
        r.skip(6);                  // point size, weight, italic, charset
        r.text();                   // typeface
    }
    for (uint16_t i = 0; r.ok && i < count; ++i) {
        r.alignDword();
        r.skip(12);                 // help id, extended style, style
        r.skip(8);                  // x, y, cx, cy
        Item it;
        it.id = static_cast<int>(r.u32());
        it.cls = r.nameOrOrdinal(&ord);
        if (it.cls.empty()) it.cls = atomClass(ord);
        uint16_t textOrd = 0;
        it.text = r.nameOrOrdinal(&textOrd);
        r.skip(r.u16());            // creation data
        items.push_back(std::move(it));
    }
    return r.ok;
}

HWND build(const uint8_t* p, size_t size, HWND owner, DLGPROC proc) {
    std::u16string cls, title;
    std::vector<Item> items;
    if (!parse(p, size, cls, title, items)) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard g(userLock());
    HWND frame = winsim::createWindow(cls, title);
    if (!frame) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    setWindowOwner(frame, owner, reinterpret_cast<LONG_PTR>(proc));
    for (const auto& it : items) winsim::createWindow(it.cls, it.text, frame, it.id);
    return frame;
}

}  // namespace

extern "C" {

WINBASEAPI HWND WINAPI CreateDialogParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                          LPARAM) {
    if (enter("CreateDialogParamW", IS_INTRESOURCE(templateName)
                                        ? std::to_string(reinterpret_cast<uintptr_t>(templateName))
                                        : "named"))
        return nullptr;
    if (owner && !IsWindow(owner)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HRSRC r = FindResourceW(module, templateName, RT_DIALOG);
    if (!r) return nullptr;
    const auto* p = static_cast<const uint8_t*>(LockResource(LoadResource(module, r)));
    if (!p) return nullptr;
    return build(p, SizeofResource(module, r), owner, proc);
}

WINBASEAPI HWND WINAPI CreateDialogIndirectParamW(HINSTANCE, const void* dialogTemplate, HWND owner, DLGPROC proc,
                                                  LPARAM) {
    if (enter("CreateDialogIndirectParamW")) return nullptr;
    if (!dialogTemplate) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // An in-memory template carries no size: read it as far as it says.
    return build(static_cast<const uint8_t*>(dialogTemplate), SIZE_MAX / 2, owner, proc);
}

}  // extern "C"
