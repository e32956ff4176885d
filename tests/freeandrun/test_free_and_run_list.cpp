#include "freeandrun/uFreeAndRunList.h"

#include "engine/uMemoryFigures.h"
#include "settings/uRegistry.h"
#include "tests/settings/RegTestKey.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::unique_ptr<TFreeAndRunItem> MakeItem(const std::string& name, const std::string& file, int level)
{
    auto entry = std::make_unique<TFreeAndRunItem>();
    entry->Name = name;
    entry->FileToRun = file;
    entry->MBToFree = level;
    return entry;
}

class FreeAndRunList : public ::testing::Test {
protected:
    void SetUp() override { TotalPhysMB = 512; }
    void TearDown() override { TotalPhysMB = savedTotal; }

    // A list that looks for the older format under the tests' own key.
    std::unique_ptr<TFreeAndRunList> NewList() const
    {
        auto list = std::make_unique<TFreeAndRunList>();
        list->OldKey = oldKey.Path();
        return list;
    }

    const int savedTotal = TotalPhysMB;
    RegTestKey key{"Software\\KalvoraTests\\FreeAndRun"};
    RegTestKey oldKey{"Software\\KalvoraTests\\FreeAndRunOld\\Free And Run 4"};
    const std::string path = key.Path();
};

TEST(FreeAndRunItem, DisplayNameIsTheNameOrTheFileNameWithoutShortcutExtension)
{
    struct Case { const char* name; const char* file; const char* shown; };
    const Case cases[] = {
        {"Editor of choice", "C:\\Menu\\Editor.lnk", "Editor of choice"},
        {"", "C:\\Menu\\Editor.lnk", "Editor"},
        {"", "C:\\Menu\\Editor.Lnk", "Editor"},
        {"", "C:\\Menu\\Editor.LNK", "Editor"},
        {"", "C:\\Tools\\calc.exe", "calc.exe"},
        {"", "", ""},
        {"", "D:notes.lnk", "notes"},
        {"", "notes.lnk", "notes"},
        {"", "C:\\My.lnk\\tool", "tool"},             // a dot in a folder is no extension
        {"", "C:\\Menu\\archive.tar.lnk", "archive.tar"},
        {"", "C:\\Menu\\Editor.lnkx", "Editor.lnkx"},
        {"", "C:\\Menu\\.lnk", ""},
        {"", "C:\\Menu\\", ""},
    };
    for (const Case& c : cases) {
        TFreeAndRunItem entry;
        entry.Name = c.name;
        entry.FileToRun = c.file;
        EXPECT_EQ(DisplayName(entry), c.shown) << c.name << " / " << c.file;
    }
}

TEST(FreeAndRunItem, EveryNewEntryGetsAnIDOfItsOwn)
{
    TFreeAndRunList list;
    TFreeAndRunItem& first = list.Add(MakeItem("Same", "C:\\same.exe", 100));
    TFreeAndRunItem& second = list.Add(MakeItem("Same", "C:\\same.exe", 100));
    EXPECT_GE(first.ID, 0);
    EXPECT_GT(second.ID, first.ID);
    const int oldID = second.ID;

    std::unique_ptr<TFreeAndRunItem> removed = list.Remove(&second);
    ASSERT_EQ(removed.get(), &second);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Find(oldID), nullptr);
    EXPECT_EQ(list.Remove(removed.get()), nullptr) << "not listed any more";

    TFreeAndRunItem& again = list.Add(MakeItem(removed->Name, removed->FileToRun, removed->MBToFree));
    EXPECT_GT(again.ID, oldID);
    EXPECT_EQ(list.Find(again.ID), &again);
    EXPECT_EQ(list.Find(first.ID), &first);
    EXPECT_EQ(&list.Item(1), &again);
}

TEST_F(FreeAndRunList, SavesInListOrderAndLoadsItBack)
{
    auto list = NewList();
    list->Add(MakeItem("Editor", "C:\\Menu\\Editor.lnk", 100));
    list->Add(MakeItem("", "C:\\Tools\\calc.exe", -5));
    list->Add(MakeItem("Third", "", 0));
    list->SaveToRegistry(path);

    EXPECT_EQ(ReadRegInteger(path, "farCount", -1), 3);
    EXPECT_EQ(ReadRegInteger(path, "farMigrated", -1), 0);
    EXPECT_EQ(ReadRegString(path, "1farName", "?"), "Editor");
    EXPECT_EQ(ReadRegString(path, "2farFileToRun", "?"), "C:\\Tools\\calc.exe");
    EXPECT_EQ(ReadRegInteger(path, "2farMBToFree", 0), -5);
    EXPECT_EQ(ReadRegString(path, "3farFileToRun", "?"), "");

    auto loaded = NewList();
    loaded->LoadFromRegistry(path);
    ASSERT_EQ(loaded->Count(), 3);
    int n = 0;
    for (const auto& entry : *loaded) {
        const TFreeAndRunItem& saved = list->Item(n++);
        EXPECT_EQ(entry->Name, saved.Name);
        EXPECT_EQ(entry->FileToRun, saved.FileToRun);
        EXPECT_EQ(entry->MBToFree, saved.MBToFree);
        EXPECT_NE(entry->ID, saved.ID);
    }
    EXPECT_FALSE(loaded->Migrated);
}

TEST_F(FreeAndRunList, AShorterListLeavesTheOldValuesButCountsOnlyItsOwn)
{
    auto three = NewList();
    for (int i = 1; i <= 3; ++i) three->Add(MakeItem("Entry " + std::to_string(i), "C:\\p.exe", i));
    three->SaveToRegistry(path);
    auto one = NewList();
    one->Add(MakeItem("Only", "C:\\only.exe", 7));
    one->SaveToRegistry(path);

    EXPECT_EQ(ReadRegInteger(path, "farCount", -1), 1);
    EXPECT_EQ(ReadRegString(path, "2farName", "?"), "Entry 2");
    EXPECT_EQ(ReadRegInteger(path, "3farMBToFree", 0), 3);
    auto loaded = NewList();
    loaded->LoadFromRegistry(path);
    ASSERT_EQ(loaded->Count(), 1);
    EXPECT_EQ(loaded->Item(0).Name, "Only");
}

TEST_F(FreeAndRunList, ReadsOnlyAsManyEntriesAsTheBelievableCount)
{
    struct Case { const char* what; int count; bool asText; int entries; };
    const Case cases[] = {
        {"missing", 0, false, 0},
        {"zero", 0, false, 0},
        {"negative", -5, false, 0},
        {"the lowest int", INT_MIN, false, 0},
        {"stored as text", 3, true, 0},
        {"two", 2, false, 2},
        {"absurd", INT_MAX, false, MaxFreeAndRunEntries},
    };
    for (const Case& c : cases) {
        key.Remove();
        if (std::string(c.what) != "missing") {
            if (c.asText)
                WriteRegString(path, "farCount", std::to_string(c.count));
            else
                WriteRegInteger(path, "farCount", c.count);
        }
        WriteRegString(path, "1farName", "First");  // nothing else stored
        auto list = NewList();
        list->LoadFromRegistry(path);
        ASSERT_EQ(list->Count(), c.entries) << c.what;
        if (c.entries >= 2) {
            EXPECT_EQ(list->Item(0).Name, "First");
            EXPECT_EQ(list->Item(0).FileToRun, "");
            EXPECT_EQ(list->Item(0).MBToFree, 0);
            EXPECT_EQ(list->Item(1).Name, "");
            EXPECT_EQ(list->Item(1).FileToRun, "");
            EXPECT_EQ(list->Item(1).MBToFree, 0);
        }
    }
}

TEST_F(FreeAndRunList, UnreadableEntryValuesLeaveTheNewEntrysEmptyFields)
{
    WriteRegInteger(path, "farCount", 1);
    WriteRegInteger(path, "1farName", 5);                          // a number, not text
    WriteRegString(path, "1farFileToRun", std::string(600, 'x'));  // too long
    WriteRegString(path, "1farMBToFree", "300");                   // text, not a number
    auto list = NewList();
    list->LoadFromRegistry(path);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Item(0).Name, "");
    EXPECT_EQ(list->Item(0).FileToRun, "");
    EXPECT_EQ(list->Item(0).MBToFree, 0);
}

TEST_F(FreeAndRunList, ImportsTheOlderFormatOnceAfterTheStoredEntries)
{
    WriteRegInteger(path, "farCount", 1);
    WriteRegString(path, "1farName", "Stored");
    const std::string old = oldKey.Path();
    WriteRegString(old, "Display A", "Old editor");
    WriteRegString(old, "Run A", "C:\\Old\\editor.exe");
    WriteRegInteger(old, "Free A", 6);  // 12 MB in the old table
    WriteRegString(old, "display B", "not an entry: lower case");
    WriteRegString(old, "Run B", "C:\\Old\\b.exe");
    WriteRegString(old, "Other", "skipped");

    auto list = NewList();
    list->LoadFromRegistry(path);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Item(0).Name, "Stored");
    EXPECT_EQ(list->Item(1).Name, "Old editor");
    EXPECT_EQ(list->Item(1).FileToRun, "C:\\Old\\editor.exe");
    EXPECT_EQ(list->Item(1).MBToFree, 500);
    EXPECT_TRUE(list->Migrated);
    EXPECT_EQ(ReadRegInteger(path, "farMigrated", -1), -1) << "the flag waits for the next save";
    EXPECT_EQ(ReadRegString(old, "Display A", "?"), "Old editor") << "and so does the older key";

    list->SaveToRegistry(path);
    EXPECT_EQ(ReadRegInteger(path, "farMigrated", -1), 1);
    EXPECT_EQ(ReadRegInteger(path, "farCount", -1), 2);
    EXPECT_EQ(ReadRegString(path, "2farFileToRun", "?"), "C:\\Old\\editor.exe");
    EXPECT_FALSE(RegKeyExists(old)) << "its entries are in the new key now";
}

TEST_F(FreeAndRunList, TheOlderKeyGoesOnlyWithASaveThatWroteItsEntries)
{
    const std::string old = oldKey.Path();
    const auto storeOld = [&old] {
        WriteRegString(old, "Display A", "Old editor");
        WriteRegString(old, "Run A", "C:\\Old\\editor.exe");
        WriteRegInteger(old, "Free A", 6);
    };
    storeOld();
    {
        auto unsaved = NewList();  // a process that loads and ends ("quit", a second start)
        unsaved->LoadFromRegistry(path);
        EXPECT_EQ(unsaved->Count(), 1);
    }
    EXPECT_EQ(ReadRegString(old, "Run A", "?"), "C:\\Old\\editor.exe");
    EXPECT_EQ(ReadRegInteger(old, "Free A", -1), 6);

    auto list = NewList();
    list->LoadFromRegistry(path);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_THROW(list->SaveToRegistry("HKEY_NOWHERE\\Software\\KalvoraTests"), std::exception);
    EXPECT_TRUE(RegKeyExists(old)) << "a save that failed wrote nothing";

    list->SaveToRegistry(path);
    EXPECT_FALSE(RegKeyExists(old));

    // Imported once: an older key that turns up again stays, also through
    // later saves of this list and of the next one.
    storeOld();
    list->SaveToRegistry(path);
    EXPECT_TRUE(RegKeyExists(old));
    auto next = NewList();
    next->LoadFromRegistry(path);
    EXPECT_EQ(next->Count(), 1) << "not imported twice";
    next->SaveToRegistry(path);
    EXPECT_EQ(ReadRegString(old, "Display A", "?"), "Old editor");
}

TEST_F(FreeAndRunList, OldIndexesBecomeLevelsWithinTheTotal)
{
    struct Case { int total; int index; int level; };
    const Case cases[] = {
        {512, 6, 500},   {512, 0, 511},   {512, 1, 510},   {512, 16, 480}, {512, 17, 472},
        {512, 40, 1},    {512, 48, 1},    {2048, 28, 1920}, {2048, 29, 1888}, {2048, 41, 1472},
        {2048, 48, 1024},
        // outside the table: clamped into it
        {512, -3, 511},  {512, 49, 1},    {2048, 49, 1024}, {2048, 1000000, 1024}, {2048, INT_MIN, 2047},
    };
    for (const Case& c : cases) {
        TotalPhysMB = c.total;
        const std::string old = oldKey.Path();
        WriteRegString(old, "Display 7", "Seven");
        WriteRegInteger(old, "Free 7", c.index);
        auto list = NewList();
        list->MigrateOldEntries();
        ASSERT_EQ(list->Count(), 1) << c.index;
        EXPECT_EQ(list->Item(0).MBToFree, c.level) << "total " << c.total << ", index " << c.index;
        EXPECT_EQ(list->Item(0).FileToRun, "") << "no Run value stored";
    }
}

TEST_F(FreeAndRunList, TheSuffixStartsAtTheNinthCharacterWhateverTheEighthIs)
{
    const std::string old = oldKey.Path();
    WriteRegString(old, "DisplayXB", "not read: only \"Display B\" is");
    WriteRegString(old, "Display B", "Bee");
    WriteRegString(old, "Run B", "C:\\b.exe");
    WriteRegString(old, "Display", "");  // no suffix at all
    WriteRegString(old, "Run ", "C:\\none.exe");
    auto list = NewList();
    list->MigrateOldEntries();
    ASSERT_EQ(list->Count(), 3);
    int named = 0;
    for (const auto& entry : *list) {
        if (entry->FileToRun == "C:\\b.exe") {
            EXPECT_EQ(entry->Name, "Bee");
            ++named;
        } else {
            EXPECT_EQ(entry->FileToRun, "C:\\none.exe");
            EXPECT_EQ(entry->Name, "");
        }
    }
    EXPECT_EQ(named, 2) << "DisplayXB and Display B both read the values of B";
}

TEST_F(FreeAndRunList, AnImportedListLeavesTheOlderKeyAlone)
{
    const std::string old = oldKey.Path();
    WriteRegString(old, "Display A", "Old");
    WriteRegBool(path, "farMigrated", true);
    auto list = NewList();
    list->LoadFromRegistry(path);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_TRUE(list->Migrated);
    EXPECT_TRUE(RegKeyExists(old));
    list->SaveToRegistry(path);
    EXPECT_TRUE(RegKeyExists(old)) << "nothing imported, nothing to delete";

    WriteRegBool(path, "farMigrated", false);
    oldKey.Remove();
    auto again = NewList();
    again->LoadFromRegistry(path);
    EXPECT_FALSE(again->Migrated) << "without an older key there is nothing to import";
}

TEST(FreeAndRunOldFormat, TableAndKey)
{
    const int expected[49] = {1,   2,   4,   6,   8,   10,  12,  14,  16,  18,  20,  22,  24,  26,  28,  30, 32,
                              40,  48,  56,  64,  72,  80,  88,  96,  104, 112, 120, 128, 160, 192, 224, 256,
                              288, 320, 352, 384, 416, 448, 480, 512, 576, 640, 704, 768, 832, 896, 960, 1024};
    for (int i = 0; i < 49; ++i) EXPECT_EQ(OldFreeSteps[i], expected[i]) << i;
    EXPECT_EQ(TFreeAndRunList().OldKey, "HKEY_CURRENT_USER\\Software\\Orlandek\\Kalvora Pro\\Free And Run 4");
}

}  // namespace
