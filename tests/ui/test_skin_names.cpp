#include "ui/uAnimationList.h"
#include "ui/uSkinNames.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(SkinNames, NamesAndIdsAreUniqueAndEndWithAnEmptyRow)
{
    ASSERT_EQ(SkinNames.size(), 95u);
    EXPECT_EQ(SkinNames.back().Name, L"");
    EXPECT_EQ(SkinNames.back().ID, 0);
    std::set<std::wstring_view> names;
    std::set<int32_t> ids;
    for (size_t i = 0; i + 1 < SkinNames.size(); ++i) {
        const TSkinID& row = SkinNames[i];
        EXPECT_FALSE(row.Name.empty()) << "row " << i;
        EXPECT_GT(row.ID, 0) << "row " << i;
        // A second row with the same name or ID would never be found.
        EXPECT_TRUE(names.insert(row.Name).second) << "row " << i;
        EXPECT_TRUE(ids.insert(row.ID).second) << "row " << i;
        EXPECT_EQ(SkinNameToID(row.Name), row.ID) << "row " << i;
        EXPECT_EQ(SkinIDToName(row.ID), row.Name) << "row " << i;
    }
}

TEST(SkinNames, LookupsAreExactAndNeverFail)
{
    const struct {
        std::wstring_view name;
        int32_t id;
    } byName[] = {
        {L"manual", 103},       {L"Manual", 0},          {L"manual ", 0},
        {L"", 0},               {L"Kalvora", 1},         {L"kalvora", 0},
        {L"StatusStatic", 102}, {L"idle_hide", 216},     {L"idleforce_check", 1405},
        {L"text_manual", 0},    {L"___OPTIONS", 0},      {L"chart_line2color", 406},
    };
    for (const auto& c : byName) EXPECT_EQ(SkinNameToID(c.name), c.id) << std::wstring(c.name);

    const struct {
        int32_t id;
        std::wstring_view name;
    } byId[] = {
        {0, L""}, {-1, L""}, {100, L""}, {1, L"Kalvora"}, {114, L"tab_close"}, {1204, L"about_close"}, {99999, L""},
    };
    for (const auto& c : byId) EXPECT_EQ(SkinIDToName(c.id), c.name) << c.id;
}

TEST(SkinAnimationList, KeepsRequestsInOrderAndHandsThemOver)
{
    TSkinAnimationList list;
    EXPECT_TRUE(list.Empty());
    list.Add(L"regular_hide", true);
    list.Add(L"idle_hide", false);
    list.Add(OptionsRefreshMarker, true);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Item(2).Name, L"___OPTIONS");

    TSkinAnimation first = list.TakeFirst();
    EXPECT_EQ(first.Name, L"regular_hide");
    EXPECT_TRUE(first.Chained);
    TSkinAnimation second = list.TakeFirst();
    EXPECT_EQ(second.Name, L"idle_hide");
    EXPECT_FALSE(second.Chained);
    EXPECT_EQ(list.Count(), 1u);
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_THROW(list.TakeFirst(), std::out_of_range);
}

}  // namespace
