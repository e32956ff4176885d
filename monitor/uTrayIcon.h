#pragma once
// One icon in the taskbar's notification area.
//
// The icon owns a hidden window that receives its mouse notifications, the
// notify record handed to the shell, and a 16 x 16 picture drawn anew on
// every refresh onto the colour bitmap of the "ICON1616" template (whose mask
// is opaque everywhere, so every drawn pixel shows). Subclasses fill in the
// three drawing styles; a fixed icon set with SetCustomIcon is shown instead
// of any drawing.
//
// Lifetime: the icon is in the notification area while the object lives.
// Subclasses that draw must not show the icon before they are complete, so
// they construct the base with DeferShow and call Show() as the last step of
// their own constructor (and are final). Main thread only.
#include "toolkit/Handles.h"
#include "toolkit/MessageWindow.h"

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Colours of the form 0x00BBGGRR.
constexpr COLORREF TrayWhite = 0x00FFFFFF;
constexpr COLORREF TrayGreen = 0x00008000;
constexpr COLORREF TrayRed = 0x000000FF;
constexpr COLORREF TrayBlack = 0x00000000;

// The surface every tray picture is drawn on.
constexpr int TrayIconSize = 16;
// The longest tooltip the shell's first notify record holds.
constexpr size_t TrayTipLength = 63;

class TTrayIcon {
public:
    using Event = std::function<void(TTrayIcon& sender)>;

    // Styles of the drawing; any other value draws nothing.
    static constexpr int StyleChart = 1;
    static constexpr int StyleNumber = 2;
    static constexpr int StyleBar = 3;

    // The base icon alone: shows the template picture with an empty tooltip.
    TTrayIcon();
    virtual ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // Draws anew and hands the picture and tooltip to the shell, adding the
    // icon again when readd is true (after the taskbar was re-created).
    void Refresh(bool readd);

    void SetStyle(int style);  // refreshes only when the style changes
    void SetBackColor(COLORREF colour);  // the colour setters always refresh
    void SetNormalColor(COLORREF colour);
    void SetAlertColor(COLORREF colour);
    void SetHint(const std::string& hint);       // refreshes when it changes
    void SetHintQuiet(const std::string& hint);  // only stores: for drawings
    // Takes ownership and releases the previous custom icon; does not refresh.
    void SetCustomIcon(toolkit::UniqueIcon icon);
    // Shows the hidden window and brings it to the front, so that a popup
    // menu opened next closes when the user clicks elsewhere.
    void BringToForeground();

    int Style() const { return style_; }
    COLORREF BackColor() const { return backColor_; }
    COLORREF NormalColor() const { return normalColor_; }
    COLORREF AlertColor() const { return alertColor_; }
    uint32_t AlertLevel() const { return alertLevel_; }
    const std::string& Hint() const { return hint_; }
    HWND Window() const { return window_ ? window_->Handle() : nullptr; }
    // What the shell was given last: the shown icon and the tooltip in szTip.
    const NOTIFYICONDATAA& NotifyData() const { return notifyData_; }

    Event OnLeftButtonDown;
    Event OnDoubleClick;
    Event OnRightButtonUp;

protected:
    struct DeferShow {};
    explicit TTrayIcon(DeferShow);
    // Draws the first picture and adds the icon to the notification area.
    void Show();

    // One drawing of the current style onto the 16 x 16 surface selected in dc.
    virtual void DrawChart(HDC dc);
    virtual void DrawNumber(HDC dc);
    virtual void DrawBar(HDC dc);

    // Drawing primitives. x runs right and y down from (0,0); lines leave out
    // their end point, rectangles their right and bottom edges.
    //
    // Background, then a black edge along the left and the top.
    void DrawFrame(HDC dc, COLORREF background) const;
    // Frame, then for x = 1..15 a line from (x,15) up to (x,16 - heights[x]):
    // a height h of 2..15 colours h - 1 pixels, 1 colours none, 0 colours the
    // bottom pixel. Heights above 15 count as 15, so the top edge stays. The
    // alert colour from AlertLevel up; heights[0] is not drawn.
    void DrawColumns(HDC dc, const std::array<uint32_t, 16>& heights) const;
    // Frame, then text in the largest Arial from 15 pixels down that fits in
    // 15 x 15, centred one pixel right and down of the exact centre.
    // (DrawText is also a Win32 macro; the name is renamed consistently.)
    void DrawText(HDC dc, const std::string& text, COLORREF background, COLORREF textColour) const;
    // Frame, then a bar over columns 1..15 filling the lowest
    // percent * 16 / 100 rows, at most 15 so the top edge stays.
    void DrawLevelBar(HDC dc, uint64_t percent) const;

private:
    void Draw(HDC dc);  // dispatches on the style
    void Redraw();
    void UpdateShell(bool readd);
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    toolkit::UniqueIcon templateIcon_;
    toolkit::UniqueIcon customIcon_;
    toolkit::UniqueBitmap templateMask_;
    toolkit::UniqueBitmap templateColour_;  // the drawing surface
    toolkit::UniqueIcon builtIcon_;         // built from the last drawing, while shown
    NOTIFYICONDATAA notifyData_{};
    std::unique_ptr<toolkit::MessageWindow> window_;
    std::string hint_;
    COLORREF backColor_ = TrayWhite;
    COLORREF normalColor_ = TrayGreen;
    COLORREF alertColor_ = TrayRed;
    int style_ = StyleChart;
    uint32_t alertLevel_ = 12;
    bool shown_ = false;  // refreshes wait until the complete object is shown
};

// Replaces every occurrence of placeholder in text.
std::string ReplacePlaceholder(std::string text, const std::string& placeholder, const std::string& value);
