// Helpers of the window-system tests: extended dialog templates built in
// memory, a fixture that starts each test with a fresh window system on a
// virtual clock, and a recorder of the messages a dialog procedure sees.
#pragma once
#include <gtest/gtest.h>

#include <win/windows.h>
#include <win/user.h>
#include <winsim/window.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

// One control of a template: class atom (0x80 Button ... 0x85 ComboBox).
struct Ctl {
    uint16_t atom;
    int id;
    DWORD style;
    int16_t x, y, cx, cy;
    std::u16string text;
};

// The bytes of an extended template with the given frame and controls.
inline std::vector<uint8_t> dialogTemplate(const std::vector<Ctl>& ctls, DWORD style = WS_POPUP | WS_CAPTION | DS_SETFONT,
                                           std::u16string title = u"Test", int16_t cx = 200, int16_t cy = 120) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    auto sz = [&](const std::u16string& s) {
        for (char16_t c : s) u16(c);
        u16(0);
    };
    u16(1), u16(0xFFFF), u32(0), u32(0), u32(style), u16(uint16_t(ctls.size()));
    u16(10), u16(10), u16(uint16_t(cx)), u16(uint16_t(cy));
    u16(0), u16(0), sz(title);
    if (style & DS_SETFONT) u16(8), u16(400), b.push_back(0), b.push_back(1), sz(u"MS Shell Dlg");
    for (const Ctl& c : ctls) {
        while (b.size() % 4) b.push_back(0);
        u32(0), u32(0), u32(c.style | WS_CHILD | WS_VISIBLE);
        u16(uint16_t(c.x)), u16(uint16_t(c.y)), u16(uint16_t(c.cx)), u16(uint16_t(c.cy));
        u32(uint32_t(c.id));
        u16(0xFFFF), u16(c.atom);
        if (c.text.size() == 2 && c.text[0] == 0xFFFF) u16(0xFFFF), u16(c.text[1]);  // a resource id
        else sz(c.text);
        u16(0);
    }
    return b;
}

constexpr uint16_t kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kScrollBar = 0x84, kCombo = 0x85;

// What a dialog procedure was sent, as "NAME wParam-low code" lines.
struct Recorder {
    std::vector<std::string> lines;
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handler;
    static Recorder*& current() {
        static Recorder* r = nullptr;
        return r;
    }
    static INT_PTR CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        Recorder* r = current();
        if (!r) return FALSE;
        switch (m) {
            case WM_INITDIALOG: r->lines.push_back("INITDIALOG"); break;
            case WM_MEASUREITEM: r->lines.push_back("MEASUREITEM " + std::to_string(w)); break;
            case WM_DRAWITEM: r->lines.push_back("DRAWITEM " + std::to_string(w)); break;
            case WM_SETFONT: r->lines.push_back("SETFONT"); break;
            case WM_COMMAND:
                r->lines.push_back("COMMAND " + std::to_string(LOWORD(w)) + " " + std::to_string(HIWORD(w)));
                break;
            case WM_VSCROLL:
            case WM_HSCROLL:
                r->lines.push_back(std::string(m == WM_VSCROLL ? "VSCROLL " : "HSCROLL ") + std::to_string(LOWORD(w)) +
                                   " " + std::to_string(HIWORD(w)));
                break;
            default: break;
        }
        return r->handler ? r->handler(h, m, w, l) : FALSE;
    }
    Recorder() { current() = this; }
    ~Recorder() { current() = nullptr; }
    bool has(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }
    // Lines starting with `prefix`, in order.
    std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        winsim::ui::reset();
        winsim::setVirtualClock(0, 1000);
    }
    void TearDown() override { winsim::ui::reset(); }
    // A modeless dialog of the controls under the recorder's procedure.
    HWND open(const std::vector<Ctl>& ctls, DWORD style = WS_POPUP | WS_CAPTION | DS_SETFONT | WS_VISIBLE) {
        tmpl_ = dialogTemplate(ctls, style);
        return CreateDialogIndirectParamW(nullptr, tmpl_.data(), nullptr, &Recorder::proc, 0);
    }
    // Runs queued steps the way a modal loop's idle points do.
    void pump() {
        MSG m;
        for (int guard = 0; guard < 10000; ++guard) {
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageW(winsim::ui::topWindow(), &m)) {
                    TranslateMessage(&m);
                    DispatchMessageW(&m);
                }
            }
            if (!winsim::ui::pendingSteps()) return;
            WaitMessage();  // an idle point: the next step
        }
    }
    void run(const char* script) {
        std::string error;
        ASSERT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        pump();
    }
    std::vector<uint8_t> tmpl_;
};

#ifdef VESK_RES_DIR
// A window test on a fresh machine with the string library loaded from its
// C: drive, as a driver loads it.
class StringLibraryTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        auto host = winsim::hostPath("C:\\VESKR1us.DLL");
        ASSERT_TRUE(host);
        std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / "VESKR1us.DLL", *host,
                                   std::filesystem::copy_options::overwrite_existing);
        lib_ = LoadLibraryW(u"C:\\VESKR1us.DLL");
        ASSERT_TRUE(lib_);
    }
    void TearDown() override {
        WindowTest::TearDown();
        FreeLibrary(lib_);
    }
    winsim::TempMachine m_;
    HMODULE lib_ = nullptr;
};
#endif

}  // namespace wintest
