#include "core/install/install_steps.h"

namespace vesk {

int DefaultRstAppliedForUser(HANDLE printer, const PRINTER_INFO_2W* info) {
    return InstallApplyDefaultRst(printer, info) == 0 ? 1 : 0;
}

}  // namespace vesk
