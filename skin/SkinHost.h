#pragma once
// One skinned window: lays a skin window over a host window by subclassing
// it. Draws the face double-buffered, gives the window the skin's shape,
// hit-tests the elements, tracks presses, drags scroll bar thumbs and the
// window itself, runs animations on a timer, and reports element events to
// the TSkin that applied it.
#include <functional>
#include <memory>

#include "skin/SkinCanvas.h"
#include "skin/SkinNodes.h"
#include "skin/SkinPainter.h"

namespace skin {

class TSkin;

class SkinHost : public SkinSceneHost, public std::enable_shared_from_this<SkinHost> {
public:
    // Skins window with windowDef; throws SkinError when that is impossible
    // (then the window is left as it was).
    static std::shared_ptr<SkinHost> Attach(TSkin& owner, HWND window, std::shared_ptr<const SkinResources> resources,
                                            const ElementDef& windowDef, std::function<void(HWND)> onWindowDestroyed);
    ~SkinHost() override;
    SkinHost(const SkinHost&) = delete;
    SkinHost& operator=(const SkinHost&) = delete;

    // Gives the window back its own style, size, shape and drawing.
    void Detach();
    bool Attached() const { return attached_; }
    HWND Window() const { return window_; }
    SkinNode& Root() const { return scene_->Root(); }

    // The message a child asks its skinned parent with to draw the face
    // under it: wParam the child's HDC, lParam a RECT* of the child in the
    // parent's client coordinates; the answer is 1 when drawn.
    static UINT PaintBackgroundMessage();

    // SkinSceneHost
    void InvalidateArea(const RECT& area) override;
    void AnimationStarted() override;
    uint32_t Now() const override;

private:
    enum class Mode { None, Press, Thumb, Repeat, WindowDrag };

    SkinHost(TSkin& owner, HWND window, std::shared_ptr<const SkinResources> resources, const ElementDef& def);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void ApplyFrame();
    void RestoreFrame();
    void UpdateRegion();
    void SyncSize();
    void Paint();
    void RenderTo(HDC target, const RECT& area);

    SkinNode* HitTest(POINT p) const;
    void MouseDown(int button, POINT p);
    void MouseUp(int button, POINT p);
    void MouseMove(POINT p);
    void MouseWheel(WPARAM wParam, LPARAM lParam);
    void CaptureLost();
    void RepeatTick();
    void AnimationTick();
    void UpdateHover(POINT p);
    void EndMode();
    // One arrow or page step of the pressed scroll bar.
    void StepScroll(ScrollPart part);

    // Events; each returns false when the handler took the skin off the
    // window (then nothing more may be done).
    bool FireSkinEvent(SkinNode* source, const wchar_t* name);
    bool FireMouse(SkinNode* source, bool down, int button, POINT p);
    bool FireScroll(SkinNode* source, bool track, int position);

    TSkin& owner_;
    HWND window_;
    std::shared_ptr<const SkinResources> resources_;
    const ElementDef& def_;
    std::unique_ptr<SkinScene> scene_;
    std::function<void(HWND)> onWindowDestroyed_;
    SkinCanvas canvas_;
    bool attached_ = false;

    LONG_PTR savedStyle_ = 0;
    LONG_PTR savedExStyle_ = 0;
    SIZE savedSize_{};

    SkinInteraction interaction_;
    Mode mode_ = Mode::None;
    SkinNode* pressed_ = nullptr;
    bool trackingLeave_ = false;
    int grabOffset_ = 0;       // thumb drag: mouse minus thumb start
    int lastReported_ = 0;     // thumb drag: last position sent by OnScrollTrack
    POINT dragCursor_{};       // window drag: screen cursor at the press
    POINT dragOrigin_{};       // window drag: window position at the press
    bool dragMoved_ = false;
    int wheelRemainder_ = 0;
    bool animationTimer_ = false;
};

}  // namespace skin
