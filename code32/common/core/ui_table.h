// Page and control records: every property page and dialog of the driver with
// the controls of its template, each control bound to an item by its key.
// The built-in table is read-only; each context works on its own copy, whose
// run-time fields (windows, hidden and disabled states, bound records) belong
// to the property sheets.
#pragma once
#include <win/types.h>

#include "core/item.h"

namespace vesk {

struct UiControl {
    uint16_t key;            // dictionary key; controls sharing a key share one item
    uint16_t id;             // dialog item id; for radio buttons also the logical value
    uint16_t type;           // control type code
    uint16_t secondId;       // 0 in the table; the control id at preparation
    uint16_t helpId;         // WinHelp context of the control's help
    uint16_t hoverString;    // string id of the hover popup, 0 none
    uint16_t explanationString;  // string id shown by the explanation icon, 0 none
    uint16_t messageString;  // string id of the refusal message, 0 none
    uint16_t partner;        // picture: the choice it switches; spin: its condition source
    uint16_t reserved[4];
    uint32_t hidden;         // run-time: the first condition hides the control
    uint32_t disabled;       // run-time: the second condition disables it
    HWND window;             // run-time
    uint32_t option;         // run-time: image offset of the compiled option of the key, 0 none
    DmItem* item;            // bound at preparation, in the context's own item table
    uintptr_t previousProc;  // run-time: replaced window procedure
    const void* attribute;   // typed attribute record (first word: its kind), or null
    uint32_t applyMode;
    uint32_t flags;          // change classes listened for and behaviour bits
    uint16_t tableItemId;    // the item the table binds the control to (0 none)
};

// Control flags.
constexpr uint32_t kCtlLengthInDots = 0x80000000u;

struct UiPage {
    uint16_t id;             // equal to the dialog template id
    uint16_t key;            // dictionary key of the page (page-level constraints)
    uint16_t kind;           // kind flags
    uint16_t reserved;
    const char* name;        // symbolic name
    uint32_t helpId;
    int32_t controlCount;
    UiControl* controls;
    HWND window;             // run-time
    uint32_t runtime[4];
    uint32_t modal;          // run-time: 1 while the page runs as a modal dialog
};

// Page kind flags.
enum : uint16_t {
    kPageDocument = 0x1,
    kPageDevice = 0x2,
    kPageDialog = 0x4,
    kPageMainTab = 0x10,
    kPageUserSetting = 0x20,
    kPageFileOpen = 0x100,
    kPagePresetOpenSave = 0x200,
    kPageBitmapRefer = 0x400,
    kPageOverlaySave = 0x800,
    kPageOverlayRefer = 0x1000,
    kPageMidFiles = 0x8000,
};

struct UiPageTable {
    int16_t count;
    UiPage* pages;
};

// Attribute records (the first signed 16-bit word is the kind).
struct UiAttrPicture {        // kind 1
    int16_t kind;
    uint16_t reserved[2];
    uint16_t controlIds[6];
};
struct UiRepeatEntry {
    uint16_t controlId;
    uint16_t reserved[3];
    int16_t step;
};
struct UiAttrRepeat {         // kind 5
    int16_t kind;
    uint16_t count;
    const UiRepeatEntry* entries;
};
struct UiAttrPreview {        // kind 8
    int16_t kind;
    uint16_t keys[14];
};

}  // namespace vesk
