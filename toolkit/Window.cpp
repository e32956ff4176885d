#include "toolkit/Window.h"

#include "toolkit/Error.h"
#include "toolkit/HandlerErrors.h"

namespace toolkit {
namespace {

HINSTANCE ModuleInstance() { return ::GetModuleHandleA(nullptr); }

bool SameClass(const WNDCLASSEXA& existing, const Window::CreateArgs& args, HCURSOR cursor)
{
    return existing.style == args.classStyle && existing.hIcon == args.icon && existing.hCursor == cursor &&
           existing.hbrBackground == args.background;
}

// The name of a class registered with exactly what args ask for: the name
// they give, or, when a class of that name differs, a numbered variant.
std::string RegisterClassFor(const Window::CreateArgs& args, WNDPROC procedure)
{
    const HCURSOR cursor = args.cursor ? args.cursor : ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    for (int variant = 0; variant < 100; ++variant) {
        const std::string name = variant == 0 ? args.className : args.className + "#" + std::to_string(variant);
        WNDCLASSEXA existing{};
        existing.cbSize = sizeof(existing);
        if (::GetClassInfoExA(ModuleInstance(), name.c_str(), &existing)) {
            if (SameClass(existing, args, cursor)) return name;
            continue;
        }
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = args.classStyle;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = ModuleInstance();
        windowClass.hIcon = args.icon;
        windowClass.hCursor = cursor;
        windowClass.hbrBackground = args.background;
        windowClass.lpszClassName = name.c_str();
        if (::RegisterClassExA(&windowClass) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return name;
        break;
    }
    throw Error("Cannot register the window class " + args.className);
}

}  // namespace

Window::CreateArgs Window::HiddenArgs(const std::string& className, const std::string& caption)
{
    CreateArgs args;
    args.className = className;
    args.caption = caption;
    args.style = WS_POPUP;
    args.exStyle = WS_EX_TOOLWINDOW;  // no taskbar button
    args.x = args.y = 0;
    return args;
}

Window::~Window()
{
    // The derived part is already gone: detach first so that the messages of
    // the destruction reach DefWindowProcA and not a half-destroyed object.
    if (handle_) {
        ::SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        ::DestroyWindow(handle_);
        handle_ = nullptr;
    }
}

void Window::Create(const CreateArgs& args)
{
    if (handle_) throw Error("Window already created");
    const std::string className = RegisterClassFor(args, &Window::WindowProc);
    HWND created = ::CreateWindowExA(args.exStyle, className.c_str(), args.caption.c_str(), args.style,
                                     args.x, args.y, args.width, args.height, args.parent, args.menuOrId,
                                     ModuleInstance(), this);
    if (!created) throw Error("Cannot create the window " + args.className);
    // WM_NCCREATE has set handle_ already; this covers classes whose
    // procedure is not ours.
    handle_ = created;
}

void Window::Destroy()
{
    if (handle_) ::DestroyWindow(handle_);  // WM_NCDESTROY clears handle_
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultHandler(message, wParam, lParam);
}

LRESULT Window::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* self;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_ = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);

    const LifeWatch alive = self->Watch();
    const LRESULT result =
        CatchHandlerErrors(LRESULT{0}, [&] { return self->HandleMessage(message, wParam, lParam); });
    if (message == WM_NCDESTROY && alive.Alive()) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
    }
    return result;
}

}  // namespace toolkit
