#pragma once
// Base of every window the program creates.
//
// Dispatch rules: all windows share one window procedure. The C++ object
// arrives through lpCreateParams at WM_NCCREATE and is attached to the HWND;
// every later message goes to the object's HandleMessage. An override handles
// what it knows and passes everything else to DefaultHandler (DefWindowProcA
// unless a subclass says otherwise); its return value is the message result.
// At WM_NCDESTROY the object lets go of the handle, so a window destroyed by
// the system leaves a harmless object behind.
//
// Errors: an exception that leaves HandleMessage is caught here, shown in the
// error box (HandlerErrors.h) and the message answered with 0.
//
// Ownership: the object owns its window; destroying the object destroys the
// window. Copying is forbidden. An object must not be deleted from inside one
// of its own message handlers; post a message and delete it later. A handler
// that runs a nested message loop checks Watch() afterwards (Liveness.h).
//
// Classes: each window class is registered with the style, icon, cursor and
// background of the first window that asks for it; a window that asks for the
// same class name with other values gets a class of its own.
#include "toolkit/Liveness.h"

#include <windows.h>

#include <string>

namespace toolkit {

class Window {
public:
    // Creation arguments with sensible defaults; set only what differs.
    struct CreateArgs {
        std::string className = "KalvoraWindow";
        std::string caption;
        DWORD style = WS_POPUP;
        DWORD exStyle = 0;
        int x = CW_USEDEFAULT;
        int y = CW_USEDEFAULT;
        int width = 0;
        int height = 0;
        HWND parent = nullptr;
        HMENU menuOrId = nullptr;
        UINT classStyle = 0;
        HICON icon = nullptr;
        HCURSOR cursor = nullptr;       // nullptr: the arrow
        HBRUSH background = nullptr;    // nullptr: no erase by the class
    };

    // A window that is never shown, found by its class and caption.
    static CreateArgs HiddenArgs(const std::string& className, const std::string& caption = {});

    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Registers the class on first use and creates the window. Throws
    // toolkit::Error when the system refuses.
    void Create(const CreateArgs& args);
    void Destroy();

    HWND Handle() const { return handle_; }
    bool Exists() const { return handle_ != nullptr; }
    // Alive while this object exists; see Liveness.h.
    LifeWatch Watch() const { return liveness_.Watch(); }

protected:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
    Liveness liveness_;
};

}  // namespace toolkit
