#include "driver_library.h"

#include <win/codepage.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

namespace vesk::host {

HMODULE LoadDriverSetLibrary(const std::u16string& printer, const char16_t* file, std::string* error) {
    auto p = winsim::findPrinter(printer);
    if (!p) return *error = "no printer named '" + winsim::toUtf8(printer) + "'", nullptr;
    auto d = winsim::findDriver(p->driver);
    if (!d) return *error = "the driver of '" + winsim::toUtf8(printer) + "' is not installed", nullptr;
    const std::u16string& driver = d->driverPath;
    const size_t slash = driver.find_last_of(u'\\');
    const std::u16string path = (slash == std::u16string::npos ? u"" : driver.substr(0, slash + 1)) + file;
    HMODULE m = LoadLibraryW(path.c_str());
    if (!m) *error = "cannot load " + winsim::toUtf8(path) + " (error " + std::to_string(GetLastError()) + ")";
    return m;
}

std::string AnsiPrinterName(const std::u16string& name) {
    std::string out(name.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr,
                                      nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return out;
}

}  // namespace vesk::host
