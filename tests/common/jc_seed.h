// Gives the job-control stand-in a value for a printer, as the library's own
// tools would: through its interface, loaded from the system directory.
#pragma once
#include <maker/zorjc32.h>
#include <win/modules.h>

#include <string>
#include <vector>

namespace vesk::test {

inline bool jcSeedText(const std::u16string& printer, DWORD code, const std::u16string& text) {
    HMODULE m = LoadLibraryW(u"C:\\WINDOWS\\system32\\ZORJC32.DLL");
    if (!m) return false;
    auto get = reinterpret_cast<JcGetInterfaceFn>(reinterpret_cast<void*>(GetProcAddress(m, "JCGetInterface")));
    auto dispose =
        reinterpret_cast<JcDisposeInterfaceFn>(reinterpret_cast<void*>(GetProcAddress(m, "JCDisposeInterface")));
    JcInterface* t = nullptr;
    bool ok = get && dispose && get(kJcVersion258, &t) == kJcOk && t;
    HANDLE conn = nullptr;
    if (ok) ok = t->open(printer.c_str(), &conn) == kJcOk;
    if (ok) {
        std::vector<BYTE> b;
        for (char16_t c : text) b.push_back(static_cast<BYTE>(c)), b.push_back(static_cast<BYTE>(c >> 8));
        b.push_back(0), b.push_back(0);
        ok = t->setItem(conn, code, kJcKindText, b.data(), static_cast<DWORD>(b.size())) == kJcOk;
        t->close(conn);
    }
    if (t) dispose(t);
    FreeLibrary(m);
    return ok;
}

}  // namespace vesk::test
