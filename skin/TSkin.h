#pragma once
// The skin component: loads a skin file ("*.skn", format in
// docs/skin-format.md), lays one of its skin windows over a host window and
// reports what the user does to the elements.
//
// Errors: every operation that fails throws skin::SkinError (a toolkit::Error)
// with a message for the user; a failed operation changes nothing (a failed
// LoadSkin keeps the skin loaded before it, never half of the new one).
//
// Events are called on the host window's thread, from inside its message
// handling. A handler may call any operation of the component and may even
// destroy the host window; it must not delete the TSkin itself.
//
// Order of use: LoadSkin, then ApplySkin or ApplySkinWindow for each host
// window, GetWindowObject for its elements; at the end RemoveSkin for each
// window, then UnloadSkin. A skinned window keeps its skin working after
// UnloadSkin until RemoveSkin; destroying the TSkin removes its skin from
// every window it still covers.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "skin/SkinInterfaces.h"

namespace skin {

class SkinDocumentObjects;
class SkinHost;
class SkinResources;

class TSkin {
public:
    TSkin();
    ~TSkin();
    TSkin(const TSkin&) = delete;
    TSkin& operator=(const TSkin&) = delete;

    // Drops the loaded skin (no error when none is loaded).
    void UnloadSkin();
    // Loads a skin file; replaces the loaded skin only when the new one is
    // valid. Throws for an empty path, a missing or unreadable file, a file
    // that is no valid skin, images that cannot be used, and a skin that
    // does not fit into the memory left.
    void LoadSkin(const std::wstring& path);
    // The same for skin text held in memory (UTF-8). fileName names the text
    // in error messages, and image files are looked for in its folder.
    void LoadSkinFromText(const std::string& text, const std::wstring& fileName);
    bool IsLoaded() const;

    // The skin's top element: its children are the skin windows by name.
    // Throws when no skin is loaded.
    ISkinObject* GetRootObject() const;

    // Skins the window with the skin's default window (the one marked
    // "default = yes", else the first in the file).
    void ApplySkin(HWND window);
    // Skins the window with the skin window of that name (exact case).
    // A window that is already skinned is re-skinned.
    void ApplySkinWindow(HWND window, const std::wstring& windowName);
    // Gives the window back its own look; throws when this component does not
    // skin it.
    void RemoveSkin(HWND window);
    // The root element (an ISkinWindow) of the skinned window; throws when
    // this component does not skin it.
    ISkinObject* GetWindowObject(HWND window) const;

    // Every element event by name: "OnMouseDown", "OnMouseUp", "OnClick"
    // (left button released over the element it went down on).
    std::function<void(ISkinObject* source, const std::wstring& eventName)> OnSkinEvent;
    // button: 1 left, 2 right, 3 middle; x, y in the host's client area.
    std::function<void(ISkinObject* source, int button, int x, int y)> OnMouseDown;
    std::function<void(ISkinObject* source, int button, int x, int y)> OnMouseUp;
    // A scroll bar's thumb is dragged: once for each new position.
    std::function<void(ISkinObject* source, int newPos)> OnScrollTrack;
    // The user set a scroll bar's position (arrow, page area, wheel), or a
    // drag ended: once at its end.
    std::function<void(ISkinObject* source, int newPos)> OnScroll;

private:
    friend class SkinHost;
    struct State;
    void Replace(std::shared_ptr<const SkinResources> resources, const std::wstring& fileName);
    std::unique_ptr<State> state_;
};

}  // namespace skin
