#pragma once
// A hidden window that exists to receive messages: posted by worker threads,
// sent by other instances. It is an ordinary top-level window that is never
// shown (not a message-only window), so that other processes can find it by
// its caption with EnumWindows.
#include "toolkit/Window.h"

#include <functional>

namespace toolkit {

class MessageWindow : public Window {
public:
    // Returns true when it handled the message; result is then the answer.
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    explicit MessageWindow(Handler handler = {}, const std::string& caption = {});
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Handler handler_;
};

}  // namespace toolkit
