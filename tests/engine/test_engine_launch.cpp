// Free-and-run launches: the program starts once the free-up before it has
// ended, or at once when there is none to wait for.
#include "tests/engine/EngineTestSupport.h"

#include "freeandrun/fFARLaunch.h"

namespace {

class LaunchTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        DeleteFileA(mark.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(mark.c_str());
        EngineTest::TearDown();
    }
    const TFreeAndRunItem& AddEntry(int level)
    {
        auto entry = std::make_unique<TFreeAndRunItem>();
        entry->Name = "Marker";
        entry->FileToRun = BesideUs("mark_helper.exe");
        entry->MBToFree = level;
        const TFreeAndRunItem& added = *entry;
        Options->AddFreeAndRunItem(std::move(entry));
        Pump();
        return added;
    }
    bool MarkAppears(DWORD ms = 10000)
    {
        return PumpUntil([this] { return GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES; }, ms);
    }
    const std::string mark = BesideUs("mark_helper.exe.mark");
};

}  // namespace

TEST_F(LaunchTest, TheProgramStartsOnlyAfterTheFreeUpHasEnded)
{
    StartEngine();
    world.HoldWorkers = true;
    const TFreeAndRunItem& entry = AddEntry(Options->Amount1());
    engine->RunCommand(cmdFirstFreeAndRunEntry + static_cast<UINT>(entry.ID));
    ASSERT_NE(engine->LaunchWindow(), nullptr);
    EXPECT_EQ(engine->LaunchWindow()->LaunchingText(), "Launching Marker");
    EXPECT_TRUE(IsWindowVisible(engine->LaunchWindow()->Handle()));
    // The worker's progress reaches the window; the program waits for its end.
    PostMessageA(engine->Handle(), WM_WORKER_PROGRESS, 37, 0);
    Pump();
    ASSERT_NE(engine->LaunchWindow(), nullptr) << "started before the free-up ended";
    EXPECT_EQ(engine->LaunchWindow()->StatusText(), "Free-up: 37%");
    EXPECT_EQ(GetFileAttributesA(mark.c_str()), INVALID_FILE_ATTRIBUTES);

    world.ReleaseHeld = true;
    EXPECT_TRUE(MarkAppears());
    EXPECT_EQ(engine->LaunchWindow(), nullptr);
    EXPECT_EQ(engine->Worker(), nullptr);
}

TEST_F(LaunchTest, ARefusedFreeUpStartsTheProgramAtOnce)
{
    StartEngine();
    const TFreeAndRunItem& entry = AddEntry(TotalPhysMB);  // frees 0 MB
    engine->LaunchEntry(entry);
    EXPECT_EQ(engine->Worker(), nullptr);
    EXPECT_EQ(engine->LaunchWindow(), nullptr);
    EXPECT_TRUE(MarkAppears());
}

TEST_F(LaunchTest, AReplacedLaunchStartsItsProgramWhenTheReplacingFreeUpEnds)
{
    StartEngine();
    world.HoldWorkers = true;
    engine->LaunchEntry(AddEntry(Options->Amount1()));
    engine->RunCommand(cmdFreeUp3);  // the launch's own free-up is stopped
    ASSERT_NE(engine->LaunchWindow(), nullptr);
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->Amount3()) << 20);
    EXPECT_NE(engine->LaunchWindow(), nullptr) << "the launch still waits";
    world.ReleaseHeld = true;
    EXPECT_TRUE(MarkAppears());
    EXPECT_EQ(engine->LaunchWindow(), nullptr);
}

TEST_F(LaunchTest, ASecondEntryDuringALaunchIsIgnored)
{
    StartEngine();
    world.HoldWorkers = true;
    const TFreeAndRunItem& entry = AddEntry(Options->Amount1());
    engine->LaunchEntry(entry);
    const TfrmFARLaunch* first = engine->LaunchWindow();
    const int workers = world.CreatedCount;
    engine->LaunchEntry(entry);
    EXPECT_EQ(engine->LaunchWindow(), first);
    EXPECT_EQ(world.CreatedCount, workers);
}

TEST_F(LaunchTest, AShellCallWithALoopOfItsOwnStartsTheProgramOnce)
{
    StartEngine();
    world.HoldWorkers = true;
    int opened = 0;
    // As a dialog of the shell would: messages run while the call is under way,
    // the end of a free-up and a refused free-up among them.
    world.OpenProgram = [&](const std::string&) {
        ++opened;
        PostMessageA(engine->Handle(), WM_WORKER_ENDED, 0, 0);
        PostMessageA(engine->Handle(), WM_ENGINE_FREE, 0, 0);
        Pump();
    };
    engine->LaunchEntry(AddEntry(Options->Amount1()));
    ASSERT_NE(engine->LaunchWindow(), nullptr);
    world.ReleaseHeld = true;
    ASSERT_TRUE(PumpUntil([&] { return opened > 0 && engine->LaunchWindow() == nullptr; }));
    Pump();
    EXPECT_EQ(opened, 1);
}
