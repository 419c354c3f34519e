// Printer data: named values {type, bytes} kept with each printer.
// GetPrinterDataW, SetPrinterDataW, DeletePrinterDataW and EnumPrinterDataW
// return their result code (also set as the last error). Names compare
// without regard to case; a value keeps the case of its first writer and its
// place in the enumeration order when it is replaced.
#include "store.h"

#include "core/guard.h"

namespace winsim::spool {
namespace {

DWORD result(DWORD code) {
    detail::setError(code);
    return code;
}

const PrinterValue* findValue(const PrinterRecord& p, std::u16string_view name) {
    for (const auto& v : p.data)
        if (detail::wequalNoCase(v.name, name)) return &v;
    return nullptr;
}

DWORD setValue(PrinterRecord& p, std::u16string_view name, DWORD type, std::vector<uint8_t> bytes) {
    for (auto& v : p.data)
        if (detail::wequalNoCase(v.name, name)) {
            v.type = type;
            v.data = std::move(bytes);
            return ERROR_SUCCESS;
        }
    p.data.push_back({std::u16string(name), type, std::move(bytes)});
    return ERROR_SUCCESS;
}

DWORD deleteValue(PrinterRecord& p, std::u16string_view name) {
    for (auto it = p.data.begin(); it != p.data.end(); ++it)
        if (detail::wequalNoCase(it->name, name)) {
            p.data.erase(it);
            return ERROR_SUCCESS;
        }
    return ERROR_FILE_NOT_FOUND;
}

// A value name from a caller: present and of a registry value's length.
// The caller's name as it stands in its buffer (no copy).
bool valueName(const WCHAR* p, std::u16string_view& out) {
    if (!p) return false;
    out = std::u16string_view(p, detail::wlenBounded(p, kMaxValueName + 1));
    return out.size() <= kMaxValueName;
}

}  // namespace
}  // namespace winsim::spool

namespace winsim {

std::optional<PrinterValue> printerData(std::u16string_view printer, std::u16string_view value) {
    spool::State s;
    if (spool::readState(s)) return std::nullopt;
    const PrinterRecord* p = s.printerByName(printer);
    if (!p) return std::nullopt;
    const PrinterValue* v = spool::findValue(*p, value);
    if (!v) return std::nullopt;
    return *v;
}

DWORD setPrinterData(std::u16string_view printer, std::u16string_view value, uint32_t type,
                     const std::vector<uint8_t>& data) {
    if (value.size() > spool::kMaxValueName || data.size() > spool::kMaxValueData) return ERROR_INVALID_PARAMETER;
    return spool::changeState([&](spool::State& s) -> DWORD {
        PrinterRecord* p = s.printerByName(printer);
        return p ? spool::setValue(*p, value, type, data) : ERROR_INVALID_PRINTER_NAME;
    });
}

DWORD deletePrinterData(std::u16string_view printer, std::u16string_view value) {
    return spool::changeState([&](spool::State& s) -> DWORD {
        PrinterRecord* p = s.printerByName(printer);
        return p ? spool::deleteValue(*p, value) : ERROR_INVALID_PRINTER_NAME;
    });
}

}  // namespace winsim

using namespace winsim;
using namespace winsim::spool;

extern "C" {

// Copies the value into pData when its size fits nSize: exactly the stored
// bytes, the rest of the caller's buffer untouched. Otherwise
// ERROR_MORE_DATA. *pcbNeeded receives the stored size in both cases.
WINBASEAPI DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                                        LPDWORD pcbNeeded) {
    std::u16string_view name;
    bool named = valueName(pValueName, name);
    if (detail::enterWith("GetPrinterDataW", [&] { return toUtf8(name); })) return GetLastError();
    // The code the body returns is set as the last error once, here.
    return result(detail::guardedCode([&]() -> DWORD {
        const PrinterRecord* printer = nullptr;
        if (DWORD e = resolvePrinterQuick(hPrinter, printer)) return e;
        if (!pcbNeeded) return RPC_X_NULL_REF_POINTER;
        if (!named) return ERROR_INVALID_PARAMETER;
        if (!pData && nSize) return ERROR_INVALID_USER_BUFFER;
        const PrinterValue* v = findValue(*printer, name);
        if (!v) return ERROR_FILE_NOT_FOUND;
        *pcbNeeded = static_cast<DWORD>(v->data.size());
        if (pType) *pType = v->type;
        if (v->data.size() > nSize) return ERROR_MORE_DATA;
        if (!v->data.empty()) std::memcpy(pData, v->data.data(), v->data.size());
        return ERROR_SUCCESS;
    }));
}

// Stores a value; needs a handle opened with PRINTER_ACCESS_ADMINISTER.
WINBASEAPI DWORD WINAPI SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
    std::u16string_view name;
    bool named = valueName(pValueName, name);
    if (detail::enterWith("SetPrinterDataW", [&] { return toUtf8(name); })) return GetLastError();
    return result(detail::guardedCode([&]() -> DWORD {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return result(e);
        if (!(t.handle->granted & PRINTER_ACCESS_ADMINISTER)) return result(ERROR_ACCESS_DENIED);
        if (!named || (!pData && cbData) || cbData > kMaxValueData) return result(ERROR_INVALID_PARAMETER);
        std::vector<uint8_t> bytes(pData, pData + cbData);
        uint32_t id = t.handle->printerId;
        return result(changeState([&](State& s) -> DWORD {
            PrinterRecord* p = s.printerById(id);
            return p ? setValue(*p, name, Type, std::move(bytes)) : ERROR_INVALID_PRINTER_NAME;
        }));
    }));
}

// Deletes a value; needs a handle opened with PRINTER_ACCESS_ADMINISTER.
WINBASEAPI DWORD WINAPI DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
    std::u16string_view name;
    bool named = valueName(pValueName, name);
    if (detail::enterWith("DeletePrinterDataW", [&] { return toUtf8(name); })) return GetLastError();
    return result(detail::guardedCode([&]() -> DWORD {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return result(e);
        if (!(t.handle->granted & PRINTER_ACCESS_ADMINISTER)) return result(ERROR_ACCESS_DENIED);
        if (!named) return result(ERROR_INVALID_PARAMETER);
        uint32_t id = t.handle->printerId;
        return result(changeState([&](State& s) -> DWORD {
            PrinterRecord* p = s.printerById(id);
            return p ? deleteValue(*p, name) : ERROR_INVALID_PRINTER_NAME;
        }));
    }));
}

// The value at dwIndex (in the order values were first written). With both
// buffer sizes zero it answers, instead, the largest name (bytes with its
// NUL) and the largest data of all values, so one pair of buffers serves the
// whole enumeration. Past the last value: ERROR_NO_MORE_ITEMS.
WINBASEAPI DWORD WINAPI EnumPrinterDataW(HANDLE hPrinter, DWORD dwIndex, LPWSTR pValueName, DWORD cbValueName,
                                         LPDWORD pcbValueName, LPDWORD pType, LPBYTE pData, DWORD cbData,
                                         LPDWORD pcbData) {
    if (detail::enterWith("EnumPrinterDataW", [&] { return std::to_string(dwIndex); })) return GetLastError();
    return result(detail::guardedCode([&]() -> DWORD {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return result(e);
        if (!pcbValueName || !pcbData) return result(RPC_X_NULL_REF_POINTER);
        if ((!pValueName && cbValueName) || (!pData && cbData)) return result(ERROR_INVALID_USER_BUFFER);
        const auto& values = t.printer->data;
        if (dwIndex >= values.size()) return result(ERROR_NO_MORE_ITEMS);
        if (cbValueName == 0 && cbData == 0) {
            size_t maxName = 0, maxData = 0;
            for (const auto& v : values) {
                maxName = std::max(maxName, (v.name.size() + 1) * sizeof(WCHAR));
                maxData = std::max(maxData, v.data.size());
            }
            *pcbValueName = static_cast<DWORD>(maxName);
            *pcbData = static_cast<DWORD>(maxData);
            return result(ERROR_SUCCESS);
        }
        const PrinterValue& v = values[dwIndex];
        size_t nameBytes = (v.name.size() + 1) * sizeof(WCHAR);
        *pcbValueName = static_cast<DWORD>(nameBytes);
        *pcbData = static_cast<DWORD>(v.data.size());
        if (pType) *pType = v.type;
        if (cbValueName < nameBytes || cbData < v.data.size()) return result(ERROR_MORE_DATA);
        std::memcpy(pValueName, v.name.c_str(), nameBytes);
        if (!v.data.empty()) std::memcpy(pData, v.data.data(), v.data.size());
        return result(ERROR_SUCCESS);
    }));
}

}  // extern "C"
