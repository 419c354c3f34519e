// The preset maintenance dialog's list operations on the per-printer INI
// and its hook's moves, duplicate checks and add path.
#include <win/files.h>
#include <winsim/window.h>

#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/query.h"
#include "core/persist/settings_file.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "dialogs/file_dialogs.h"
#include "dialogs/preset_maintenance.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"
#include "sheets/sheet_support.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

class PresetDialog : public DialogPrinter {
protected:
    void SetUp() override {
        DialogPrinter::SetUp();
        // The dialog of the string library with its controls bound as the
        // sheet binds them: the list is the owner-drawn preset list filled
        // from the model's slot values.
        dialog_ = CreateDialogParamW(ResGetStringDll(c_), MAKEINTRESOURCEW(1007), nullptr, nullptr, 0);
        ASSERT_TRUE(dialog_);
        list_ = GetDlgItem(dialog_, 2139);
        ASSERT_TRUE(list_);
        page_ = PageFindById(c_, 1007);
        ASSERT_TRUE(page_);
        page_->window = dialog_;
        for (int i = 0; i < page_->controlCount; ++i) {
            UiControl& c = page_->controls[i];
            c.window = GetDlgItem(dialog_, c.id);
            c.item = CtlBindItem(c_, &c);
            c.option = MdlFindOptionByKeyAlias2(c_, c.key);
        }
    }
    // Presets named by the letters, each with its own file; the list holds
    // their keys as the list control does.
    void presets(const std::u16string& names) {
        for (char16_t n : names) {
            const std::u16string file = u"C:\\p" + std::u16string(1, n) + u".rst";
            ASSERT_TRUE(PresetAdd(c_, file.c_str(), std::u16string(1, n).c_str(), (u"about " + file).c_str()));
        }
        refill();
    }
    void refill() { CtlInit(c_, page_, CtlFindById(c_, page_, 2139)); }
    // The names of the slots in order.
    std::u16string names() {
        std::u16string out;
        WCHAR key[kListKeyChars];
        for (int i = 0; i < GetPresetCount(c_); ++i) out += value(printerSection(), FormatPresetKey(key, i, 1));
        return out;
    }
    int command(int id, WORD code = BN_CLICKED) {
        return PresetMaintenanceHook(c_, page_, CtlFindById(c_, page_, id), WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    void select(int position) { SendMessageW(list_, LB_SETCURSEL, WPARAM(position), 0); }
    // The user's pick of a slot: the list's selection and its item.
    void choose(int position) {
        select(position);
        CtlSetItemValue(c_, CtlFindById(c_, page_, 2139), 119u + uint32_t(position));
    }
    // The add button with the file dialog driven by `script`.
    int add(const std::string& script) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript("expect dialog 4001; " + script, &error)) << error;
        const int r = command(2142);
        for (const auto& f : winsim::ui::failures()) ADD_FAILURE() << f;
        refill();
        return r;
    }
    int selected() { return int(SendMessageW(list_, LB_GETCURSEL, 0, 0)); }
    bool snapshotsFree() {
        for (BYTE* s : c_->ws->presetSnapshots)
            if (s) return false;
        return true;
    }
    int postedDuplicates() {
        int n = 0;
        MSG m;
        while (PeekMessageW(&m, dialog_, 0x8004, 0x8004, PM_REMOVE)) ++n;
        return n;
    }
    HWND dialog_ = nullptr, list_ = nullptr;
    UiPage* page_ = nullptr;
};

TEST_F(PresetDialog, DeletingBubblesTheEntryToTheEndAndClearsIt) {
    presets(u"ABCD");
    // A middle entry: the later ones move up, the last slot is emptied.
    for (int p = 1; p <= 2; ++p) PresetSwapEntries(c_, list_, p, p + 1);
    PresetClearEntry(c_, list_, 3);
    EXPECT_EQ(names(), u"ACD");
    EXPECT_EQ(value(printerSection(), u"PresetList1"), u"C:\\pC.rst");
    EXPECT_EQ(value(printerSection(), u"PresetList2Comment"), u"about C:\\pD.rst");
    EXPECT_EQ(value(printerSection(), u"PresetList3"), u"");
    EXPECT_EQ(value(printerSection(), u"PresetList3Name"), u"");
    // The last entry.
    refill();
    PresetClearEntry(c_, list_, 2);
    EXPECT_EQ(names(), u"AC");
    EXPECT_TRUE(snapshotsFree());
}

TEST_F(PresetDialog, TheCountNeverGoesBelowZero) {
    presets(u"A");
    put(printerSection(), u"Count", u"0");
    EXPECT_TRUE(PresetClearEntry(c_, list_, 0));
    EXPECT_EQ(value(printerSection(), u"Count"), u"0");
    // A position the list does not have changes nothing.
    put(printerSection(), u"Count", u"1");
    EXPECT_FALSE(PresetClearEntry(c_, list_, 5));
    EXPECT_EQ(value(printerSection(), u"Count"), u"1");
}

TEST_F(PresetDialog, MovesNeverTouchSlotZero) {
    presets(u"ABC");
    select(1);
    EXPECT_EQ(command(2143), 1);  // up into slot 0
    EXPECT_EQ(names(), u"ABC");
    select(0);
    EXPECT_EQ(command(2144), 1);  // slot 0 down
    EXPECT_EQ(names(), u"ABC");
    select(2);
    EXPECT_EQ(command(2144), 1);  // past the end
    EXPECT_EQ(names(), u"ABC");
    EXPECT_EQ(command(2143), 1);
    EXPECT_EQ(names(), u"ACB");
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(CtlGetItemValue(c_, CtlFindById(c_, page_, 2139)), 120u);
    select(1);
    EXPECT_EQ(command(2144), 1);
    EXPECT_EQ(names(), u"ABC");
    EXPECT_TRUE(snapshotsFree());
    // Another control's command is not the hook's.
    EXPECT_EQ(PresetMaintenanceHook(c_, page_, CtlFindById(c_, page_, 2143), WM_COMMAND, MAKEWPARAM(2144, 0), 0), 0);
}

TEST_F(PresetDialog, DuplicateNamesAreFoundOnceAndNeverAsSlotZero) {
    presets(u"ABA");
    EXPECT_EQ(PresetCheckDuplicates(c_, dialog_, -1), 2);
    EXPECT_EQ(postedDuplicates(), 1);
    // The name edit's text against the other slots.
    HWND edit = GetDlgItem(dialog_, 2145);
    ASSERT_TRUE(edit);
    SetWindowTextW(edit, u"B");
    EXPECT_EQ(PresetFindDuplicateName(c_, dialog_, 0), 1);   // slot 0 blames the other
    EXPECT_EQ(PresetFindDuplicateName(c_, dialog_, 2), 2);   // a later slot blames itself
    SetWindowTextW(edit, u"Z");
    EXPECT_EQ(PresetCheckDuplicates(c_, dialog_, 1), -1);
    EXPECT_EQ(postedDuplicates(), 0);
    EXPECT_EQ(PresetFindByName(c_, u"A", 2), 2);
    EXPECT_EQ(PresetFindByName(c_, u"A", 1), 0);
    EXPECT_EQ(PresetFindByName(c_, u"a", -1), -1);  // exact comparison
}

TEST_F(PresetDialog, AnAddedFileIsNamedAfterItselfWithoutItsLastExtension) {
    beginSession();
    presets(u"A");
    // Preset files the open page's import test takes, naming no preset.
    ItemSetString(c_, ItemFindById(c_, 865), u"");
    ItemSetString(c_, ItemFindById(c_, 866), u"");
    CreateDirectoryW(u"C:\\presets", nullptr);
    ASSERT_TRUE(SettingsExport(printer_, u"C:\\presets\\my.set.rst", 0x20004, c_));
    ASSERT_TRUE(SettingsExport(printer_, u"C:\\named.rst", 0x20004, c_));
    EXPECT_EQ(add("folder \"C:\\\\presets\"; file my.set.rst; ok"), 1);
    EXPECT_EQ(names(), u"Amy.set");
    EXPECT_EQ(value(printerSection(), u"PresetList1"), u"C:\\presets\\my.set.rst");
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(CtlGetItemValue(c_, CtlFindById(c_, page_, 2139)), 120u);
    // A file that names its preset gives that name and comment.
    put(u"Office ,2,", u"wdmPresetName", u"Draft", u"C:\\named.rst");
    put(u"Office ,2,", u"wdmPresetComment", u"quick", u"C:\\named.rst");
    EXPECT_EQ(add("folder \"C:\\\\\"; file named; ok"), 1);
    EXPECT_EQ(names(), u"Amy.setDraft");
    EXPECT_EQ(value(printerSection(), u"PresetList2Comment"), u"quick");
    // A dialog closed without a file adds nothing.
    EXPECT_EQ(add("cancel"), 1);
    EXPECT_EQ(GetPresetCount(c_), 3);
    EXPECT_EQ(UiProceedFlag(c_), 0u);
}

TEST_F(PresetDialog, AFullListAddsNothing) {
    beginSession();
    presets(u"ABCDEFGHIJKLMNOP");
    ASSERT_EQ(GetPresetCount(c_), 16);
    // No file dialog opens: a queued step stays unused.
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("cancel", &error)) << error;
    EXPECT_EQ(command(2142), 1);
    EXPECT_EQ(winsim::ui::pendingSteps(), 1u);
    EXPECT_EQ(GetPresetCount(c_), 16);
    EXPECT_EQ(names(), u"ABCDEFGHIJKLMNOP");
}

TEST_F(PresetDialog, TheModelAsksBeforeADeleteAndOnlyOkDeletes) {
    presets(u"ABC");
    choose(1);
    winsim::clearMessageBoxes();
    winsim::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(command(2140), 1);
    ASSERT_EQ(winsim::messageBoxLog().size(), 1u);
    EXPECT_EQ(winsim::messageBoxLog()[0].text, text(10016));
    EXPECT_EQ(names(), u"ABC");
    EXPECT_EQ(value(printerSection(), u"PresetList1"), u"C:\\pB.rst");
    // OK deletes: the next entry takes the place and is chosen.
    winsim::queueMessageBoxAnswer(IDOK);
    EXPECT_EQ(command(2140), 1);
    EXPECT_EQ(names(), u"AC");
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(CtlGetItemValue(c_, CtlFindById(c_, page_, 2139)), 120u);
    WCHAR name[64] = {};
    CtlGetItemString(c_, 2145, name, 64);
    EXPECT_EQ(std::u16string(name), u"C");
    // The last entry: slot 0 is chosen after it.
    winsim::queueMessageBoxAnswer(IDOK);
    EXPECT_EQ(command(2140), 1);
    EXPECT_EQ(names(), u"A");
    EXPECT_EQ(selected(), 0);
    // Slot 0 is never deleted and nothing is asked.
    winsim::clearMessageBoxes();
    choose(0);
    EXPECT_EQ(command(2140), 0);
    EXPECT_TRUE(winsim::messageBoxLog().empty());
    EXPECT_EQ(names(), u"A");
}

TEST_F(PresetDialog, WithoutItsListTheHookHandlesNothing) {
    presets(u"AB");
    CtlFindById(c_, page_, 2139)->window = nullptr;
    select(1);
    EXPECT_EQ(command(2144), 0);
    EXPECT_EQ(names(), u"AB");
}

}  // namespace
}  // namespace vesk::test
