#pragma once
// The application object: the one message loop of the user-interface thread,
// the application title, and an application-wide message filter.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class Application {
public:
    // Sees every message the loop takes from the queue before it is
    // dispatched; returning true marks it handled (it goes no further).
    using MessageHook = std::function<bool(MSG& message)>;

    static Application& Instance();

    // Runs the loop until Terminate; returns the exit code given there.
    int Run();
    // Ends the loop after the current message (posts WM_QUIT).
    void Terminate(int exitCode = 0);
    bool Terminated() const { return terminated_; }

    // Handles every message already queued; returns false once WM_QUIT was
    // seen (it is put back for the outer loop).
    bool ProcessMessages();

    // Runs the loop until done() is true or timeoutMs has passed; returns
    // done(). done() is looked at after each message and every 10 ms. For
    // modal waits and for tests that wait for posted messages or processes.
    bool ProcessMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

    void SetTitle(const std::string& title) { title_ = title; }
    const std::string& Title() const { return title_; }

    // Returns an id for RemoveMessageHook.
    int AddMessageHook(MessageHook hook);
    void RemoveMessageHook(int id);

private:
    Application() = default;
    void Dispatch(MSG& message);

    std::string title_;
    std::vector<std::pair<int, MessageHook>> hooks_;
    int nextHookId_ = 1;
    bool terminated_ = false;
    int exitCode_ = 0;
};

}  // namespace toolkit
