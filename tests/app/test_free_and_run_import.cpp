// Entries of the older free-and-run format, imported by the real program:
// they must survive every process that loads them without saving ("quit",
// "UNINSTALL", a second start), and move into the options key with the first
// save of a running engine.
#include "tests/app/RunningProgram.h"

#include "engine/uMemoryFigures.h"

#include <algorithm>

namespace program_test {
namespace {

class FreeAndRunImportTest : public RunningProgramTest {
protected:
    void SetUp() override
    {
        RunningProgramTest::SetUp();
        InitMemoryFigures();  // the program's own TotalPhysMB, for the levels it computes
        WriteDword(OptionsSubKey, "farCount", 1);
        WriteString(OptionsSubKey, "1farName", "Stored");
        WriteString(OptionsSubKey, "1farFileToRun", "C:\\Stored\\stored.exe");
        WriteDword(OptionsSubKey, "1farMBToFree", 100);
        StoreOldEntries();
        ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, OldFreeAndRunSubKey, oldEntries));
        ASSERT_TRUE(ReadRegKeyCopy(HKEY_CURRENT_USER, OptionsSubKey, storedOptions));
    }

    static void StoreOldEntries()
    {
        WriteString(OldFreeAndRunSubKey, "Display A", "Old editor");
        WriteString(OldFreeAndRunSubKey, "Run A", "C:\\Old\\editor.exe");
        WriteDword(OldFreeAndRunSubKey, "Free A", 6);  // 12 MB in the older table
        WriteString(OldFreeAndRunSubKey, "Display 2", "Old viewer");
        WriteString(OldFreeAndRunSubKey, "Run 2", "C:\\Old\\viewer.exe");
        WriteDword(OldFreeAndRunSubKey, "Free 2", 0);  // 1 MB
    }

    static RegKeyCopy Copy(const char* key)
    {
        RegKeyCopy copy;
        ReadRegKeyCopy(HKEY_CURRENT_USER, key, copy);
        return copy;
    }

    // The entries the options key holds, as name, file and level.
    static std::vector<std::string> StoredEntries()
    {
        std::vector<std::string> entries;
        const DWORD count = ReadDword(OptionsSubKey, "farCount").value_or(0);
        for (DWORD n = 1; n <= count; ++n) {
            const std::string number = std::to_string(n);
            entries.push_back(ReadString(OptionsSubKey, (number + "farName").c_str()).value_or("?") + " | " +
                              ReadString(OptionsSubKey, (number + "farFileToRun").c_str()).value_or("?") + " | " +
                              std::to_string(ReadDword(OptionsSubKey, (number + "farMBToFree").c_str()).value_or(0)));
        }
        return entries;
    }

    static std::string Entry(const std::string& name, const std::string& file, int level)
    {
        return name + " | " + file + " | " + std::to_string(level);
    }

    RegKeyCopy oldEntries;
    RegKeyCopy storedOptions;
};

TEST_F(FreeAndRunImportTest, ProcessesThatSaveNothingLeaveBothKeysAsTheyWere)
{
    for (const char* word : {"quit", "UNINSTALL"}) {
        SCOPED_TRACE(word);
        Program program(word);
        ASSERT_TRUE(program.Started());
        EXPECT_EQ(program.WaitForExit(20000), 0u);
        EXPECT_TRUE(Copy(OldFreeAndRunSubKey) == oldEntries) << "the older entries are still there, unchanged";
        EXPECT_TRUE(Copy(OptionsSubKey) == storedOptions) << "and nothing was written";
    }

    auto first = StartInstance();
    Program second;
    EXPECT_EQ(second.WaitForExit(20000), 0u);
    EXPECT_EQ(EngineOf(second.Id()), nullptr);
    EXPECT_TRUE(Copy(OldFreeAndRunSubKey) == oldEntries) << "a second start deletes nothing either";
    EXPECT_TRUE(Copy(OptionsSubKey) == storedOptions) << "and a running engine saves only at its end";
    PostMessageA(EngineOf(first->Id()), WM_ENGINE_QUIT, 0, 0);
    EXPECT_EQ(first->WaitForExit(20000), 0u);
}

TEST_F(FreeAndRunImportTest, AnEngineRunMovesTheEntriesIntoTheOptionsKeyOnce)
{
    const auto runAndQuit = [] {
        auto program = StartInstance();
        Program quit("quit");
        EXPECT_EQ(quit.WaitForExit(20000), 0u);
        EXPECT_EQ(program->WaitForExit(20000), 0u);
    };
    const auto expectTheThreeEntries = [this] {
        std::vector<std::string> entries = StoredEntries();
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[0], Entry("Stored", "C:\\Stored\\stored.exe", 100)) << "stored entries come first";
        std::sort(entries.begin() + 1, entries.end());  // the older key's own order
        EXPECT_EQ(entries[1], Entry("Old editor", "C:\\Old\\editor.exe", std::max(TotalPhysMB - 12, 1)));
        EXPECT_EQ(entries[2], Entry("Old viewer", "C:\\Old\\viewer.exe", std::max(TotalPhysMB - 1, 1)));
        EXPECT_EQ(ReadDword(OptionsSubKey, "farMigrated"), 1u);
    };

    runAndQuit();
    expectTheThreeEntries();
    EXPECT_FALSE(KeyExists(OldFreeAndRunSubKey)) << "gone once its entries are saved";

    // Imported once: an older key that turns up again is not looked at.
    StoreOldEntries();
    runAndQuit();
    expectTheThreeEntries();
    EXPECT_TRUE(Copy(OldFreeAndRunSubKey) == oldEntries);
}

}  // namespace
}  // namespace program_test
