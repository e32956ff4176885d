#pragma once
// The history chart: the last 200 memory samples as a filled area and, while
// CPU monitoring is on, the last 200 CPU samples as a line, over a scale of
// four labels and three grid lines, with up to two marker lines.
//
// A child window of its host. Every paint reads the histories of that moment
// (nothing is cached) and is composed off screen, then copied in one step;
// the background is never erased, so a repaint per sample does not flicker.
// Setters store and ask for a repaint; the paint comes from the message loop.
#include "toolkit/Handles.h"
#include "toolkit/Window.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

class TPerformanceChart : public toolkit::Window {
public:
    // MaxY holds the scale the chart computed; the host may replace it (1 or
    // more: the chart divides by it, and takes a 0 as 1).
    using TGetMaxY = std::function<void(TPerformanceChart& sender, uint32_t& maxY)>;
    // Display holds y in decimal; the host may replace it.
    using TGetYDisplay = std::function<void(TPerformanceChart& sender, uint32_t y, std::string& display)>;

    TPerformanceChart() = default;
    ~TPerformanceChart() override;

    // Creates the chart as a child of parent, 100 x 100 at (0, 0) unless
    // told otherwise. The scale font starts as a copy of the parent's font
    // (WM_GETFONT), or of the default GUI font when the parent has none.
    void CreateChild(HWND parent, int x = 0, int y = 0, int width = 100, int height = 100);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);  // repaints only when it differs
    HFONT ScaleFont() const { return scaleFont_.Get(); }
    void SetScaleFont(HFONT font);  // copies the font's attributes; refuses a font it cannot read

    uint32_t Color() const { return color_; }
    void SetColor(uint32_t color);
    uint32_t DataColor() const { return dataColor_; }
    void SetDataColor(uint32_t color);
    uint32_t CPUColor() const { return cpuColor_; }
    void SetCPUColor(uint32_t color);
    uint32_t AdjustColor() const { return adjustColor_; }
    void SetAdjustColor(uint32_t color);
    uint32_t AdjustColor2() const { return adjustColor2_; }
    void SetAdjustColor2(uint32_t color);
    uint32_t FontColor() const { return fontColor_; }
    void SetFontColor(uint32_t color);

    uint32_t AdjustValue() const { return adjustValue_; }
    void SetAdjustValue(uint32_t mb);
    uint32_t AdjustValue2() const { return adjustValue2_; }
    void SetAdjustValue2(uint32_t mb);
    bool ShowAdjust() const { return showAdjust_; }
    void SetShowAdjust(bool show);
    bool ShowAdjust2() const { return showAdjust2_; }
    void SetShowAdjust2(bool show);

    // Moves and sizes the chart in its parent's client coordinates.
    void SetBounds(int x, int y, int width, int height);
    void SetVisible(bool visible);
    bool Visible() const;
    int Width() const;
    int Height() const;

    // Asks for a repaint (the platform's invalidate).
    void Invalidate();

    TGetMaxY OnGetMaxY;
    TGetYDisplay OnGetYDisplay;
    // Left button released over the chart, wherever it was pressed.
    std::function<void(TPerformanceChart& sender)> OnClick;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC target);
    void SetAndInvalidate(uint32_t& field, uint32_t value);
    // The host's word on the scale and on a label; false when its handler
    // closed the chart, which ends the paint.
    bool AskMaxY(uint32_t& maxY);
    bool AskLabel(uint32_t y, std::string& display);

    std::string caption_;
    toolkit::UniqueFont scaleFont_;
    uint32_t color_ = 0x00FFFFFF;
    uint32_t dataColor_ = 0x0000FFFF;
    uint32_t cpuColor_ = 0x00FF0000;
    uint32_t adjustColor_ = 0x000000FF;
    uint32_t adjustColor2_ = 0x000000FF;
    uint32_t fontColor_ = 0x00000000;
    uint32_t adjustValue_ = 0;
    uint32_t adjustValue2_ = 0;
    bool showAdjust_ = false;
    bool showAdjust2_ = false;
};
