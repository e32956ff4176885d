#include "toolkit/ErrorBox.h"

#include "toolkit/Application.h"

#include <windows.h>

namespace toolkit {
namespace {
ErrorBoxHandler& Handler()
{
    static ErrorBoxHandler handler;
    return handler;
}
}  // namespace

void ShowErrorBox(const std::string& text) { ShowErrorBox(text, nullptr); }

void ShowErrorBox(const std::string& text, HWND owner)
{
    if (Handler()) {
        Handler()(text);
        return;
    }
    ::MessageBoxA(owner, text.c_str(), Application::Instance().Title().c_str(), MB_OK | MB_ICONERROR);
}

void SetErrorBoxHandler(ErrorBoxHandler handler) { Handler() = std::move(handler); }

}  // namespace toolkit
