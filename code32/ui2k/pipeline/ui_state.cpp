// The page machinery's state in the session.
#include "pipeline/ui_state.h"

#include "sheets/sheet_session.h"

namespace vesk {

UiPageState* UiPageStateOf(DrvContext* ctx) {
    SheetSession* s = SheetSessionOf(ctx);
    return s ? &s->pageState : nullptr;
}

uint32_t UiProceedFlag(DrvContext* ctx) {
    UiPageState* st = UiPageStateOf(ctx);
    return st ? st->proceedFlag : 0;
}

void UiSetProceedFlag(DrvContext* ctx, uint32_t value) {
    if (UiPageState* st = UiPageStateOf(ctx)) st->proceedFlag = value;
}

uint32_t UiFileButton(DrvContext* ctx) {
    UiPageState* st = UiPageStateOf(ctx);
    return st ? st->fileButtonCode : 0;
}

void UiSetFileButton(DrvContext* ctx, uint32_t button) {
    if (UiPageState* st = UiPageStateOf(ctx)) st->fileButtonCode = button;
}

}  // namespace vesk
