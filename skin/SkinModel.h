#pragma once
// What a skin file says, as read by ParseSkin: fonts, images (pictures drawn
// from their description or taken from BMP files) and skin windows with their
// element trees and animations. Plain C++ (no Windows); the live elements of
// a skinned window are built from it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace skin {

// A colour with opacity (a = 255: opaque).
struct SkinRgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};
inline bool operator==(const SkinRgba& x, const SkinRgba& y)
{
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

// One coordinate inside a parent: from its start (left/top), its centre or
// its end (right/bottom), plus an offset in pixels.
struct SkinCoord {
    enum class Base : uint8_t { Start, Center, End };
    Base base = Base::Start;
    int32_t offset = 0;

    int Resolve(int extent) const
    {
        switch (base) {
        case Base::Center: return extent / 2 + offset;
        case Base::End: return extent + offset;
        case Base::Start: break;
        }
        return offset;
    }
};

// Left, top, right, bottom inside the parent; the default fills the parent.
struct SkinBox {
    SkinCoord left, top;
    SkinCoord right{SkinCoord::Base::End, 0};
    SkinCoord bottom{SkinCoord::Base::End, 0};
};

struct SkinInsets {
    int left = 0, top = 0, right = 0, bottom = 0;
};

enum class HAlign : uint8_t { Left, Center, Right };
enum class VAlign : uint8_t { Top, Middle, Bottom };

struct FontDef {
    std::string name;
    std::wstring face = L"Segoe UI";
    int points = 9;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    int line = 0;
};

enum class Gradient : uint8_t { None, Vertical, Horizontal };
enum class BitmapMode : uint8_t { Stretch, Tile, Center, Nine };

// One layer of a picture, drawn inside its box of the element's rectangle:
// fill (solid or gradient), bitmap, border, text, in that order.
struct LayerDef {
    SkinBox box;
    int radius = 0;
    int opacity = 100;
    bool hasFill = false;
    SkinRgba fill;
    Gradient gradient = Gradient::None;
    SkinRgba fillTo;
    bool hasBorder = false;
    SkinRgba border;
    int borderWidth = 1;
    std::wstring bitmapFile;  // as written, relative to the skin file's folder
    bool hasBitmapPart = false;
    std::array<int, 4> bitmapPart{};  // x, y, width, height in the bitmap
    BitmapMode bitmapMode = BitmapMode::Stretch;
    SkinInsets nine;  // fixed borders of the nine-part mode
    bool hasTransparent = false;
    SkinRgba transparent;
    bool hasText = false;
    std::wstring text;
    std::string font;
    SkinRgba textColor;
    HAlign align = HAlign::Center;
    VAlign valign = VAlign::Middle;
};

struct ImageDef {
    std::string name;
    std::vector<LayerDef> layers;
    int line = 0;
};

enum class ElementKind : uint8_t { Window, Panel, Static, Button, ScrollBar };

struct StateDef {
    std::string section;
    int32_t dx = 0, dy = 0;
    SkinRgba color;
};

struct StepDef {
    int32_t a = 0, b = 0, c = 0, ms = 0;
};

struct AnimationDef {
    std::wstring name;
    std::vector<StepDef> steps;
    int line = 0;
};

struct ShapeDef {
    enum class Kind : uint8_t { Rect, Round, Polygons };
    Kind kind = Kind::Rect;
    int radius = 0;
    std::vector<std::vector<std::pair<SkinCoord, SkinCoord>>> polygons;
};

struct ScrollBarDef {
    bool vertical = false;
    bool orientationSet = false;
    int min = 0, max = 100, page = 10, step = 1, position = 0;
    std::string track, trackFill, thumb, thumbHot, thumbDown;
    std::string arrowDec, arrowInc, arrowDecDown, arrowIncDown;
    int thumbSize = 0;  // 0: in proportion to the page
    int arrowSize = 0;  // 0: no arrows
    int trackSize = 0;  // 0: the whole thickness
};

struct ElementDef {
    ElementKind kind = ElementKind::Static;
    std::wstring name;
    int line = 0;
    SkinBox box;
    int opacity = 100;
    bool hit = true;
    bool drag = false;
    bool clip = false;
    std::string font;  // empty: the parent's
    std::wstring text;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Middle;
    bool wrap = false;
    SkinInsets padding;
    std::string image;  // static picture, panel background, window face
    int32_t imageDx = 0, imageDy = 0;
    bool hasColor = false;
    SkinRgba color;  // static: text colour; window: background
    std::array<StateDef, 3> states;  // button: normal, hover, down
    ScrollBarDef scroll;
    // Windows only.
    int width = 0, height = 0;  // 0: keep the host's client size
    ShapeDef shape;
    bool frameNone = true;
    bool isDefault = false;
    std::vector<AnimationDef> animations;
    std::vector<ElementDef> children;
};

struct SkinDocument {
    std::wstring name;
    std::wstring author;
    std::vector<FontDef> fonts;
    std::vector<ImageDef> images;
    std::vector<ElementDef> windows;

    const ImageDef* FindImage(const std::string& name) const;
    const FontDef* FindFont(const std::string& name) const;
    const ElementDef* WindowNamed(const std::wstring& name) const;
    // The one marked default, else the first.
    const ElementDef* DefaultWindow() const;
    // Every bitmap file named by a layer, once each, in order of appearance.
    std::vector<std::wstring> BitmapFiles() const;
};

}  // namespace skin
