#pragma once
// The drawing surface of a skinned window: a 32-bit DIB section with its
// memory DC. Shapes and bitmaps are drawn in software (antialiased rounded
// corners, gradients, opacity); text goes through GDI on the same DC.
#include <cstdint>
#include <string>
#include <vector>

#include "skin/SkinBitmap.h"
#include "skin/SkinModel.h"
#include "toolkit/Handles.h"

namespace skin {

class SkinCanvas {
public:
    SkinCanvas() = default;
    ~SkinCanvas();
    SkinCanvas(const SkinCanvas&) = delete;
    SkinCanvas& operator=(const SkinCanvas&) = delete;

    // Makes the surface width x height (contents undefined); false when the
    // system refuses. A size of 0 frees it.
    bool Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    HDC Dc() const { return dc_.Get(); }
    bool Ready() const { return bits_ != nullptr; }

    // Every drawing call stays inside the clip (also clipped to the surface).
    void SetClip(const RECT& clip);
    const RECT& Clip() const { return clip_; }

    void FillRounded(const RECT& rect, int radius, const SkinRgba& color, Gradient gradient, const SkinRgba& to, int opacity);
    void StrokeRounded(const RECT& rect, int radius, int width, const SkinRgba& color, int opacity);
    // src: the part of the bitmap to use.
    void DrawPixels(const SkinPixels& pixels, const RECT& src, const RECT& dst, BitmapMode mode, const SkinInsets& nine,
                    const SkinRgba* transparent, int opacity);
    void DrawLabel(const std::wstring& text, const RECT& rect, HFONT font, COLORREF color, HAlign align, VAlign valign, bool wrap);

    // Group opacity: Save the area, draw, then BlendBack mixes the saved
    // pixels with what was drawn at opacity percent.
    std::vector<uint32_t> Save(const RECT& area);
    void BlendBack(const std::vector<uint32_t>& saved, const RECT& area, int opacity);

private:
    void Free();
    RECT Clipped(const RECT& r) const;
    void Blend(uint32_t& dst, uint32_t rgb, unsigned alpha) const;
    void StretchPart(const SkinPixels& p, RECT src, RECT dst, const SkinRgba* transparent, unsigned alpha);

    toolkit::UniqueMemoryDC dc_;
    toolkit::UniqueBitmap bitmap_;
    HGDIOBJ originalBitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    RECT clip_{0, 0, 0, 0};
};

}  // namespace skin
