// The page machinery's state in the session.
#include "pipeline/ui_state.h"

#include "sheets/sheet_session.h"

namespace vesk {

UiPageState* UiPageStateOf(DrvContext* ctx) {
    SheetSession* s = SheetSessionOf(ctx);
    return s ? &s->pageState : nullptr;
}

}  // namespace vesk
