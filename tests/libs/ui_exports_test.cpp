// veskui exports exactly the printer-interface entry points, DllMain and
// its own entry that runs one page.
#include <gtest/gtest.h>

#include "library_exports.h"

namespace {

TEST(UiExports, ExactlyThePrinterInterfaceEntryPoints) {
    std::string error;
    const auto names = exports::definedExports(VESKUI_PATH, &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(names, (std::set<std::string>{"DllMain", "DrvDocumentPropertySheets", "DrvDevicePropertySheets",
                                            "PrinterProperties", "DrvDocumentProperties",
                                            "DrvAdvancedDocumentProperties", "DrvConvertDevMode", "DevQueryPrintEx",
                                            "DrvDeviceCapabilities", "DrvDocumentEvent", "DrvPrinterEvent",
                                            "DrvUpgradePrinter", "VeskUiRunPage"}));
}

}  // namespace
