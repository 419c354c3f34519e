// The device's drawing state across its pages and devices.
#include "job_state.h"

namespace vesk {

bool PdevPageStateCreate(Pdev* p) {
    DrawStateInit(&p->draw);
    return true;
}

void PdevPageStateReset(Pdev* p) { DrawStateResetPage(&p->draw); }

// The clip the device holds belongs to the document, not to the device
// record: a new device of the same document knows it too.
void PdevPageStateCarry(Pdev* to, const Pdev* from) {
    to->draw.clip.kind = from->draw.clip.kind;
    to->draw.clip.id = from->draw.clip.id;
}

void PdevPageStateFree(Pdev* p) { DrawStateInit(&p->draw); }

}  // namespace vesk
