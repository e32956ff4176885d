#pragma once
// One icon in the taskbar's notification area.
//
// The icon owns a hidden window that receives its mouse notifications, the
// notify record handed to the shell, and a 16 x 16 picture drawn on every
// refresh over a copy of the "ICON1616" template's colours and shown with
// its mask (opaque everywhere, so every drawn pixel shows); a drawing that
// would repeat the picture the surface holds is left out. Subclasses fill in the
// three drawing styles; a fixed icon set with SetCustomIcon is shown instead
// of any drawing.
//
// The shell is handed only what changes what it shows: a refresh whose
// picture and tooltip equal the last ones sends nothing, and one that changes
// only the tooltip sends only the tooltip (the engine refreshes after every
// sample, and most samples change neither). Adding again after the taskbar
// was re-created, and the setters that refresh, always hand over the whole
// icon, newly built. To tell equal pictures, subclasses draw only through
// the primitives below.
//
// A re-created taskbar (Explorer restarted) broadcasts "TaskbarCreated":
// each icon then adds itself again. A shell that refuses an add or a modify
// (not ready yet, or it lost the icon) is asked to add it again at the next
// refresh.
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

    // Draws anew and hands the shell what changed of the picture and the
    // tooltip; readd (after the taskbar was re-created) always adds the
    // whole icon again.
    void Refresh(bool readd);

    void SetStyle(int style);  // refreshes only when the style changes
    void SetBackColor(COLORREF colour);  // the colour setters always refresh
    void SetNormalColor(COLORREF colour);
    void SetAlertColor(COLORREF colour);
    void SetHint(const std::string& hint);       // refreshes when it changes
    void SetHintQuiet(const std::string& hint);  // only stores: for drawings
    // Takes ownership and releases the previous custom icon; does not
    // refresh, but the next refresh hands the new icon to the shell.
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
    // How often the shell was handed this icon or its tooltip.
    int ShellUpdates() const { return shellUpdates_; }

    // Where the icons meet the shell: Shell_NotifyIconA, or a stand-in for
    // tests (a shell that is not ready yet). nullptr gives the shell back.
    using TShellNotify = BOOL (*)(DWORD message, NOTIFYICONDATAA* data);
    static void SetShellNotify(TShellNotify notify);

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
    // Each draws only when its picture differs from the one the surface
    // shows already.
    //
    // Background, then a black edge along the left and the top.
    void DrawFrame(HDC dc, COLORREF background);
    // Frame, then for x = 1..15 a line from (x,15) up to (x,16 - heights[x]):
    // a height h of 2..15 colours h - 1 pixels, 1 colours none, 0 colours the
    // bottom pixel. Heights above 15 count as 15, so the top edge stays. The
    // alert colour from AlertLevel up; heights[0] is not drawn.
    void DrawColumns(HDC dc, const std::array<uint32_t, 16>& heights);
    // Frame, then text in the largest Arial from 15 pixels down that fits in
    // 15 x 15, centred one pixel right and down of the exact centre.
    // (DrawText is also a Win32 macro; the name is renamed consistently.)
    void DrawText(HDC dc, const std::string& text, COLORREF background, COLORREF textColour);
    // Frame, then a bar over columns 1..15 filling the lowest
    // percent * 16 / 100 rows, at most 15 so the top edge stays.
    void DrawLevelBar(HDC dc, uint64_t percent);

private:
    // What a primitive puts on the surface, pixel for pixel: equal records
    // mean equal pictures.
    struct TSurfacePicture {
        enum class TKind { Unknown, Frame, Columns, Text, LevelBar };
        TKind Kind = TKind::Unknown;  // unknown: the template, or a drawing of its own
        COLORREF Background = 0;
        std::array<COLORREF, 16> Colours{};  // per column; [0] the text or bar colour
        std::array<uint32_t, 16> Heights{};  // per column; [0] the bar's rows
        std::string Text;
        bool operator==(const TSurfacePicture&) const = default;
    };
    enum class TShellUpdate { Add, Modify, ModifyIfChanged };

    void Draw(HDC dc);  // dispatches on the style
    void Redraw();
    void Repaint(TShellUpdate update);  // redraw, then tell the shell
    void UpdateShell(TShellUpdate update);
    // True when the surface must be drawn for this picture, which it then
    // shows; false when it shows that picture already.
    bool StartPicture(const TSurfacePicture& picture);
    HFONT FontOfHeight(int height);
    void CreateSurface();
    toolkit::UniqueIcon BuildIcon() const;
    void PaintFrame(HDC dc, COLORREF background) const;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    toolkit::UniqueIcon templateIcon_;
    toolkit::UniqueIcon customIcon_;
    // The template's mask and colours: copied at creation into the mask of
    // every built icon and into the drawing surface.
    toolkit::UniqueBitmap templateMask_;
    toolkit::UniqueBitmap templateColour_;
    toolkit::UniqueIcon builtIcon_;  // built from the last drawing, while shown
    // The drawing surface: a 16 x 16 bitmap of 24-bit pixels whose bits the
    // icon reads directly, kept selected into its own drawing context for
    // the icon's life (selecting a bitmap again at every drawing costs more
    // than the drawing).
    toolkit::UniqueMemoryDC drawingContext_;
    toolkit::UniqueBitmap surfaceBitmap_;
    const uint8_t* surfaceBits_ = nullptr;
    HGDIOBJ unselected_ = nullptr;       // what the surface replaced in the context
    std::array<uint8_t, 64> maskBits_{};  // 16 rows of 32 bits, bottom row first
    NOTIFYICONDATAA notifyData_{};
    std::unique_ptr<toolkit::MessageWindow> window_;
    std::string hint_;
    COLORREF backColor_ = TrayWhite;
    COLORREF normalColor_ = TrayGreen;
    COLORREF alertColor_ = TrayRed;
    int style_ = StyleChart;
    uint32_t alertLevel_ = 12;
    bool shown_ = false;  // refreshes wait until the complete object is shown
    // Fonts by cell height, made when first tried: fitting a text tries
    // several heights, and the engine writes a number every second.
    std::array<toolkit::UniqueFont, 16> fonts_;
    TSurfacePicture surfacePicture_;  // what the surface shows
    bool primitiveDrew_ = false;      // a primitive ran in the current drawing
    bool shellHasPicture_ = false;    // the shell shows the surface (or custom icon) as it is
    bool shellLostIcon_ = false;      // the last add or modify was refused: add at the next refresh
    int shellUpdates_ = 0;
};

// Replaces every occurrence of placeholder in text.
std::string ReplacePlaceholder(std::string text, const std::string& placeholder, const std::string& value);
