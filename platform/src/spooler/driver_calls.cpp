// The spooler's calls into a printer's interface library (the driver's
// configuration file): device capabilities, document properties, the
// printer events of an added or deleted printer, the default DEVMODE of a
// new printer and the upgrade after the driver's files were replaced. The
// library is loaded for each call and freed after it, as the spooler does.
// A printer whose interface library cannot be loaded gets none of these
// calls (its questions fail with ERROR_NOT_SUPPORTED).
#include "driver_calls.h"

#include <win/compstui.h>
#include <win/modules.h>
#include <win/winddiui.h>

#include "core/guard.h"

namespace winsim::spool {
namespace {

using DeviceCapsFn = LONG(WINAPI*)(HANDLE, PWSTR, WORD, PVOID, PDEVMODEW);
using SheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);
using PrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
using ConvertFn = BOOL(WINAPI*)(LPWSTR, PDEVMODEW, PDEVMODEW, LONG*, DWORD);
using UpgradeFn = BOOL(WINAPI*)(DWORD, LPBYTE);
using CommonSheetFn = LONG(WINAPI*)(HWND, PFNPROPSHEETUI, LPARAM, LPDWORD);

// The interface library of a driver, loaded for the object's life.
class InterfaceLibrary {
public:
    explicit InterfaceLibrary(std::u16string_view driver) {
        State s;
        if (readState(s) != ERROR_SUCCESS) return;
        const DriverRecord* d = s.driverByName(driver);
        if (!d || d->configFile.empty()) return;
        module_ = LoadLibraryW(d->configFile.c_str());
    }
    ~InterfaceLibrary() {
        if (module_) FreeLibrary(module_);
    }
    InterfaceLibrary(const InterfaceLibrary&) = delete;
    InterfaceLibrary& operator=(const InterfaceLibrary&) = delete;
    template <class Fn>
    Fn entry(const char* name) const {
        return module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

std::optional<std::u16string> driverOfPrinter(std::u16string_view name) {
    State s;
    if (readState(s) != ERROR_SUCCESS) return std::nullopt;
    const PrinterRecord* p = s.printerByName(name);
    if (!p) return std::nullopt;
    return p->driver;
}

std::optional<std::u16string> printerNameOfHandle(HANDLE h) {
    Target t;
    if (resolvePrinterHandle(h, t) != ERROR_SUCCESS) return std::nullopt;
    return t.printer->name;
}

// A printer handle opened here for one call, closed with the object.
struct OwnHandle {
    HANDLE h = nullptr;
    ~OwnHandle() {
        if (h) ClosePrinter(h);
    }
};

// The document-properties request of an application: the direct call of
// the document sheet function for a request without a prompt, the common
// property sheet around it for one with a prompt.
LONG documentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR name, PDEVMODEW out, PDEVMODEW in, DWORD fMode) {
    OwnHandle own;
    if (!hPrinter) {
        if (!OpenPrinterW(name, &own.h, nullptr)) return -1;
        hPrinter = own.h;
    }
    auto printer = printerNameOfHandle(hPrinter);
    if (!printer) return -1;
    auto driver = driverOfPrinter(*printer);
    if (!driver) return -1;
    InterfaceLibrary lib(*driver);
    auto sheets = lib.entry<SheetsFn>("DrvDocumentPropertySheets");
    if (!sheets) {
        detail::setError(ERROR_NOT_SUPPORTED);
        return -1;
    }
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = hPrinter;
    header.pszPrinterName = name ? name : const_cast<LPWSTR>(printer->c_str());
    header.pdmIn = in;
    header.pdmOut = out;
    header.fMode = fMode;
    if (!(fMode & DM_PROMPT) || !out) return sheets(nullptr, reinterpret_cast<LPARAM>(&header));
    HMODULE ui = LoadLibraryW(u"compstui.dll");
    auto common = ui ? reinterpret_cast<CommonSheetFn>(reinterpret_cast<void*>(GetProcAddress(ui, "CommonPropertySheetUIW"))) : nullptr;
    DWORD result = 0;
    const LONG r = common ? common(hWnd, sheets, reinterpret_cast<LPARAM>(&header), &result) : -1;
    if (ui) FreeLibrary(ui);
    if (r < 0) return -1;
    return result ? IDOK : IDCANCEL;
}

}  // namespace

void sendPrinterAdded(const PrinterRecord& added) {
    InterfaceLibrary lib(added.driver);
    std::u16string name = added.name;
    if (auto convert = lib.entry<ConvertFn>("DrvConvertDevMode")) {
        // The driver's default DEVMODE, then the one the printer came with
        // converted into it.
        LONG size = 0;
        convert(name.data(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT);
        if (size > 0 && size <= static_cast<LONG>(kMaxDevmode)) {
            std::vector<uint8_t> dm(static_cast<size_t>(size));
            if (convert(name.data(), nullptr, reinterpret_cast<PDEVMODEW>(dm.data()), &size, CDM_DRIVER_DEFAULT)) {
                if (!added.devmode.empty()) {
                    std::vector<uint8_t> in = added.devmode;
                    LONG outSize = static_cast<LONG>(dm.size());
                    convert(name.data(), reinterpret_cast<PDEVMODEW>(in.data()), reinterpret_cast<PDEVMODEW>(dm.data()),
                            &outSize, CDM_CONVERT);
                }
                if (devmodeSizeMatches(dm)) setPrinterDevmode(name, dm);
            }
        }
    }
    if (auto event = lib.entry<PrinterEventFn>("DrvPrinterEvent"))
        event(name.data(), added.server.empty() ? PRINTER_EVENT_INITIALIZE : PRINTER_EVENT_ADD_CONNECTION, 0, 0);
}

void sendPrinterDeleted(const PrinterRecord& printer) {
    InterfaceLibrary lib(printer.driver);
    std::u16string name = printer.name;
    if (auto event = lib.entry<PrinterEventFn>("DrvPrinterEvent"))
        event(name.data(), printer.server.empty() ? PRINTER_EVENT_DELETE : PRINTER_EVENT_DELETE_CONNECTION, 0, 0);
}

void sendDriverUpgraded(std::u16string_view driver, std::u16string_view oldDirectory) {
    std::vector<std::u16string> printers;
    {
        State s;
        if (readState(s) != ERROR_SUCCESS) return;
        for (const auto& p : s.printers)
            if (detail::wequalNoCase(p.driver, driver)) printers.push_back(p.name);
    }
    if (printers.empty()) return;
    InterfaceLibrary lib(driver);
    auto upgrade = lib.entry<UpgradeFn>("DrvUpgradePrinter");
    if (!upgrade) return;
    std::u16string dir(oldDirectory);
    for (auto& name : printers) {
        DRIVER_UPGRADE_INFO_1 info{name.data(), dir.data()};
        upgrade(1, reinterpret_cast<LPBYTE>(&info));
    }
}

}  // namespace winsim::spool

using namespace winsim;
using namespace winsim::spool;

extern "C" {

WINBASEAPI LONG WINAPI DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pDevModeOutput,
                                           PDEVMODEW pDevModeInput, DWORD fMode) {
    if (detail::enterWith("DocumentPropertiesW", [&] { return "mode " + std::to_string(fMode); })) return -1;
    return detail::guarded<LONG>(-1, [&]() -> LONG {
        return documentProperties(hWnd, hPrinter, pDeviceName, pDevModeOutput, pDevModeInput, fMode);
    });
}

WINBASEAPI LONG WINAPI AdvancedDocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                                   PDEVMODEW pDevModeOutput, PDEVMODEW pDevModeInput) {
    if (detail::enter("AdvancedDocumentPropertiesW")) return -1;
    return detail::guarded<LONG>(-1, [&]() -> LONG {
        if (!pDevModeOutput) return documentProperties(hWnd, hPrinter, pDeviceName, nullptr, pDevModeInput, 0);
        const LONG r = documentProperties(hWnd, hPrinter, pDeviceName, pDevModeOutput, pDevModeInput,
                                          DM_ADVANCED | DM_PROMPT | DM_COPY);
        return r == IDOK ? 1 : 0;
    });
}

// The printer's interface library answers (its DrvDeviceCapabilities): the
// printer is opened for the one question. A printer whose library cannot be
// loaded answers -1 with ERROR_NOT_SUPPORTED.
WINBASEAPI int WINAPI DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR, WORD fwCapability, LPWSTR pOutput,
                                          const DEVMODEW* pDevMode) {
    if (detail::enterWith("DeviceCapabilitiesW", [&] { return std::to_string(fwCapability); })) return -1;
    return detail::guarded<int>(static_cast<int>(-1), [&]() -> int {
        std::u16string name = boundedText(pDevice, MAX_PATH);
        auto driver = name.size() < MAX_PATH ? driverOfPrinter(name) : std::nullopt;
        if (!driver) {
            detail::setError(ERROR_INVALID_PRINTER_NAME);
            return -1;
        }
        InterfaceLibrary lib(*driver);
        auto caps = lib.entry<DeviceCapsFn>("DrvDeviceCapabilities");
        OwnHandle h;
        if (!caps || !OpenPrinterW(name.data(), &h.h, nullptr)) {
            detail::setError(ERROR_NOT_SUPPORTED);
            return -1;
        }
        return caps(h.h, name.data(), fwCapability, pOutput, const_cast<PDEVMODEW>(pDevMode));
    });
}

}  // extern "C"
