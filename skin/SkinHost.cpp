#include "skin/SkinHost.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>

#include "skin/SkinResources.h"
#include "skin/TSkin.h"
#include "toolkit/DebugOut.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/HandlerErrors.h"
#include "toolkit/Handles.h"

namespace skin {
namespace {

constexpr UINT_PTR kSubclassId = 0x534B494E;     // "SKIN"
constexpr UINT_PTR kAnimationTimer = 0x534B0001;
constexpr UINT_PTR kRepeatTimer = 0x534B0002;
constexpr UINT kFrameMs = 15;
constexpr UINT kRepeatDelayMs = 400;
constexpr UINT kRepeatMs = 50;
constexpr int kDragThreshold = 3;

bool Inside(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

SIZE ClientSize(HWND window)
{
    RECT r{};
    ::GetClientRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// Where the window is, in the coordinates SetWindowPos wants (the parent's
// client area for child windows, the screen otherwise).
RECT PlacementRect(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    if (::GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Resizes the window to width x height (outer size), keeping its centre.
void ResizeKeepingCentre(HWND window, int width, int height)
{
    RECT r = PlacementRect(window);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER;
    if (r.right - r.left == width && r.bottom - r.top == height) flags |= SWP_NOMOVE | SWP_NOSIZE;
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    ::SetWindowPos(window, nullptr, cx - width / 2, cy - height / 2, width, height, flags);
}

SkinNode* HitNode(SkinNode& node, POINT p, const RECT& clip)
{
    if (node.Opacity() <= 0) return nullptr;
    const RECT r = node.AbsRect();
    const RECT childClip = node.Def().clip ? Intersect(clip, r) : clip;
    const auto& children = node.Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (SkinNode* hit = HitNode(**it, p, childClip)) return hit;
    if (node.Def().hit && Inside(Intersect(r, clip), p)) return &node;
    return nullptr;
}

SkinScrollBarNode* AsScrollBar(SkinNode* node)
{
    return node && node->Kind() == ElementKind::ScrollBar ? static_cast<SkinScrollBarNode*>(node) : nullptr;
}

}  // namespace

UINT SkinHost::PaintBackgroundMessage()
{
    static const UINT message = ::RegisterWindowMessageA("KalvoraSkinPaintBackground");
    return message;
}

SkinHost::SkinHost(TSkin& owner, HWND window, std::shared_ptr<const SkinResources> resources, const ElementDef& def)
    : owner_(owner), window_(window), resources_(std::move(resources)), def_(def)
{
    scene_ = std::make_unique<SkinScene>(resources_, def_, nullptr);
    scene_->SetHost(this);
}

SkinHost::~SkinHost()
{
    Detach();
    scene_->SetHost(nullptr);
}

std::shared_ptr<SkinHost> SkinHost::Attach(TSkin& owner, HWND window, std::shared_ptr<const SkinResources> resources,
                                           const ElementDef& windowDef, std::function<void(HWND)> onWindowDestroyed)
{
    if (!window || !::IsWindow(window)) throw SkinError("there is no window to skin");
    if (::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        throw SkinError("a window of another thread cannot be skinned");
    std::shared_ptr<SkinHost> host(new SkinHost(owner, window, std::move(resources), windowDef));
    host->onWindowDestroyed_ = std::move(onWindowDestroyed);
    host->ApplyFrame();
    if (!::SetWindowSubclass(window, &SkinHost::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(host.get()))) {
        host->RestoreFrame();
        throw SkinError("the window cannot be skinned");
    }
    host->attached_ = true;
    const SIZE size = ClientSize(window);
    host->scene_->SetSize(size.cx, size.cy);
    host->UpdateRegion();
    ::InvalidateRect(window, nullptr, FALSE);
    return host;
}

void SkinHost::Detach()
{
    if (!attached_) return;
    attached_ = false;
    mode_ = Mode::None;
    pressed_ = nullptr;
    interaction_ = SkinInteraction{};
    ::KillTimer(window_, kAnimationTimer);
    ::KillTimer(window_, kRepeatTimer);
    animationTimer_ = false;
    ::RemoveWindowSubclass(window_, &SkinHost::SubclassProc, kSubclassId);
    if (::GetCapture() == window_) ::ReleaseCapture();
    if (::IsWindow(window_)) RestoreFrame();
    canvas_.Resize(0, 0);
}

void SkinHost::ApplyFrame()
{
    savedStyle_ = ::GetWindowLongPtrA(window_, GWL_STYLE);
    savedExStyle_ = ::GetWindowLongPtrA(window_, GWL_EXSTYLE);
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    savedSize_ = SIZE{outer.right - outer.left, outer.bottom - outer.top};
    const SIZE client = ClientSize(window_);

    // Children (the chart, edits, lists) are never painted over.
    LONG_PTR style = savedStyle_ | WS_CLIPCHILDREN;
    LONG_PTR exStyle = savedExStyle_;
    if (def_.frameNone) {
        style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME);
        exStyle &= ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
    }
    ::SetWindowLongPtrA(window_, GWL_STYLE, style);
    ::SetWindowLongPtrA(window_, GWL_EXSTYLE, exStyle);

    RECT want{0, 0, def_.width > 0 ? def_.width : client.cx, def_.height > 0 ? def_.height : client.cy};
    const bool menu = !(style & WS_CHILD) && ::GetMenu(window_) != nullptr;
    ::AdjustWindowRectEx(&want, static_cast<DWORD>(style), menu, static_cast<DWORD>(exStyle));
    ResizeKeepingCentre(window_, want.right - want.left, want.bottom - want.top);
}

void SkinHost::RestoreFrame()
{
    if (def_.frameNone) ::SetWindowRgn(window_, nullptr, TRUE);
    // The frame and the flags come back; whether the window is shown is the
    // state of now (a window skinned before its first show is shown by now).
    const LONG_PTR visible = ::GetWindowLongPtrA(window_, GWL_STYLE) & WS_VISIBLE;
    ::SetWindowLongPtrA(window_, GWL_STYLE, (savedStyle_ & ~static_cast<LONG_PTR>(WS_VISIBLE)) | visible);
    ::SetWindowLongPtrA(window_, GWL_EXSTYLE, savedExStyle_);
    ResizeKeepingCentre(window_, savedSize_.cx, savedSize_.cy);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void SkinHost::UpdateRegion()
{
    if (!def_.frameNone) return;
    const int w = scene_->Width();
    const int h = scene_->Height();
    const ShapeDef& shape = def_.shape;
    toolkit::UniqueRegion region;
    if (shape.kind == ShapeDef::Kind::Round && shape.radius > 0) {
        region.Reset(::CreateRoundRectRgn(0, 0, w + 1, h + 1, shape.radius * 2, shape.radius * 2));
    } else if (shape.kind == ShapeDef::Kind::Polygons) {
        std::vector<POINT> points;
        std::vector<INT> counts;
        for (const auto& polygon : shape.polygons) {
            for (const auto& point : polygon) points.push_back(POINT{point.first.Resolve(w), point.second.Resolve(h)});
            counts.push_back(static_cast<INT>(polygon.size()));
        }
        if (!counts.empty())
            region.Reset(::CreatePolyPolygonRgn(points.data(), counts.data(), static_cast<int>(counts.size()), WINDING));
    }
    // The system owns a region once SetWindowRgn took it.
    if (::SetWindowRgn(window_, region.Get(), TRUE)) region.Release();
}

void SkinHost::SyncSize()
{
    const SIZE size = ClientSize(window_);
    if (size.cx == scene_->Width() && size.cy == scene_->Height()) return;
    scene_->SetSize(size.cx, size.cy);
    UpdateRegion();
    ::InvalidateRect(window_, nullptr, FALSE);
}

void SkinHost::InvalidateArea(const RECT& area)
{
    if (attached_) ::InvalidateRect(window_, &area, FALSE);
}

void SkinHost::AnimationStarted()
{
    if (!attached_ || animationTimer_) return;
    animationTimer_ = ::SetTimer(window_, kAnimationTimer, kFrameMs, nullptr) != 0;
}

uint32_t SkinHost::Now() const
{
    return ::GetTickCount();
}

void SkinHost::AnimationTick()
{
    if (!scene_->Advance(Now())) {
        ::KillTimer(window_, kAnimationTimer);
        animationTimer_ = false;
    }
}

void SkinHost::RenderTo(HDC target, const RECT& area)
{
    const SIZE size = ClientSize(window_);
    if (!canvas_.Resize(size.cx, size.cy)) {
        // No memory for the buffer: at least a calm background.
        toolkit::UniqueBrush brush(::CreateSolidBrush(def_.hasColor ? RGB(def_.color.r, def_.color.g, def_.color.b) : ::GetSysColor(COLOR_BTNFACE)));
        ::FillRect(target, &area, brush.Get());
        return;
    }
    PaintScene(canvas_, *scene_, interaction_, area);
    ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, canvas_.Dc(), area.left, area.top, SRCCOPY);
}

void SkinHost::Paint()
{
    SyncSize();
    toolkit::PaintDC dc(window_);
    RenderTo(dc.Get(), dc.Area());
}

SkinNode* SkinHost::HitTest(POINT p) const
{
    return HitNode(scene_->Root(), p, RECT{0, 0, scene_->Width(), scene_->Height()});
}

bool SkinHost::FireSkinEvent(SkinNode* source, const wchar_t* name)
{
    if (!attached_) return false;
    // Run from a copy: the handler may end the window's owner, and with it
    // the TSkin that holds the handler.
    if (auto handler = owner_.OnSkinEvent) {
        try {
            handler(source, name);
        } catch (const std::exception& e) {
            // Nothing may leave a window procedure: shown like any handler's error.
            toolkit::ReportHandlerError(e.what());
        }
    }
    return attached_;
}

bool SkinHost::FireMouse(SkinNode* source, bool down, int button, POINT p)
{
    if (!FireSkinEvent(source, down ? L"OnMouseDown" : L"OnMouseUp")) return false;
    auto handler = down ? owner_.OnMouseDown : owner_.OnMouseUp;
    if (handler) {
        try {
            handler(source, button, p.x, p.y);
        } catch (const std::exception& e) {
            toolkit::ReportHandlerError(e.what());
        }
    }
    return attached_;
}

bool SkinHost::FireScroll(SkinNode* source, bool track, int position)
{
    if (!attached_) return false;
    auto handler = track ? owner_.OnScrollTrack : owner_.OnScroll;
    if (handler) {
        try {
            handler(source, position);
        } catch (const std::exception& e) {
            toolkit::ReportHandlerError(e.what());
        }
    }
    return attached_;
}

void SkinHost::EndMode()
{
    SkinNode* old = pressed_;
    mode_ = Mode::None;
    pressed_ = nullptr;
    interaction_.pressed = nullptr;
    interaction_.pressedInside = false;
    interaction_.pressedPart = ScrollPart::None;
    ::KillTimer(window_, kRepeatTimer);
    if (::GetCapture() == window_) ::ReleaseCapture();
    if (old) old->Refresh();
}

void SkinHost::MouseDown(int button, POINT p)
{
    SkinNode* node = HitTest(p);
    if (!node) return;
    if (button != 1) {
        FireMouse(node, true, button, p);
        return;
    }
    if (mode_ != Mode::None) EndMode();
    pressed_ = node;
    interaction_.pressed = node;
    interaction_.pressedInside = true;
    mode_ = Mode::Press;
    ScrollPart part = ScrollPart::None;
    if (SkinScrollBarNode* bar = AsScrollBar(node)) {
        const ScrollLayout layout = LayoutScrollBar(*bar);
        part = ScrollPartAt(layout, p);
        if (part == ScrollPart::Thumb) {
            mode_ = Mode::Thumb;
            grabOffset_ = layout.vertical ? p.y - layout.thumb.top : p.x - layout.thumb.left;
            lastReported_ = bar->GetPosition();
        } else if (part != ScrollPart::None) {
            mode_ = Mode::Repeat;
        }
    } else if (node->Def().drag) {
        mode_ = Mode::WindowDrag;
        ::GetCursorPos(&dragCursor_);
        const RECT r = PlacementRect(window_);
        dragOrigin_ = POINT{r.left, r.top};
        dragMoved_ = false;
    }
    interaction_.pressedPart = part;
    ::SetCapture(window_);
    node->Refresh();
    if (!FireMouse(node, true, 1, p)) return;
    if (mode_ == Mode::Repeat && pressed_ == node) {
        StepScroll(part);
        if (attached_ && mode_ == Mode::Repeat) ::SetTimer(window_, kRepeatTimer, kRepeatDelayMs, nullptr);
    }
}

void SkinHost::MouseUp(int button, POINT p)
{
    if (button != 1) {
        if (SkinNode* node = HitTest(p)) FireMouse(node, false, button, p);
        return;
    }
    if (mode_ == Mode::None || !pressed_) return;
    const Mode mode = mode_;
    SkinNode* node = pressed_;
    const bool inside = node->IsShown() && Inside(node->AbsRect(), p);
    const bool moved = dragMoved_;
    EndMode();
    if (!FireMouse(node, false, 1, p)) return;
    if (mode == Mode::Thumb) {
        if (!FireScroll(node, false, AsScrollBar(node)->GetPosition())) return;
    } else if ((mode == Mode::Press || (mode == Mode::WindowDrag && !moved)) && inside) {
        if (!FireSkinEvent(node, L"OnClick")) return;
    }
    UpdateHover(p);
}

void SkinHost::CaptureLost()
{
    if (mode_ == Mode::None) return;
    const Mode mode = mode_;
    SkinNode* node = pressed_;
    EndMode();
    // A drag that something else ended still ends with its OnScroll.
    if (mode == Mode::Thumb && node) FireScroll(node, false, AsScrollBar(node)->GetPosition());
}

void SkinHost::MouseMove(POINT p)
{
    switch (mode_) {
    case Mode::Press: {
        const bool inside = Inside(pressed_->AbsRect(), p);
        if (inside != interaction_.pressedInside) {
            interaction_.pressedInside = inside;
            pressed_->Refresh();
        }
        break;
    }
    case Mode::Repeat: {
        const bool inside = ScrollPartAt(LayoutScrollBar(*AsScrollBar(pressed_)), p) == interaction_.pressedPart;
        if (inside != interaction_.pressedInside) {
            interaction_.pressedInside = inside;
            pressed_->Refresh();
        }
        break;
    }
    case Mode::Thumb: {
        SkinScrollBarNode* bar = AsScrollBar(pressed_);
        const ScrollLayout layout = LayoutScrollBar(*bar);
        const int along = layout.vertical ? p.y : p.x;
        const int position = ScrollPositionAt(*bar, layout, along - grabOffset_);
        if (position != bar->GetPosition()) bar->SetPosition(position);
        if (position != lastReported_) {
            lastReported_ = position;
            FireScroll(bar, true, position);
        }
        break;
    }
    case Mode::WindowDrag: {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        const int dx = cursor.x - dragCursor_.x;
        const int dy = cursor.y - dragCursor_.y;
        if (!dragMoved_ && std::abs(dx) < kDragThreshold && std::abs(dy) < kDragThreshold) break;
        dragMoved_ = true;
        ::SetWindowPos(window_, nullptr, dragOrigin_.x + dx, dragOrigin_.y + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case Mode::None:
        UpdateHover(p);
        break;
    }
}

void SkinHost::UpdateHover(POINT p)
{
    if (!attached_) return;
    SkinNode* node = HitTest(p);
    ScrollPart part = ScrollPart::None;
    if (SkinScrollBarNode* bar = AsScrollBar(node)) part = ScrollPartAt(LayoutScrollBar(*bar), p);
    if (node != interaction_.hot || part != interaction_.hotPart) {
        if (interaction_.hot) const_cast<SkinNode*>(interaction_.hot)->Refresh();
        interaction_.hot = node;
        interaction_.hotPart = part;
        if (node) node->Refresh();
    }
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
        ::TrackMouseEvent(&track);
        // A move that arrives after the cursor left (the end of a drag
        // released outside) may start no tracking and bring no leave either
        // (Wine): ask, so that the next move tries again.
        TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
        trackingLeave_ = ::TrackMouseEvent(&query) && query.hwndTrack == window_ && (query.dwFlags & TME_LEAVE);
    }
}

void SkinHost::StepScroll(ScrollPart part)
{
    SkinScrollBarNode* bar = AsScrollBar(pressed_);
    if (!bar) return;
    const long long step = bar->GetStep();
    const long long page = bar->GetPage() > 0 ? bar->GetPage() : step;
    long long delta = 0;
    switch (part) {
    case ScrollPart::DecArrow: delta = -step; break;
    case ScrollPart::IncArrow: delta = step; break;
    case ScrollPart::PageDec: delta = -page; break;
    case ScrollPart::PageInc: delta = page; break;
    default: return;
    }
    const long long wanted = std::clamp<long long>(bar->GetPosition() + delta, bar->GetMin(), bar->HighestPosition());
    if (wanted == bar->GetPosition()) return;
    bar->SetPosition(static_cast<int>(wanted));
    FireScroll(bar, false, bar->GetPosition());
}

void SkinHost::RepeatTick()
{
    if (mode_ != Mode::Repeat || !pressed_) {
        ::KillTimer(window_, kRepeatTimer);
        return;
    }
    ::SetTimer(window_, kRepeatTimer, kRepeatMs, nullptr);
    // The thumb moves under a still mouse: a page repeat stops when it
    // reaches the mouse.
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(window_, &p);
    const ScrollPart under = ScrollPartAt(LayoutScrollBar(*AsScrollBar(pressed_)), p);
    interaction_.pressedInside = under == interaction_.pressedPart;
    if (interaction_.pressedInside) StepScroll(interaction_.pressedPart);
}

void SkinHost::MouseWheel(WPARAM wParam, LPARAM lParam)
{
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(window_, &p);
    SkinScrollBarNode* bar = AsScrollBar(HitTest(p));
    if (!bar) return;
    wheelRemainder_ += GET_WHEEL_DELTA_WPARAM(wParam);
    const int notches = wheelRemainder_ / WHEEL_DELTA;
    wheelRemainder_ %= WHEEL_DELTA;
    if (!notches) return;
    // Turning the wheel away from the user lowers the position.
    const long long wanted =
        std::clamp<long long>(bar->GetPosition() - static_cast<long long>(notches) * bar->GetStep(), bar->GetMin(), bar->HighestPosition());
    if (wanted == bar->GetPosition()) return;
    bar->SetPosition(static_cast<int>(wanted));
    FireScroll(bar, false, bar->GetPosition());
}

LRESULT CALLBACK SkinHost::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    // Keeps the host alive through handlers that take the skin off.
    std::shared_ptr<SkinHost> self = reinterpret_cast<SkinHost*>(data)->weak_from_this().lock();
    if (!self || !self->attached_) return ::DefSubclassProc(window, message, wParam, lParam);
    // Nothing may unwind through the system's frames.
    return toolkit::CatchHandlerErrors(LRESULT{0}, [&] { return self->Handle(message, wParam, lParam); });
}

LRESULT SkinHost::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PRINTCLIENT: {
        RECT all{0, 0, scene_->Width(), scene_->Height()};
        RenderTo(reinterpret_cast<HDC>(wParam), all);
        return 0;
    }
    case WM_SIZE: {
        LRESULT result = ::DefSubclassProc(window_, message, wParam, lParam);
        if (attached_) SyncSize();
        return result;
    }
    case WM_MOUSEMOVE: MouseMove(p); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: MouseDown(1, p); return 0;
    case WM_LBUTTONUP: MouseUp(1, p); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: MouseDown(2, p); return 0;
    case WM_RBUTTONUP: MouseUp(2, p); return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: MouseDown(3, p); return 0;
    case WM_MBUTTONUP: MouseUp(3, p); return 0;
    case WM_MOUSELEAVE:
        trackingLeave_ = false;
        if (mode_ == Mode::None && interaction_.hot) {
            const_cast<SkinNode*>(interaction_.hot)->Refresh();
            interaction_.hot = nullptr;
            interaction_.hotPart = ScrollPart::None;
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window_) CaptureLost();
        break;
    case WM_CANCELMODE:
        if (mode_ != Mode::None) CaptureLost();
        break;
    case WM_MOUSEWHEEL: MouseWheel(wParam, lParam); return 0;
    case WM_TIMER:
        if (wParam == kAnimationTimer) {
            AnimationTick();
            return 0;
        }
        if (wParam == kRepeatTimer) {
            RepeatTick();
            return 0;
        }
        break;
    case WM_NCDESTROY: {
        // The window goes: let go of it without restoring anything.
        HWND window = window_;
        auto onDestroyed = std::move(onWindowDestroyed_);
        attached_ = false;
        ::KillTimer(window_, kAnimationTimer);
        ::KillTimer(window_, kRepeatTimer);
        ::RemoveWindowSubclass(window_, &SkinHost::SubclassProc, kSubclassId);
        scene_->SetHost(nullptr);
        // The owner forgets the window before the window's own handler runs,
        // which may well destroy the owner.
        if (onDestroyed) onDestroyed(window);
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    default:
        if (message == PaintBackgroundMessage() && message != 0) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            const RECT* area = reinterpret_cast<const RECT*>(lParam);
            if (!dc || !area) return 0;
            const SIZE size = ClientSize(window_);
            if (!canvas_.Resize(size.cx, size.cy)) return 0;
            PaintScene(canvas_, *scene_, interaction_, *area);
            ::BitBlt(dc, 0, 0, area->right - area->left, area->bottom - area->top, canvas_.Dc(), area->left, area->top, SRCCOPY);
            return 1;
        }
        break;
    }
    return ::DefSubclassProc(window_, message, wParam, lParam);
}

}  // namespace skin
