#include "skin/SkinPainter.h"

#include <algorithm>

#include "skin/SkinResources.h"

namespace skin {
namespace {

bool Empty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

RECT Offset(RECT r, int dx, int dy)
{
    ::OffsetRect(&r, dx, dy);
    return r;
}

COLORREF ToColorRef(const SkinRgba& c)
{
    return RGB(c.r, c.g, c.b);
}

COLORREF ToColorRef(const SkinColor& c)
{
    return ColorValue(c);
}

void PaintImage(SkinCanvas& canvas, const SkinResources& resources, const ImageDef& image, const RECT& rect, HFONT font)
{
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    for (const LayerDef& layer : image.layers) {
        RECT box{rect.left + layer.box.left.Resolve(w), rect.top + layer.box.top.Resolve(h), rect.left + layer.box.right.Resolve(w),
                 rect.top + layer.box.bottom.Resolve(h)};
        if (Empty(box)) continue;
        if (layer.hasFill) canvas.FillRounded(box, layer.radius, layer.fill, layer.gradient, layer.fillTo, layer.opacity);
        if (!layer.bitmapFile.empty()) {
            if (const SkinPixels* pixels = resources.Bitmap(layer.bitmapFile)) {
                RECT src{0, 0, pixels->width, pixels->height};
                if (layer.hasBitmapPart)
                    src = RECT{layer.bitmapPart[0], layer.bitmapPart[1], layer.bitmapPart[0] + layer.bitmapPart[2],
                               layer.bitmapPart[1] + layer.bitmapPart[3]};
                canvas.DrawPixels(*pixels, src, box, layer.bitmapMode, layer.nine, layer.hasTransparent ? &layer.transparent : nullptr,
                                  layer.opacity);
            }
        }
        if (layer.hasBorder) canvas.StrokeRounded(box, layer.radius, layer.borderWidth, layer.border, layer.opacity);
        if (layer.hasText) {
            HFONT layerFont = layer.font.empty() ? font : resources.Font(layer.font);
            canvas.DrawLabel(layer.text, box, layerFont, ToColorRef(layer.textColor), layer.align, layer.valign, false);
        }
    }
}

void DrawSection(SkinCanvas& canvas, const SkinResources& resources, const std::wstring& name, const RECT& rect, HFONT font)
{
    if (name.empty()) return;
    if (const ImageDef* image = resources.Section(name)) PaintImage(canvas, resources, *image, rect, font);
}

RECT TextBox(const ElementDef& def, const RECT& r)
{
    return RECT{r.left + def.padding.left, r.top + def.padding.top, r.right - def.padding.right, r.bottom - def.padding.bottom};
}

void PaintScrollBar(SkinCanvas& canvas, const SkinResources& resources, const SkinScrollBarNode& bar, const SkinInteraction& in, HFONT font)
{
    const ScrollBarDef& def = bar.Def().scroll;
    const ScrollLayout l = LayoutScrollBar(bar);
    RECT band = l.track;
    if (def.trackSize > 0) {
        // A thin track centred across the bar (slider look).
        if (l.vertical) {
            const int mid = (band.left + band.right) / 2;
            band.left = mid - def.trackSize / 2;
            band.right = band.left + def.trackSize;
        } else {
            const int mid = (band.top + band.bottom) / 2;
            band.top = mid - def.trackSize / 2;
            band.bottom = band.top + def.trackSize;
        }
    }
    auto name = [](const std::string& s) { return std::wstring(s.begin(), s.end()); };
    DrawSection(canvas, resources, name(def.track), band, font);
    if (!def.trackFill.empty()) {
        RECT filled = band;
        if (l.vertical) filled.bottom = (l.thumb.top + l.thumb.bottom) / 2;
        else filled.right = (l.thumb.left + l.thumb.right) / 2;
        DrawSection(canvas, resources, name(def.trackFill), filled, font);
    }
    const bool pressed = in.pressed == &bar;
    const bool hot = in.hot == &bar && (!in.pressed || pressed);
    auto arrow = [&](const std::string& normal, const std::string& down, const RECT& r, ScrollPart part) {
        if (Empty(r)) return;
        const bool isDown = pressed && in.pressedPart == part && in.pressedInside && !down.empty();
        DrawSection(canvas, resources, name(isDown ? down : normal), r, font);
    };
    arrow(def.arrowDec, def.arrowDecDown, l.decArrow, ScrollPart::DecArrow);
    arrow(def.arrowInc, def.arrowIncDown, l.incArrow, ScrollPart::IncArrow);
    std::string thumb = def.thumb;
    if (pressed && in.pressedPart == ScrollPart::Thumb && !def.thumbDown.empty()) thumb = def.thumbDown;
    else if (hot && !pressed && in.hotPart == ScrollPart::Thumb && !def.thumbHot.empty()) thumb = def.thumbHot;
    DrawSection(canvas, resources, name(thumb), l.thumb, font);
}

void PaintOwn(SkinCanvas& canvas, const SkinNode& node, const SkinInteraction& in)
{
    const SkinResources& resources = node.Scene().Resources();
    const ElementDef& def = node.Def();
    const RECT r = node.AbsRect();
    HFONT font = resources.Font(node.FontName());
    switch (node.Kind()) {
    case ElementKind::Window:
        if (def.hasColor) canvas.FillRounded(r, 0, def.color, Gradient::None, def.color, 100);
        DrawSection(canvas, resources, std::wstring(def.image.begin(), def.image.end()), Offset(r, def.imageDx, def.imageDy), font);
        break;
    case ElementKind::Panel:
        DrawSection(canvas, resources, std::wstring(def.image.begin(), def.image.end()), Offset(r, def.imageDx, def.imageDy), font);
        break;
    case ElementKind::Static: {
        const auto& s = dynamic_cast<const SkinStaticNode&>(node);
        const SkinImageSection section = s.GetImageSection();
        const RECT at = Offset(r, section.OffsetX, section.OffsetY);
        DrawSection(canvas, resources, section.Name, at, font);
        const COLORREF color = def.hasColor ? ToColorRef(def.color) : RGB(0, 0, 0);
        canvas.DrawLabel(s.GetText(), TextBox(def, at), font, color, def.align, def.valign, def.wrap);
        break;
    }
    case ElementKind::Button: {
        const auto& b = dynamic_cast<const SkinButtonNode&>(node);
        const SkinButtonState& state = b.State(ButtonStateFor(node, in) - 1);
        const RECT at = Offset(r, state.Section.OffsetX, state.Section.OffsetY);
        DrawSection(canvas, resources, state.Section.Name, at, font);
        canvas.DrawLabel(b.GetText(), TextBox(def, at), font, ToColorRef(state.Color), def.align, def.valign, def.wrap);
        break;
    }
    case ElementKind::ScrollBar:
        PaintScrollBar(canvas, resources, dynamic_cast<const SkinScrollBarNode&>(node), in, font);
        break;
    }
}

void PaintNode(SkinCanvas& canvas, const SkinNode& node, const SkinInteraction& in)
{
    const double opacity = node.Opacity();
    if (opacity <= 0) return;
    const RECT clip = canvas.Clip();
    const RECT area = Intersect(node.TreeBounds(), clip);
    if (Empty(area)) return;
    const int percent = static_cast<int>(opacity + 0.5);
    const bool group = percent < 100;
    std::vector<uint32_t> saved;
    if (group) saved = canvas.Save(area);
    PaintOwn(canvas, node, in);
    if (!node.Children().empty()) {
        canvas.SetClip(node.Def().clip ? Intersect(clip, node.AbsRect()) : clip);
        for (const auto& child : node.Children()) PaintNode(canvas, *child, in);
        canvas.SetClip(clip);
    }
    if (group) canvas.BlendBack(saved, area, percent);
}

}  // namespace

int ButtonStateFor(const SkinNode& button, const SkinInteraction& in)
{
    if (in.pressed == &button) return in.pressedInside ? 3 : 1;
    if (in.hot == &button && !in.pressed) return 2;
    return 1;
}

void PaintScene(SkinCanvas& canvas, const SkinScene& scene, const SkinInteraction& interaction, const RECT& area)
{
    if (!canvas.Ready()) return;
    canvas.SetClip(area);
    PaintNode(canvas, scene.Root(), interaction);
    canvas.SetClip(RECT{0, 0, canvas.Width(), canvas.Height()});
}

void PaintSection(SkinCanvas& canvas, const SkinResources& resources, const std::wstring& section, const RECT& rect, HFONT font)
{
    DrawSection(canvas, resources, section, rect, font);
}

}  // namespace skin
