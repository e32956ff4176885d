#include "toolkit/PopupMenu.h"

#include <gtest/gtest.h>

TEST(PopupMenu, ItemsCarryCaptionsShortcutsChecksAndEnabledStates)
{
    toolkit::PopupMenu menu;
    menu.AddItem(10, "Free up %1");
    menu.AddSeparator();
    menu.AddItem(11, "&Exit");
    EXPECT_EQ(menu.ItemCount(), 3);

    menu.SetCaption(10, "Free up 512 MB", "Ctrl+Alt+D");
    EXPECT_EQ(menu.Caption(10), "Free up 512 MB");
    char full[64] = {};
    GetMenuStringA(menu.Handle(), 10, full, sizeof(full), MF_BYCOMMAND);
    EXPECT_STREQ(full, "Free up 512 MB\tCtrl+Alt+D");

    menu.SetChecked(11, true);
    EXPECT_TRUE(menu.Checked(11));
    menu.SetChecked(11, false);
    EXPECT_FALSE(menu.Checked(11));
    menu.SetEnabled(10, false);
    EXPECT_FALSE(menu.Enabled(10));
    menu.SetEnabled(10, true);
    EXPECT_TRUE(menu.Enabled(10));
    menu.SetDefault(10);
    EXPECT_EQ(GetMenuDefaultItem(menu.Handle(), FALSE, 0), 10u);
}

TEST(PopupMenu, SubmenusAreReachableByIdAndRemovedItemsGo)
{
    toolkit::PopupMenu menu;
    toolkit::PopupMenu& sub = menu.AddSubmenu(20, "Free and Run");
    sub.AddItem(21, "Manage entries...");
    sub.AddSeparator();
    for (UINT id = 100; id < 103; ++id) sub.AddItem(id, "entry");
    EXPECT_EQ(GetSubMenu(menu.Handle(), 0), sub.Handle());
    // Items of a submenu are found by command from the top menu too.
    menu.SetChecked(101, true);
    EXPECT_TRUE(sub.Checked(101));

    sub.RemoveItemsFrom(2);
    EXPECT_EQ(sub.ItemCount(), 2);
    EXPECT_EQ(GetMenuState(sub.Handle(), 100, MF_BYCOMMAND), static_cast<UINT>(-1));

    toolkit::PopupMenu& nested = sub.AddSubmenu(30, "nested");
    HMENU nestedHandle = nested.Handle();
    sub.RemoveItemsFrom(0);
    EXPECT_EQ(sub.ItemCount(), 0);
    EXPECT_FALSE(IsMenu(nestedHandle));  // a removed submenu is destroyed, not left behind
}
