// The maker's job-control library. It keeps, per printer, the values of the
// job-identity items (codes 1-8) and of the driver's description (256-258)
// in the machine's state (jc_store.h), hands out the operation table of
// <maker/zorjc32.h> and opens connections for the printers it knows.
//
// Machine settings (vesk machine set):
//   zorjc32.versions = 257,258,259  the versions JCGetInterface grants;
//   zorjc32.no_table = 1            it answers 0 but gives no table;
//   zorjc32.known = *|NAME,NAME...  the printers it knows without having
//                                   been told: "*" (the default) every
//                                   printer of the spooler, else the list
//                                   (empty: none); a printer registered
//                                   through operation A is known as well;
//   zorjc32.slot0, .slot1, .slot7, .slot8 = N   the results of operations
//                                   A, B, call and send-language (default 0);
//   zorjc32.report_size = N         the size the get operation claims to
//                                   need, whatever the value (a library
//                                   whose sizes are not to be trusted);
//   zorjc32.user.NAME.CODE = TEXT   what the per-user query of 259 answers
//                                   for item CODE and user NAME, before the
//                                   printer's stored value;
//   zorjc32.result.CODE = N         the result every get of item CODE
//                                   answers instead (13: nothing held).
// Operation A registers the printer (unless its result is set non-zero);
// operation B forgets the registration.
//
// Every entry and operation is recorded in the stand-in's journal (the
// operations as "Jc" and their name, the detail naming the printer or item
// code), and failure injection works on those names: a failed call answers
// the injected error. A missing library is a machine without the file.
#include <maker/zorjc32.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "core/sim.h"
#include "jc_store.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using winsim::detail::enter;

constexpr DWORD kErrInvalidHandle = 6, kErrNotSupported = 50, kErrInvalidParameter = 87,
                kErrInvalidPrinterName = 1801, kErrWriteFault = 29;

std::optional<unsigned long> setting(const char* key) {
    auto v = winsim::config().get(key);
    if (!v) return std::nullopt;
    char* end = nullptr;
    const unsigned long n = std::strtoul(v->c_str(), &end, 0);
    if (end == v->c_str() || *end) return std::nullopt;
    return n;
}

DWORD slotResult(const char* key) { return static_cast<DWORD>(setting(key).value_or(0)); }

bool listed(const std::string& list, const std::string& word) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string w = list.substr(start, end - start);
        while (!w.empty() && w.front() == ' ') w.erase(w.begin());
        while (!w.empty() && w.back() == ' ') w.pop_back();
        if (!w.empty() && winsim::detail::equalNoCase(w, word)) return true;
        start = end + 1;
    }
    return false;
}

bool versionGranted(DWORD version) {
    const std::string list = winsim::config().get("zorjc32.versions").value_or("257,258,259");
    return listed(list, std::to_string(version));
}

bool knows(std::u16string_view printer) {
    if (zorjc::load(printer).registered) return true;
    const std::string known = winsim::config().get("zorjc32.known").value_or("*");
    if (known == "*") return winsim::findPrinter(printer).has_value();
    return listed(known, winsim::toUtf8(printer));
}

bool codeKept(DWORD code) { return (code >= 1 && code <= 8) || (code >= 256 && code <= 258); }

std::string codeText(DWORD code) { return "code " + std::to_string(code); }

// Open connections: handle values of our own (never addresses), each naming
// its printer.
std::mutex g_lock;
std::map<uintptr_t, std::u16string>& connections() {
    static std::map<uintptr_t, std::u16string> m;
    return m;
}
uintptr_t g_next = 0x4A430000;

std::optional<std::u16string> printerOf(HANDLE conn) {
    std::lock_guard g(g_lock);
    auto it = connections().find(reinterpret_cast<uintptr_t>(conn));
    if (it == connections().end()) return std::nullopt;
    return it->second;
}

// Operations A and B: register the printer, or forget its registration.
DWORD registration(const WCHAR* printer, bool registered, const char* entry, const char* resultKey) {
    const std::u16string name = winsim::detail::wstr(printer);
    if (enter(entry, winsim::toUtf8(name))) return GetLastError();
    if (name.empty()) return kErrInvalidPrinterName;
    const DWORD r = slotResult(resultKey);
    if (r != 0) return r;
    zorjc::PrinterState s = zorjc::load(name);
    if (s.registered == registered) return r;
    s.registered = registered;
    return zorjc::save(s) ? r : kErrWriteFault;
}

DWORD printerA(const WCHAR* printer) { return registration(printer, true, "JcPrinterA", "zorjc32.slot0"); }
DWORD printerB(const WCHAR* printer) { return registration(printer, false, "JcPrinterB", "zorjc32.slot1"); }

DWORD open(const WCHAR* printer, HANDLE* conn) {
    const std::u16string name = winsim::detail::wstr(printer);
    if (enter("JcOpen", winsim::toUtf8(name))) return GetLastError();
    if (!conn) return kErrInvalidParameter;
    *conn = nullptr;
    if (name.empty() || !knows(name)) return kErrInvalidPrinterName;
    std::lock_guard g(g_lock);
    const uintptr_t h = g_next++;
    connections()[h] = name;
    *conn = reinterpret_cast<HANDLE>(h);
    return kJcOk;
}

DWORD close(HANDLE conn) {
    if (enter("JcClose")) return GetLastError();
    std::lock_guard g(g_lock);
    return connections().erase(reinterpret_cast<uintptr_t>(conn)) ? kJcOk : kErrInvalidHandle;
}

DWORD itemState(HANDLE conn, DWORD code, DWORD* state) {
    if (enter("JcItemState", codeText(code))) return GetLastError();
    if (state) *state = 0;
    auto printer = printerOf(conn);
    if (!printer) return kErrInvalidHandle;
    if (!state) return kErrInvalidParameter;
    if (!codeKept(code)) return kJcMoreData;
    *state = zorjc::find(zorjc::load(*printer), code) ? 1 : 0;
    return kJcOk;
}

// The get operation of both query forms; the per-user form names its user.
DWORD getValue(HANDLE conn, DWORD code, DWORD kind, void* buffer, DWORD bytes, DWORD* needed,
               const std::u16string* user = nullptr) {
    if (needed) *needed = 0;
    auto printer = printerOf(conn);
    if (!printer) return kErrInvalidHandle;
    if (kind != kJcKindText || !needed) return kErrInvalidParameter;
    const std::string codeKey = std::to_string(code);
    if (auto forced = setting(("zorjc32.result." + codeKey).c_str())) return static_cast<DWORD>(*forced);
    if (!codeKept(code)) return kJcMoreData;
    const zorjc::PrinterState s = zorjc::load(*printer);
    const std::u16string* v = zorjc::find(s, code);
    std::u16string text = v ? *v : std::u16string();
    if (user)
        if (auto answer = winsim::config().get("zorjc32.user." + winsim::toUtf8(*user) + "." + codeKey))
            text = winsim::fromUtf8(*answer);
    const DWORD size = static_cast<DWORD>((text.size() + 1) * 2);
    *needed = setting("zorjc32.report_size") ? static_cast<DWORD>(*setting("zorjc32.report_size")) : size;
    if (!buffer || bytes < size) return kJcMoreData;
    auto* out = static_cast<BYTE*>(buffer);
    for (size_t i = 0; i <= text.size(); ++i) {
        const char16_t c = i < text.size() ? text[i] : u'\0';
        out[2 * i] = static_cast<BYTE>(c);
        out[2 * i + 1] = static_cast<BYTE>(c >> 8);
    }
    return kJcOk;
}

DWORD getItem(HANDLE conn, DWORD code, DWORD kind, void* buffer, DWORD bytes, DWORD* needed) {
    if (enter("JcGetItem", codeText(code) + (buffer ? ", " + std::to_string(bytes) + " bytes" : ", size"))) {
        if (needed) *needed = 0;
        return GetLastError();
    }
    return getValue(conn, code, kind, buffer, bytes, needed);
}

DWORD setItem(HANDLE conn, DWORD code, DWORD kind, const void* value, DWORD bytes) {
    if (enter("JcSetItem", codeText(code))) return GetLastError();
    auto printer = printerOf(conn);
    if (!printer) return kErrInvalidHandle;
    if (!codeKept(code)) return kJcMoreData;
    if (!value) return kErrInvalidParameter;
    const auto* in = static_cast<const BYTE*>(value);
    std::u16string text;
    if (kind == kJcKindText) {
        for (DWORD i = 0; i + 1 < bytes; i += 2) {
            const char16_t c = static_cast<char16_t>(in[i] | (in[i + 1] << 8));
            if (c == u'\0') break;
            text += c;
        }
    } else if (kind == kJcKindNumber && bytes == 4) {
        const uint32_t n = in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<uint32_t>(in[3]) << 24);
        text = winsim::fromUtf8(std::to_string(n));
    } else {
        return kErrInvalidParameter;
    }
    zorjc::PrinterState s = zorjc::load(*printer);
    zorjc::put(s, code, std::move(text));
    return zorjc::save(s) ? kJcOk : kErrWriteFault;
}

DWORD call(HANDLE conn, DWORD value) {
    if (enter("JcCall", std::to_string(value))) return GetLastError();
    if (!printerOf(conn)) return kErrInvalidHandle;
    return slotResult("zorjc32.slot7");
}

DWORD sendLanguage(HANDLE conn, DWORD selector, const BYTE* record) {
    std::string detail = "selector " + std::to_string(selector);
    if (record)
        detail += ", primary " + std::to_string(record[4] | (record[5] << 8)) + ", sub " +
                  std::to_string(record[6] | (record[7] << 8));
    if (enter("JcSendLanguage", detail)) return GetLastError();
    if (!printerOf(conn)) return kErrInvalidHandle;
    if (!record || (record[0] | (record[1] << 8) | (record[2] << 16) | (static_cast<uint32_t>(record[3]) << 24)) !=
                       kJcLanguageRecordSize)
        return kErrInvalidParameter;
    return slotResult("zorjc32.slot8");
}

DWORD getItemForUser(HANDLE conn, DWORD code, DWORD kind, const WCHAR* user, void* buffer, DWORD bytes,
                     DWORD* needed) {
    const std::u16string who = winsim::detail::wstr(user);
    if (enter("JcGetItemForUser", codeText(code) + ", user " + winsim::toUtf8(who))) {
        if (needed) *needed = 0;
        return GetLastError();
    }
    if (who.empty()) {
        if (needed) *needed = 0;
        return kErrInvalidParameter;
    }
    return getValue(conn, code, kind, buffer, bytes, needed, &who);
}

// One table per version: 257 and 258 differ only in the codes a caller may
// send, which is the caller's business.
JcInterface g_table258 = {printerA, printerB, open, close, itemState, getItem, setItem, call, sendLanguage};
JcInterface g_table257 = g_table258;
JcInterface259 g_table259 = {g_table258, getItemForUser};

}  // namespace

EXPORT DWORD JCGetInterface(DWORD version, JcInterface** table) {
    if (enter("JCGetInterface", "version " + std::to_string(version))) return GetLastError();
    if (!table) return kErrInvalidParameter;
    *table = nullptr;
    if (version < kJcVersion257 || version > kJcVersion259 || !versionGranted(version)) return kErrNotSupported;
    if (setting("zorjc32.no_table").value_or(0) == 1) return kJcOk;
    if (version == kJcVersion259) *table = &g_table259.base;
    else *table = version == kJcVersion258 ? &g_table258 : &g_table257;
    return kJcOk;
}

EXPORT void JCDisposeInterface(JcInterface* table) {
    const char* which = table == &g_table257 ? "version 257" : table == &g_table258 ? "version 258"
                        : table == &g_table259.base ? "version 259" : "unknown table";
    enter("JCDisposeInterface", which);
}
