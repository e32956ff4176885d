#include "skin/SkinParser.h"

#include <algorithm>
#include <set>

#include "skin/SkinError.h"
#include "skin/SkinLimits.h"
#include "skin/SkinSyntax.h"
#include "skin/SkinText.h"

namespace skin {
namespace {

const char* KindWord(ElementKind kind)
{
    switch (kind) {
    case ElementKind::Window: return "window";
    case ElementKind::Panel: return "panel";
    case ElementKind::Static: return "static";
    case ElementKind::Button: return "button";
    case ElementKind::ScrollBar: return "scrollbar";
    }
    return "?";
}

bool IsNameWord(const std::string& word)
{
    if (word.empty()) return false;
    for (char c : word) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

// Reads the values of one property, with messages that name it.
class Values {
public:
    Values(const SyntaxProperty& property, const std::string& file) : p_(property), file_(file) {}

    int Line() const { return p_.line; }
    std::size_t Count() const { return p_.values.size(); }
    const std::string& Key() const { return p_.key; }
    const std::string& Raw(std::size_t i) const { return p_.values[i].text; }
    bool IsQuoted(std::size_t i) const { return p_.values[i].quoted; }

    [[noreturn]] void Fail(const std::string& message) const { throw FileError(file_, p_.line, message); }

    void Expect(std::size_t count, const char* what) const
    {
        if (Count() != count)
            Fail("\"" + Key() + "\" needs " + std::to_string(count) + (count == 1 ? " value" : " values") + ": " + what +
                 "; found " + std::to_string(Count()) + SplitCoordinateHint());
    }

    // Blanks inside a coordinate ("right - 8") make more values than meant.
    std::string SplitCoordinateHint() const
    {
        for (std::size_t i = 0; i + 1 < Count(); ++i) {
            const std::string& next = Raw(i + 1);
            if (IsQuoted(i) || IsQuoted(i + 1) || next.empty() || (next[0] != '-' && next[0] != '+')) continue;
            const std::string& word = Raw(i);
            if (word != "right" && word != "bottom" && word != "center") continue;
            std::string split = word + " " + next;
            std::string joined = word + next;
            if (next.size() == 1 && i + 2 < Count() && !IsQuoted(i + 2)) {
                split += " " + Raw(i + 2);
                joined += Raw(i + 2);
            }
            return " (the blanks in \"" + split + "\" make it several values; write " + joined + ")";
        }
        return {};
    }
    void ExpectBetween(std::size_t low, std::size_t high, const char* what) const
    {
        if (Count() < low || Count() > high) Fail("\"" + Key() + "\" takes " + what);
    }

    int Int(std::size_t i, int low, int high) const
    {
        const std::string& s = Raw(i);
        long long value = 0;
        if (!ParseInteger(s, value) || IsQuoted(i)) Fail("\"" + Key() + "\": \"" + s + "\" is not a whole number");
        if (value < low || value > high)
            Fail("\"" + Key() + "\": " + s + " is outside " + std::to_string(low) + " to " + std::to_string(high));
        return static_cast<int>(value);
    }

    bool Bool(std::size_t i) const
    {
        const std::string& s = Raw(i);
        if (s == "yes" || s == "true" || s == "on") return true;
        if (s == "no" || s == "false" || s == "off") return false;
        Fail("\"" + Key() + "\": \"" + s + "\" is not yes or no");
    }

    SkinRgba Color(std::size_t i, bool allowAlpha) const
    {
        const std::string& s = Raw(i);
        SkinRgba c;
        std::size_t n = s.size();
        bool shapeOk = !IsQuoted(i) && n >= 1 && s[0] == '#' && (n == 4 || n == 7 || (allowAlpha && n == 9));
        for (std::size_t k = 1; shapeOk && k < n; ++k)
            if (HexDigit(s[k]) < 0) shapeOk = false;
        if (!shapeOk)
            Fail("\"" + Key() + "\": \"" + s + "\" is not a colour (#rgb or #rrggbb" + (allowAlpha ? " or #rrggbbaa" : "") + ")");
        auto hex2 = [&](std::size_t at) { return uint8_t(HexDigit(s[at]) * 16 + HexDigit(s[at + 1])); };
        if (n == 4) {
            c.r = uint8_t(HexDigit(s[1]) * 17);
            c.g = uint8_t(HexDigit(s[2]) * 17);
            c.b = uint8_t(HexDigit(s[3]) * 17);
        } else {
            c.r = hex2(1), c.g = hex2(3), c.b = hex2(5);
            if (n == 9) c.a = hex2(7);
        }
        return c;
    }

    bool IsColor(std::size_t i) const { return i < Count() && !IsQuoted(i) && !Raw(i).empty() && Raw(i)[0] == '#'; }

    // left/top axis words: horizontal uses "right", vertical "bottom";
    // both know "center".
    SkinCoord Coord(std::size_t i, bool horizontal) const
    {
        const std::string& s = Raw(i);
        SkinCoord c;
        std::string rest = s;
        const char* far = horizontal ? "right" : "bottom";
        const char* wrongFar = horizontal ? "bottom" : "right";
        auto startsWith = [&](const char* word) { return rest.compare(0, std::char_traits<char>::length(word), word) == 0; };
        if (!IsQuoted(i) && startsWith(far)) {
            c.base = SkinCoord::Base::End;
            rest = rest.substr(std::char_traits<char>::length(far));
        } else if (!IsQuoted(i) && startsWith("center")) {
            c.base = SkinCoord::Base::Center;
            rest = rest.substr(6);
        } else if (!IsQuoted(i) && startsWith(wrongFar)) {
            Fail("\"" + Key() + "\": \"" + s + "\" uses " + wrongFar + " for a " + (horizontal ? "horizontal" : "vertical") +
                 " coordinate; use " + far);
        }
        long long value = 0;
        if (c.base != SkinCoord::Base::Start && rest.empty()) {
            value = 0;
        } else if (IsQuoted(i) || !ParseInteger(rest, value) ||
                   (c.base != SkinCoord::Base::Start && rest[0] != '+' && rest[0] != '-')) {
            Fail("\"" + Key() + "\": \"" + s + "\" is not a coordinate (a number, " + far + ", " + far + "-N, center+N ...)");
        }
        if (value < -limits::kMaxCoordinate || value > limits::kMaxCoordinate)
            Fail("\"" + Key() + "\": " + s + " is outside -32767 to 32767");
        c.offset = static_cast<int32_t>(value);
        return c;
    }

    SkinBox Box() const
    {
        Expect(4, "left top right bottom");
        SkinBox box;
        box.left = Coord(0, true);
        box.top = Coord(1, false);
        box.right = Coord(2, true);
        box.bottom = Coord(3, false);
        return box;
    }

    SkinInsets Insets(int low, int high) const
    {
        ExpectBetween(1, 4, "1, 2 or 4 numbers: all, or horizontal vertical, or left top right bottom");
        if (Count() == 3) Fail("\"" + Key() + "\" takes 1, 2 or 4 numbers, not 3");
        SkinInsets in;
        if (Count() == 1) {
            in.left = in.top = in.right = in.bottom = Int(0, low, high);
        } else if (Count() == 2) {
            in.left = in.right = Int(0, low, high);
            in.top = in.bottom = Int(1, low, high);
        } else {
            in.left = Int(0, low, high), in.top = Int(1, low, high), in.right = Int(2, low, high), in.bottom = Int(3, low, high);
        }
        return in;
    }

    std::string Name(std::size_t i, const char* what) const
    {
        const std::string& s = Raw(i);
        if (IsQuoted(i) || !IsNameWord(s))
            Fail("\"" + Key() + "\": \"" + s + "\" is not " + what + " name (letters, digits, _ - .)");
        return s;
    }

    std::wstring Text() const
    {
        Expect(1, "one text (in quotes when it has blanks)");
        return Utf8ToWide(Raw(0));
    }

    int Keyword(std::size_t i, std::initializer_list<const char*> words) const
    {
        int index = 0;
        std::string list;
        for (const char* w : words) {
            if (Raw(i) == w && !IsQuoted(i)) return index;
            list += (index ? ", " : "") + std::string(w);
            ++index;
        }
        Fail("\"" + Key() + "\": \"" + Raw(i) + "\" is not one of " + list);
    }

private:
    static bool ParseInteger(const std::string& s, long long& out)
    {
        std::size_t i = 0;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
        if (i >= s.size()) return false;
        long long value = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            value = value * 10 + (s[i] - '0');
            if (value > 1000000000LL) return false;
        }
        out = negative ? -value : value;
        return true;
    }

    const SyntaxProperty& p_;
    const std::string& file_;
};

// Properties of one block, each used at most once, unknown ones refused.
class PropertySet {
public:
    PropertySet(const SyntaxBlock& block, const std::string& file, const std::string& what) : block_(block), file_(file), what_(what) {}

    // Calls handle(values) for each property; handle returns false for a key it
    // does not know. Keys in `repeatable` may come more than once.
    template <typename Handler>
    void Each(Handler handle, std::initializer_list<const char*> repeatable = {})
    {
        std::set<std::string> seen;
        for (const SyntaxProperty& p : block_.properties) {
            bool repeats = std::any_of(repeatable.begin(), repeatable.end(), [&](const char* k) { return p.key == k; });
            if (!repeats && !seen.insert(p.key).second)
                throw FileError(file_, p.line, "\"" + p.key + "\" is given twice in " + what_);
            Values v(p, file_);
            if (!handle(v)) throw FileError(file_, p.line, "unknown property \"" + p.key + "\" in " + what_);
        }
    }

private:
    const SyntaxBlock& block_;
    const std::string& file_;
    std::string what_;
};

struct Reference {
    std::string name;
    int line;
    bool isFont;
};

class Interpreter {
public:
    explicit Interpreter(const std::string& file) : file_(file) {}

    SkinDocument Run(const SyntaxBlock& root)
    {
        if (!root.properties.empty())
            Fail(root.properties.front().line, "\"" + root.properties.front().key + "\" must be inside a block (skin, font, image or window)");
        bool sawSkinBlock = false;
        for (const SyntaxBlock& b : root.blocks) {
            if (b.kind == "skin") {
                if (sawSkinBlock) Fail(b.line, "a second skin block");
                sawSkinBlock = true;
                ReadSkinBlock(b);
            } else if (b.kind == "font") {
                ReadFont(b);
            } else if (b.kind == "image") {
                ReadImage(b);
            } else if (b.kind == "window") {
                ReadWindow(b);
            } else {
                Fail(b.line, "unknown block \"" + b.kind + "\" (expected skin, font, image or window)");
            }
        }
        if (doc_.windows.empty()) Fail(1, "the skin has no window block");
        CheckReferences();
        return std::move(doc_);
    }

private:
    [[noreturn]] void Fail(int line, const std::string& message) const { throw FileError(file_, line, message); }

    void NoChildren(const SyntaxBlock& b, const char* what) const
    {
        if (!b.blocks.empty()) Fail(b.blocks.front().line, std::string("a ") + what + " block holds no \"" + b.blocks.front().kind + "\" block");
    }
    void NoBase(const SyntaxBlock& b) const
    {
        if (b.hasBase) Fail(b.line, "only an image can name a base with ':'");
    }
    std::string BlockName(const SyntaxBlock& b, const char* kind) const
    {
        if (!b.hasName || b.name.empty()) Fail(b.line, std::string("a ") + kind + " block needs a name");
        return b.name;
    }

    void ReadSkinBlock(const SyntaxBlock& b)
    {
        NoBase(b);
        NoChildren(b, "skin");
        if (b.hasName) Fail(b.line, "the skin block has no name of its own; use name = \"...\"");
        PropertySet(b, file_, "the skin block").Each([&](Values& v) {
            if (v.Key() == "name") doc_.name = v.Text();
            else if (v.Key() == "author") doc_.author = v.Text();
            else if (v.Key() == "description") v.Text();
            else if (v.Key() == "version") { v.Expect(1, "the format version, 1"); v.Int(0, 1, 1); }
            else return false;
            return true;
        });
    }

    void ReadFont(const SyntaxBlock& b)
    {
        NoBase(b);
        NoChildren(b, "font");
        FontDef f;
        f.name = BlockName(b, "font");
        f.line = b.line;
        if (!IsNameWord(f.name)) Fail(b.line, "\"" + f.name + "\" is not a font name (letters, digits, _ - .)");
        if (doc_.FindFont(f.name)) Fail(b.line, "a second font \"" + f.name + "\"");
        PropertySet(b, file_, "font \"" + f.name + "\"").Each([&](Values& v) {
            if (v.Key() == "face") {
                f.face = v.Text();
                if (f.face.empty() || f.face.size() > 31) v.Fail("\"face\" needs a font name of 1 to 31 characters");
            } else if (v.Key() == "size") {
                v.Expect(1, "the size in points");
                f.points = v.Int(0, 1, limits::kMaxFontPoints);
            } else if (v.Key() == "weight") {
                v.Expect(1, "100 to 900, or light, normal, semibold, bold");
                static const char* const words[] = {"light", "normal", "semibold", "bold"};
                static const int weights[] = {300, 400, 600, 700};
                const std::string& w = v.Raw(0);
                if (w.size() && w[0] >= '0' && w[0] <= '9') {
                    f.weight = v.Int(0, 100, 900);
                } else {
                    std::size_t i = 0;
                    while (i < 4 && (v.IsQuoted(0) || w != words[i])) ++i;
                    if (i == 4)
                        v.Fail("\"weight\": \"" + w + "\" is not a weight; use light, normal, semibold, bold or a number from 100 to 900");
                    f.weight = weights[i];
                }
            } else if (v.Key() == "italic") {
                v.Expect(1, "yes or no");
                f.italic = v.Bool(0);
            } else if (v.Key() == "underline") {
                v.Expect(1, "yes or no");
                f.underline = v.Bool(0);
            } else {
                return false;
            }
            return true;
        });
        doc_.fonts.push_back(std::move(f));
    }

    bool ReadLayerProperty(Values& v, LayerDef& layer)
    {
        const std::string& k = v.Key();
        if (k == "rect") {
            layer.box = v.Box();
        } else if (k == "radius") {
            v.Expect(1, "the corner radius in pixels");
            layer.radius = v.Int(0, 0, limits::kMaxRadius);
        } else if (k == "opacity") {
            v.Expect(1, "0 to 100 (percent)");
            layer.opacity = v.Int(0, 0, 100);
        } else if (k == "fill") {
            v.ExpectBetween(1, 3, "a colour, or two colours and vertical or horizontal");
            if (v.Count() == 2) v.Fail("\"fill\" with two colours needs vertical or horizontal as third value");
            layer.hasFill = true;
            layer.fill = v.Color(0, true);
            layer.gradient = Gradient::None;
            if (v.Count() == 3) {
                layer.fillTo = v.Color(1, true);
                layer.gradient = v.Keyword(2, {"vertical", "horizontal"}) == 0 ? Gradient::Vertical : Gradient::Horizontal;
            }
        } else if (k == "border") {
            v.ExpectBetween(1, 2, "a colour and an optional width in pixels");
            layer.hasBorder = true;
            layer.border = v.Color(0, true);
            layer.borderWidth = v.Count() == 2 ? v.Int(1, 1, 64) : 1;
        } else if (k == "bitmap") {
            layer.bitmapFile = v.Text();
            CheckBitmapName(v, layer.bitmapFile);
            if (bitmapNames_.insert(layer.bitmapFile).second && bitmapNames_.size() > std::size_t(limits::kMaxImageFiles))
                v.Fail("more than 256 bitmap files");
        } else if (k == "bitmap-part") {
            v.Expect(4, "x y width height inside the bitmap");
            layer.hasBitmapPart = true;
            layer.bitmapPart = {v.Int(0, 0, limits::kMaxImageSide), v.Int(1, 0, limits::kMaxImageSide),
                                v.Int(2, 1, limits::kMaxImageSide), v.Int(3, 1, limits::kMaxImageSide)};
        } else if (k == "bitmap-mode") {
            v.ExpectBetween(1, 5, "stretch, tile, center, or nine with 1, 2 or 4 border widths");
            int mode = v.Keyword(0, {"stretch", "tile", "center", "nine"});
            layer.bitmapMode = static_cast<BitmapMode>(mode);
            if (layer.bitmapMode == BitmapMode::Nine) {
                if (v.Count() == 1 || v.Count() == 4) v.Fail("\"bitmap-mode = nine\" needs 1, 2 or 4 border widths");
                long count = static_cast<long>(v.Count()) - 1;
                int w[4];
                for (long i = 0; i < count; ++i) w[i] = v.Int(std::size_t(i + 1), 0, limits::kMaxImageSide);
                if (count == 1) layer.nine = {w[0], w[0], w[0], w[0]};
                else if (count == 2) layer.nine = {w[0], w[1], w[0], w[1]};
                else layer.nine = {w[0], w[1], w[2], w[3]};
            } else if (v.Count() != 1) {
                v.Fail("only \"bitmap-mode = nine\" takes border widths");
            }
        } else if (k == "transparent") {
            v.Expect(1, "the colour of the bitmap that is not drawn");
            layer.hasTransparent = true;
            layer.transparent = v.Color(0, false);
        } else if (k == "text") {
            layer.hasText = true;
            layer.text = v.Text();
        } else if (k == "font") {
            v.Expect(1, "a font name");
            layer.font = v.Name(0, "a font");
            refs_.push_back({layer.font, v.Line(), true});
        } else if (k == "text-color") {
            v.Expect(1, "a colour");
            layer.textColor = v.Color(0, false);
        } else if (k == "align") {
            v.Expect(1, "left, center or right");
            layer.align = static_cast<HAlign>(v.Keyword(0, {"left", "center", "right"}));
        } else if (k == "valign") {
            v.Expect(1, "top, middle or bottom");
            layer.valign = static_cast<VAlign>(v.Keyword(0, {"top", "middle", "bottom"}));
        } else {
            return false;
        }
        return true;
    }

    void CheckBitmapName(const Values& v, const std::wstring& name) const
    {
        if (name.empty()) v.Fail("\"bitmap\" needs a file name");
        // Only files beside the skin or in folders below it.
        bool absolute = name[0] == L'\\' || name[0] == L'/' || (name.size() > 1 && name[1] == L':');
        bool climbs = name == L".." || name.find(L"..\\") != std::wstring::npos || name.find(L"../") != std::wstring::npos ||
                      name.compare(0, 2, L"..") == 0;
        if (absolute || climbs) v.Fail("\"bitmap\" must name a file beside the skin file or in a folder below it");
        for (wchar_t c : name)
            if (c == L':' || c == L'*' || c == L'?' || c == L'<' || c == L'>' || c == L'|' || c == L'"')
                v.Fail("\"bitmap\": the file name holds a character that file names cannot have");
    }

    void ReadImage(const SyntaxBlock& b)
    {
        ImageDef image;
        image.name = BlockName(b, "image");
        image.line = b.line;
        if (!IsNameWord(image.name)) Fail(b.line, "\"" + image.name + "\" is not an image name (letters, digits, _ - .)");
        if (doc_.FindImage(image.name)) Fail(b.line, "a second image \"" + image.name + "\"");
        const ImageDef* base = nullptr;
        if (b.hasBase) {
            base = doc_.FindImage(b.base);
            if (!base) Fail(b.line, "image \"" + image.name + "\" is based on \"" + b.base + "\", which is not an image defined above it");
        }
        std::string what = "image \"" + image.name + "\"";
        if (!b.properties.empty() || !base) {
            LayerDef first = base && !base->layers.empty() ? base->layers.front() : LayerDef{};
            PropertySet(b, file_, what).Each([&](Values& v) { return ReadLayerProperty(v, first); });
            if (!b.properties.empty() || base) image.layers.push_back(first);
            if (base) image.layers.insert(image.layers.end(), base->layers.begin() + (base->layers.empty() ? 0 : 1), base->layers.end());
        } else {
            image.layers = base->layers;
        }
        for (const SyntaxBlock& child : b.blocks) {
            if (child.kind != "layer") Fail(child.line, "an image holds only layer blocks, not \"" + child.kind + "\"");
            if (child.hasName || child.hasBase) Fail(child.line, "a layer block has no name");
            NoChildren(child, "layer");
            LayerDef layer;
            PropertySet(child, file_, "a layer of " + what).Each([&](Values& v) { return ReadLayerProperty(v, layer); });
            image.layers.push_back(layer);
        }
        if (image.layers.size() > std::size_t(limits::kMaxLayers)) Fail(b.line, what + " has more than 64 layers");
        CountLayers(image, what);
        doc_.images.push_back(std::move(image));
    }

    // Layers copied from a base cost memory like written ones and count the same.
    void CountLayers(const ImageDef& image, const std::string& what)
    {
        layersInAll_ += image.layers.size();
        if (layersInAll_ > std::size_t(limits::kMaxLayersInAll))
            Fail(image.line, what + ": the images hold more than 20000 layers in all (a based image counts its base's layers)");
        for (const LayerDef& layer : image.layers) layerCharsInAll_ += layer.text.size() + layer.bitmapFile.size() + layer.font.size();
        if (layerCharsInAll_ > limits::kMaxLayerCharsInAll)
            Fail(image.line, what + ": the images hold more than 1 MB of text in all (a based image counts its base's texts)");
    }

    void NoteImage(const Values& v, const std::string& name) { refs_.push_back({name, v.Line(), false}); }

    StateDef ReadState(Values& v)
    {
        v.ExpectBetween(1, 4, "an image name, then optionally a text colour and an offset dx dy");
        StateDef s;
        s.section = v.Name(0, "an image");
        NoteImage(v, s.section);
        std::size_t next = 1;
        if (v.IsColor(next)) s.color = v.Color(next++, false);
        if (next < v.Count()) {
            if (v.Count() - next != 2) v.Fail("\"" + v.Key() + "\": the offset needs two numbers, dx dy");
            s.dx = v.Int(next, -limits::kMaxCoordinate, limits::kMaxCoordinate);
            s.dy = v.Int(next + 1, -limits::kMaxCoordinate, limits::kMaxCoordinate);
        }
        return s;
    }

    // Properties every element kind understands.
    bool ReadCommon(Values& v, ElementDef& e)
    {
        const std::string& k = v.Key();
        if (k == "rect" && e.kind != ElementKind::Window) {
            e.box = v.Box();
        } else if (k == "visible") {
            v.Expect(1, "yes or no");
            e.opacity = v.Bool(0) ? 100 : 0;
        } else if (k == "opacity") {
            v.Expect(1, "0 to 100 (percent)");
            e.opacity = v.Int(0, 0, 100);
        } else if (k == "hit") {
            v.Expect(1, "yes or no");
            e.hit = v.Bool(0);
        } else if (k == "drag") {
            v.Expect(1, "yes or no");
            e.drag = v.Bool(0);
        } else if (k == "font") {
            v.Expect(1, "a font name");
            e.font = v.Name(0, "a font");
            refs_.push_back({e.font, v.Line(), true});
        } else {
            return false;
        }
        return true;
    }

    bool ReadTextual(Values& v, ElementDef& e)
    {
        const std::string& k = v.Key();
        if (k == "text") {
            e.text = v.Text();
        } else if (k == "align") {
            v.Expect(1, "left, center or right");
            e.align = static_cast<HAlign>(v.Keyword(0, {"left", "center", "right"}));
        } else if (k == "valign") {
            v.Expect(1, "top, middle or bottom");
            e.valign = static_cast<VAlign>(v.Keyword(0, {"top", "middle", "bottom"}));
        } else if (k == "wrap") {
            v.Expect(1, "yes or no");
            e.wrap = v.Bool(0);
        } else if (k == "padding") {
            e.padding = v.Insets(0, limits::kMaxCoordinate);
        } else {
            return false;
        }
        return true;
    }

    bool ReadImageRef(Values& v, ElementDef& e, const char* key)
    {
        if (v.Key() != key) return false;
        v.ExpectBetween(1, 3, "an image name and optionally an offset dx dy");
        if (v.Count() == 2) v.Fail(std::string("\"") + key + "\": the offset needs two numbers, dx dy");
        e.image = v.Name(0, "an image");
        NoteImage(v, e.image);
        if (v.Count() == 3) {
            e.imageDx = v.Int(1, -limits::kMaxCoordinate, limits::kMaxCoordinate);
            e.imageDy = v.Int(2, -limits::kMaxCoordinate, limits::kMaxCoordinate);
        }
        return true;
    }

    bool ReadKindProperty(Values& v, ElementDef& e)
    {
        const std::string& k = v.Key();
        switch (e.kind) {
        case ElementKind::Window:
            if (k == "size") {
                v.Expect(2, "width height of the client area");
                e.width = v.Int(0, 1, limits::kMaxWindowSize);
                e.height = v.Int(1, 1, limits::kMaxWindowSize);
            } else if (k == "color") {
                v.Expect(1, "the background colour");
                e.hasColor = true;
                e.color = v.Color(0, false);
            } else if (k == "shape") {
                v.ExpectBetween(1, 2, "rect, or round and a radius");
                int kind = v.Keyword(0, {"rect", "round"});
                if (kind == 0 && v.Count() != 1) v.Fail("\"shape = rect\" takes no radius");
                if (kind == 1 && v.Count() != 2) v.Fail("\"shape = round\" needs a radius");
                if (!e.shape.polygons.empty()) v.Fail("a window has either \"shape\" or \"polygon\" lines, not both");
                e.shape.kind = kind == 0 ? ShapeDef::Kind::Rect : ShapeDef::Kind::Round;
                if (kind == 1) e.shape.radius = v.Int(1, 0, limits::kMaxRadius);
                shapeSet_ = true;
            } else if (k == "polygon") {
                if (shapeSet_) v.Fail("a window has either \"shape\" or \"polygon\" lines, not both");
                if (v.Count() < 6 || v.Count() % 2) v.Fail("\"polygon\" needs at least three points, x y each");
                if (e.shape.polygons.size() >= 64) v.Fail("more than 64 polygons");
                std::vector<std::pair<SkinCoord, SkinCoord>> points;
                for (std::size_t i = 0; i < v.Count(); i += 2) points.emplace_back(v.Coord(i, true), v.Coord(i + 1, false));
                e.shape.kind = ShapeDef::Kind::Polygons;
                e.shape.polygons.push_back(std::move(points));
            } else if (k == "frame") {
                v.Expect(1, "none or keep");
                e.frameNone = v.Keyword(0, {"none", "keep"}) == 0;
            } else if (k == "default") {
                v.Expect(1, "yes or no");
                e.isDefault = v.Bool(0);
            } else if (!ReadImageRef(v, e, "face")) {
                return false;
            }
            return true;
        case ElementKind::Panel:
            if (k == "clip") {
                v.Expect(1, "yes or no");
                e.clip = v.Bool(0);
                return true;
            }
            return ReadImageRef(v, e, "image");
        case ElementKind::Static:
            if (k == "color") {
                v.Expect(1, "the text colour");
                e.hasColor = true;
                e.color = v.Color(0, false);
                return true;
            }
            return ReadTextual(v, e) || ReadImageRef(v, e, "image");
        case ElementKind::Button:
            if (k == "normal" || k == "hover" || k == "down") {
                int index = k == "normal" ? 0 : k == "hover" ? 1 : 2;
                e.states[index] = ReadState(v);
                statesSet_[index] = true;
                return true;
            }
            return ReadTextual(v, e);
        case ElementKind::ScrollBar:
            return ReadScrollProperty(v, e.scroll);
        }
        return false;
    }

    bool ReadScrollProperty(Values& v, ScrollBarDef& s)
    {
        const std::string& k = v.Key();
        auto number = [&](int& out, int low, int high) {
            v.Expect(1, "a whole number");
            out = v.Int(0, low, high);
        };
        auto section = [&](std::string& out) {
            v.Expect(1, "an image name");
            out = v.Name(0, "an image");
            NoteImage(v, out);
        };
        const int big = 1000000000;
        if (k == "orientation") {
            v.Expect(1, "horizontal or vertical");
            s.vertical = v.Keyword(0, {"horizontal", "vertical"}) == 1;
            s.orientationSet = true;
        } else if (k == "min") number(s.min, -big, big);
        else if (k == "max") number(s.max, -big, big);
        else if (k == "page") number(s.page, 0, big);
        else if (k == "step") number(s.step, 0, big);
        else if (k == "position") number(s.position, -big, big);
        else if (k == "track") section(s.track);
        else if (k == "track-fill") section(s.trackFill);
        else if (k == "thumb") section(s.thumb);
        else if (k == "thumb-hot") section(s.thumbHot);
        else if (k == "thumb-down") section(s.thumbDown);
        else if (k == "arrow-dec") section(s.arrowDec);
        else if (k == "arrow-inc") section(s.arrowInc);
        else if (k == "arrow-dec-down") section(s.arrowDecDown);
        else if (k == "arrow-inc-down") section(s.arrowIncDown);
        else if (k == "thumb-size") number(s.thumbSize, 0, limits::kMaxCoordinate);
        else if (k == "arrow-size") number(s.arrowSize, 0, limits::kMaxCoordinate);
        else if (k == "track-size") number(s.trackSize, 0, limits::kMaxCoordinate);
        else return false;
        return true;
    }

    void ReadAnimation(const SyntaxBlock& b, ElementDef& owner)
    {
        NoBase(b);
        NoChildren(b, "animation");
        AnimationDef a;
        if (!b.hasName || b.name.empty()) Fail(b.line, "an animation block needs a name");
        a.name = Utf8ToWide(b.name);
        a.line = b.line;
        PropertySet(b, file_, "animation \"" + b.name + "\"").Each(
            [&](Values& v) {
                if (v.Key() != "step") return false;
                v.Expect(4, "x y opacity milliseconds");
                if (a.steps.size() >= std::size_t(limits::kMaxAnimationSteps)) v.Fail("more than 256 steps in one animation");
                StepDef s;
                s.a = v.Int(0, -limits::kMaxCoordinate, limits::kMaxCoordinate);
                s.b = v.Int(1, -limits::kMaxCoordinate, limits::kMaxCoordinate);
                s.c = v.Int(2, -1, 100);
                s.ms = v.Int(3, 0, limits::kMaxStepMs);
                a.steps.push_back(s);
                return true;
            },
            {"step"});
        if (a.steps.empty()) Fail(b.line, "animation \"" + b.name + "\" has no step");
        owner.animations.push_back(std::move(a));
    }

    ElementDef ReadElement(const SyntaxBlock& b, ElementKind kind)
    {
        NoBase(b);
        ElementDef e;
        e.kind = kind;
        e.line = b.line;
        if (!b.hasName || b.name.empty()) Fail(b.line, std::string("a ") + KindWord(kind) + " block needs a name");
        e.name = Utf8ToWide(b.name);
        e.hit = kind != ElementKind::Panel;  // containers let clicks through
        if (kind == ElementKind::Button) e.align = HAlign::Center;
        statesSet_ = {false, false, false};
        shapeSet_ = false;
        std::string what = std::string(KindWord(kind)) + " \"" + b.name + "\"";
        PropertySet(b, file_, what).Each([&](Values& v) { return ReadCommon(v, e) || ReadKindProperty(v, e); }, {"polygon"});
        if (kind == ElementKind::Button) {
            if (!statesSet_[0]) Fail(b.line, what + " needs a \"normal\" state");
            if (!statesSet_[1]) e.states[1] = e.states[0];
            if (!statesSet_[2]) e.states[2] = e.states[1];
        }
        if (kind == ElementKind::ScrollBar) {
            ScrollBarDef& s = e.scroll;
            if (s.thumb.empty()) Fail(b.line, what + " needs a \"thumb\" image");
            if (s.max < s.min) Fail(b.line, what + ": max is below min");
        }
        for (const SyntaxBlock& child : b.blocks) {
            if (child.kind == "animation") {
                ReadAnimation(child, e);
                continue;
            }
            ElementKind childKind;
            if (child.kind == "panel") childKind = ElementKind::Panel;
            else if (child.kind == "static") childKind = ElementKind::Static;
            else if (child.kind == "button") childKind = ElementKind::Button;
            else if (child.kind == "scrollbar") childKind = ElementKind::ScrollBar;
            else if (child.kind == "window") Fail(child.line, "a window cannot be inside another block");
            else Fail(child.line, "unknown block \"" + child.kind + "\" in " + what);
            if (kind != ElementKind::Window && kind != ElementKind::Panel)
                Fail(child.line, "only a window or a panel holds elements; " + what + " cannot hold \"" + child.kind + "\"");
            e.children.push_back(ReadElement(child, childKind));
        }
        return e;
    }

    void ReadWindow(const SyntaxBlock& b)
    {
        ElementDef w = ReadElement(b, ElementKind::Window);
        if (doc_.WindowNamed(w.name)) Fail(b.line, "a second window \"" + b.name + "\"");
        if (w.isDefault)
            for (const ElementDef& other : doc_.windows)
                if (other.isDefault) Fail(b.line, "a second window marked default (the first is on line " + std::to_string(other.line) + ")");
        doc_.windows.push_back(std::move(w));
    }

    void CheckReferences() const
    {
        for (const Reference& r : refs_) {
            if (r.isFont ? doc_.FindFont(r.name) == nullptr : doc_.FindImage(r.name) == nullptr)
                Fail(r.line, std::string(r.isFont ? "no font" : "no image") + " named \"" + r.name + "\"");
        }
    }

    const std::string& file_;
    SkinDocument doc_;
    std::vector<Reference> refs_;
    std::set<std::wstring> bitmapNames_;
    std::size_t layersInAll_ = 0;
    std::size_t layerCharsInAll_ = 0;
    std::array<bool, 3> statesSet_{};
    bool shapeSet_ = false;
};

}  // namespace

SkinDocument ParseSkin(const std::string& text, const std::string& fileName)
{
    SyntaxBlock root = ParseSyntax(text, fileName);
    return Interpreter(fileName).Run(root);
}

const ImageDef* SkinDocument::FindImage(const std::string& n) const
{
    for (const ImageDef& i : images)
        if (i.name == n) return &i;
    return nullptr;
}

const FontDef* SkinDocument::FindFont(const std::string& n) const
{
    for (const FontDef& f : fonts)
        if (f.name == n) return &f;
    return nullptr;
}

const ElementDef* SkinDocument::WindowNamed(const std::wstring& n) const
{
    for (const ElementDef& w : windows)
        if (w.name == n) return &w;
    return nullptr;
}

const ElementDef* SkinDocument::DefaultWindow() const
{
    for (const ElementDef& w : windows)
        if (w.isDefault) return &w;
    return windows.empty() ? nullptr : &windows.front();
}

std::vector<std::wstring> SkinDocument::BitmapFiles() const
{
    std::vector<std::wstring> files;
    for (const ImageDef& i : images)
        for (const LayerDef& l : i.layers)
            if (!l.bitmapFile.empty() && std::find(files.begin(), files.end(), l.bitmapFile) == files.end())
                files.push_back(l.bitmapFile);
    return files;
}

}  // namespace skin
