// Functions other parts of the interface library and of the common library
// provide, declared here with a "not done" body until they arrive.
#pragma once
#include <win/spooler.h>
#include <win/types.h>
#include <win/winddiui.h>

#include "core/context.h"
#include "core/install/install_rename.h"
#include "core/persist/settings_file.h"
#include "docprops/doc_props.h"
#include "save/sheet_save.h"

namespace vesk {

// The change-notification classes of the page and control tables: 0 (not done).
int UiTablesPrepare(DrvContext* ctx);

}  // namespace vesk
