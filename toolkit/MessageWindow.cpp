#include "toolkit/MessageWindow.h"

namespace toolkit {

MessageWindow::MessageWindow(Handler handler, const std::string& caption) : handler_(std::move(handler))
{
    CreateArgs args;
    args.className = "KalvoraMessageWindow";
    args.caption = caption;
    args.style = WS_POPUP;
    args.exStyle = WS_EX_TOOLWINDOW;
    args.x = args.y = 0;
    Create(args);
}

LRESULT MessageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (handler_ && handler_(message, wParam, lParam, result)) return result;
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace toolkit
