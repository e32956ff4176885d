#include "toolkit/Application.h"

#include "toolkit/HandlerErrors.h"

#include <algorithm>

namespace toolkit {

Application& Application::Instance()
{
    static Application application;
    return application;
}

void Application::Dispatch(MSG& message)
{
    // A hook may remove itself while running: iterate over a copy, made only
    // when there are hooks (not at every timer tick of a program without).
    if (!hooks_.empty()) {
        auto hooks = hooks_;
        for (auto& [id, hook] : hooks)
            if (CatchHandlerErrors(false, [&] { return hook(message); })) return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

int Application::Run()
{
    MSG message;
    while (!terminated_) {
        BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        Dispatch(message);
    }
    terminated_ = true;
    return exitCode_;
}

void Application::Terminate(int exitCode)
{
    exitCode_ = exitCode;
    ::PostQuitMessage(exitCode);
}

bool Application::ProcessMessages()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        Dispatch(message);
    }
    return true;
}

bool Application::ProcessMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!done()) {
        ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) break;
        // done() may depend on more than this thread's messages: look again
        // at least every few milliseconds.
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10));
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        if (!ProcessMessages()) break;
    }
    return done();
}

int Application::AddMessageHook(MessageHook hook)
{
    hooks_.emplace_back(nextHookId_, std::move(hook));
    return nextHookId_++;
}

void Application::RemoveMessageHook(int id)
{
    std::erase_if(hooks_, [id](const auto& entry) { return entry.first == id; });
}

}  // namespace toolkit
