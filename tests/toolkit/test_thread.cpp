#include "toolkit/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class CountingThread : public toolkit::Thread {
public:
    ~CountingThread() override { StopAndWait(); }
    std::atomic<int> rounds{0};
    std::atomic<bool> ran{false};
    bool throwIt = false;
    std::atomic<bool>* ranOutside = nullptr;  // survives the object

protected:
    void Execute() override
    {
        ran = true;
        if (ranOutside) *ranOutside = true;
        if (throwIt) throw std::runtime_error("body failed");
        while (!Terminated()) {
            ++rounds;
            SleepUnlessTerminated(10000);  // a stop cuts this short
        }
    }
};

}  // namespace

TEST(Thread, RunsOnlyAfterResumeAndStopsOnRequest)
{
    CountingThread thread;
    Sleep(50);
    EXPECT_FALSE(thread.ran);  // created suspended
    thread.Resume();
    while (thread.rounds == 0) Sleep(1);
    const ULONGLONG before = GetTickCount64();
    thread.Terminate();
    thread.WaitFor();
    EXPECT_LT(GetTickCount64() - before, 5000u) << "the stop request must cut the sleep short";
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.rounds, 1);
}

TEST(Thread, AnErrorInTheBodyEndsTheThreadAndANeverResumedThreadNeverRuns)
{
    CountingThread failing;
    failing.throwIt = true;
    failing.Resume();
    failing.WaitFor();
    EXPECT_TRUE(failing.Finished());

    std::atomic<bool> neverRan{false};
    auto never = std::make_unique<CountingThread>();
    never->ranOutside = &neverRan;
    never.reset();  // destroying it without Resume must not hang or run the body
    EXPECT_FALSE(neverRan);
}
