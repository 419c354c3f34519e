// A library of the driver set loaded as an outside application loads it:
// from the printer's driver directory, its entries bound by name.
#pragma once
#include <win/modules.h>

#include <string>

namespace vesk::host {

// Loads `file` from the driver directory of `printer`'s driver; null with a
// message in *error when the printer, its driver or the file is missing.
HMODULE LoadDriverSetLibrary(const std::u16string& printer, const char16_t* file, std::string* error);

// Binds the export `name` into *out; a missing one is added to *missing.
template <class F>
bool BindExport(HMODULE m, const char* name, F* out, std::string* missing) {
    *out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    if (!*out) *missing += std::string(missing->empty() ? "" : ", ") + name;
    return *out != nullptr;
}

// The printer name in the machine's ANSI code page, as the libraries take it.
std::string AnsiPrinterName(const std::u16string& name);

}  // namespace vesk::host
