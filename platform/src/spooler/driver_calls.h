// The spooler's calls into a printer's interface library on changes of its
// printers and drivers (driver_calls.cpp).
#pragma once
#include "store.h"

namespace winsim::spool {

// A printer was added: its default DEVMODE from the driver (and the one it
// came with converted), then the initialise or add-connection event.
void sendPrinterAdded(const PrinterRecord& added);
// A printer is about to be removed: the delete or delete-connection event.
void sendPrinterDeleted(const PrinterRecord& printer);
// The files of `driver` were replaced: each of its printers is upgraded.
void sendDriverUpgraded(std::u16string_view driver, std::u16string_view oldDirectory);

}  // namespace winsim::spool
