// The installable options: the tables, what a click on an entry changes
// and the hook on the string library's dialog 1011.
#include <winsim/window.h>

#include "common/lists_support.h"
#include "core/item_store.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "dialogs/install_options.h"
#include "hooks/page_hooks.h"

namespace vesk::test {
namespace {

class InstallOptions : public ListPrinter {
protected:
    uint32_t get(int id) { return ItemValueById(c_, id); }
    void set(int id, uint32_t v) { ItemSetValueById(c_, id, v); }
};

TEST_F(InstallOptions, TablesGiveItemsRulesAndSlots) {
    EXPECT_EQ(OptionItemForValue(348), 10013);
    EXPECT_EQ(OptionItemForValue(287), 10068);
    EXPECT_EQ(OptionItemForValue(9999), 10023);  // the first row's item
    EXPECT_EQ(TraySlotForValue(169), 25);
    EXPECT_EQ(TraySlotForValue(50000), 27);
    EXPECT_EQ(TraySlotForValue(9999), 0);
    int rules = 0;
    for (const InstallOptionRule* r = InstallOptionRuleTable(); r->value; ++r) ++rules;
    EXPECT_EQ(rules, 15);
    EXPECT_EQ(OptionRuleFind(146, nullptr)->item, 10014);
    EXPECT_EQ(OptionRuleFind(147, nullptr), nullptr);
    EXPECT_EQ(OptionRuleFind(0, nullptr), nullptr);
}

TEST_F(InstallOptions, MemoryRulesAndSizesFallBackAsTheyShould) {
    set(10012, 96);
    ASSERT_TRUE(InstallOptionIsInstalled(c_, 348));
    EXPECT_EQ(InstallOptionToggle(c_, 348, false), kInstallRedraw);
    EXPECT_EQ(get(10012), 64u);
    EXPECT_TRUE(InstallOptionIsInstalled(c_, 346));
    InstallOptionToggle(c_, 346, false);
    EXPECT_EQ(get(10012), 64u);
    InstallOptionToggle(c_, 350, false);
    EXPECT_EQ(get(10012), 128u);
    InstallOptionToggle(c_, 350, false);
    EXPECT_EQ(get(10012), 32u);
    // A disabled list ignores the click.
    EXPECT_EQ(InstallOptionToggle(c_, 348, true), 0u);
    EXPECT_EQ(get(10012), 32u);
}

TEST_F(InstallOptions, BankAndLargeTrayExcludeEachOtherAndRefill) {
    set(10018, 1);
    EXPECT_EQ(InstallOptionToggle(c_, 273, false), kInstallRedraw | kInstallRefill);
    EXPECT_EQ(get(10020), 1u);
    EXPECT_EQ(get(10018), 0u);
    InstallOptionToggle(c_, 274, false);
    EXPECT_EQ(get(10018), 1u);
    EXPECT_EQ(get(10020), 0u);
    // The one-step unit: 143 and 144 share its item and switch the count.
    InstallOptionToggle(c_, 143, false);
    EXPECT_EQ(get(10023), 1u);
    EXPECT_EQ(get(10110), 1u);
    InstallOptionToggle(c_, 144, false);
    EXPECT_EQ(get(10110), 2u);
    EXPECT_TRUE(InstallOptionIsInstalled(c_, 144));
    EXPECT_FALSE(InstallOptionIsInstalled(c_, 143));
}

TEST_F(InstallOptions, AnOutputEntryClearsExactlyItsGroupsSteps) {
    const int all[] = {10047, 10074, 10075, 10076, 10077, 10048, 10049, 10057, 10058, 10059, 10056};
    for (int id : all) set(id, 1);
    set(10056, 0);  // 147's own item, not installed
    InstallOptionToggle(c_, 147, false);
    EXPECT_EQ(get(10056), 1u);
    for (int id : {10047, 10048, 10049, 10057, 10058, 10059, 10074, 10075, 10076, 10077}) EXPECT_EQ(get(id), 0u) << id;
    // 279 (mailbox 1) keeps the finisher 2000 line; 277 keeps the mailbox.
    for (int id : all) set(id, 1);
    set(10048, 0);
    InstallOptionToggle(c_, 279, false);
    EXPECT_EQ(get(10048), 1u);
    EXPECT_EQ(get(10058), 1u);
    EXPECT_EQ(get(10074), 1u);
    EXPECT_EQ(get(10047), 0u);
    for (int id : all) set(id, 1);
    set(10058, 0);
    InstallOptionToggle(c_, 277, false);
    EXPECT_EQ(get(10058), 1u);
    EXPECT_EQ(get(10048), 1u);  // step (c) is skipped for 277
    EXPECT_EQ(get(10074), 0u);  // step (f) clears the 2000 variants
    // Clicking it again only removes it.
    InstallOptionToggle(c_, 277, false);
    EXPECT_EQ(get(10058), 0u);
    EXPECT_EQ(get(10048), 1u);
}

TEST_F(InstallOptions, FaxLinesAreLockedUntilTheRemoteOptionIsInstalled) {
    set(10062, 0);
    EXPECT_TRUE(OptionRuleLocked(c_, OptionRuleFind(285, nullptr)));
    EXPECT_EQ(InstallOptionToggle(c_, 285, false), 0u);
    EXPECT_EQ(get(10066), 0u);
    InstallOptionToggle(c_, 284, false);
    EXPECT_EQ(get(10062), 1u);
    EXPECT_FALSE(OptionRuleLocked(c_, OptionRuleFind(285, nullptr)));
    InstallOptionToggle(c_, 285, false);
    EXPECT_EQ(get(10066), 1u);
}

TEST_F(InstallOptions, TheHookTogglesTheSelectedEntryOnAClickOrSpace) {
    winsim::ui::reset();
    UiPage* page = PageFindById(c_, 1011);
    ASSERT_TRUE(page);
    HWND sheet = winsim::createWindow(u"#32770", u"Sheet");
    page->window = CreateDialogParamW(ResGetStringDll(c_), MAKEINTRESOURCEW(1011), sheet, nullptr, 0);
    ASSERT_TRUE(page->window);
    for (int i = 0; i < page->controlCount; ++i) page->controls[i].window = GetDlgItem(page->window, page->controls[i].id);
    UiControl* list = CtlFindById(c_, page, 2164);
    ASSERT_TRUE(list && list->window);
    SendMessageW(list->window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Bank"));
    SendMessageW(list->window, LB_SETITEMDATA, 0, 273);
    SendMessageW(list->window, LB_SETCURSEL, 0, 0);
    set(10020, 0);
    EXPECT_EQ(InstallOptionsHook(c_, page, list, WM_LBUTTONUP, 0, 0), 0);  // the list's own handling goes on
    EXPECT_EQ(get(10020), 1u);
    EXPECT_EQ(InstallOptionsHook(c_, page, list, WM_CHAR, VK_SPACE, 0), 0);
    EXPECT_EQ(get(10020), 0u);
    EXPECT_EQ(InstallOptionsHook(c_, page, list, WM_CHAR, 'a', 0), 0);
    EXPECT_EQ(get(10020), 0u);
    // A disabled list changes nothing.
    EnableWindow(list->window, FALSE);
    InstallOptionsHook(c_, page, list, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(get(10020), 0u);
    winsim::ui::reset();
}

}  // namespace
}  // namespace vesk::test
