#pragma once
// Move-only owners for every kind of handle the program holds. Each handle has
// exactly one owner; moving hands it on, destruction releases it once.
#include <windows.h>

#include <utility>

namespace toolkit {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::None(); }

    // Gives up ownership without releasing.
    Handle Release() noexcept { return std::exchange(handle_, Traits::None()); }

    void Reset(Handle handle = Traits::None()) noexcept
    {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::None()) Traits::Close(old);
    }

    // For API calls that return a handle through a pointer: releases the
    // current one first.
    Handle* Put() noexcept
    {
        Reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::None();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
// Only for windows that no C++ window object owns (see Window.h for those).
struct WindowTraits {
    using Handle = HWND;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::DestroyWindow(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueMemoryDC = UniqueHandle<MemoryDcTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueWindowHandle = UniqueHandle<WindowTraits>;

}  // namespace toolkit
