// The skin file reader: what it accepts, what it makes of it, and that every
// refusal names the line and the fault.
#include <gtest/gtest.h>

#include <string>

#include "skin/SkinError.h"
#include "skin/SkinParser.h"

namespace {

using skin::ElementKind;
using skin::ParseSkin;
using skin::SkinDocument;

std::string Error(const std::string& text)
{
    try {
        ParseSkin(text, "t.skn");
    } catch (const skin::SkinError& e) {
        return e.what();
    }
    return "(accepted)";
}

const char* kMinimal = "window W { }\n";

TEST(SkinParser, MinimalFileHasOneWindowWithDefaults)
{
    SkinDocument doc = ParseSkin(kMinimal, "t.skn");
    ASSERT_EQ(doc.windows.size(), 1u);
    EXPECT_EQ(doc.windows[0].name, L"W");
    EXPECT_EQ(doc.windows[0].kind, ElementKind::Window);
    EXPECT_TRUE(doc.windows[0].frameNone);
    EXPECT_EQ(doc.DefaultWindow(), &doc.windows[0]);
}

TEST(SkinParser, CommentsSemicolonsBomAndCrLfAreAccepted)
{
    const std::string text =
        "\xEF\xBB\xBF// a skin\r\n"
        "font f { face = \"Segoe UI\"; size = 10; weight = bold } // trailing\r\n"
        "window \"Main Window\" {\r\n"
        "  size = 300 200; color = #abc\r\n"
        "}\r\n";
    SkinDocument doc = ParseSkin(text, "t.skn");
    ASSERT_EQ(doc.fonts.size(), 1u);
    EXPECT_EQ(doc.fonts[0].points, 10);
    EXPECT_EQ(doc.fonts[0].weight, 700);
    EXPECT_EQ(doc.windows[0].name, L"Main Window");
    EXPECT_EQ(doc.windows[0].width, 300);
    EXPECT_EQ(doc.windows[0].color.r, 0xAA);
    EXPECT_EQ(doc.windows[0].color.b, 0xCC);
}

TEST(SkinParser, TextsKeepTheirCharactersAndEscapes)
{
    SkinDocument doc = ParseSkin(
        "window W { static s { text = \"a \\\"b\\\" \\u00d7 \xC3\xA9\\n\" } static t { text = plain } }", "t.skn");
    EXPECT_EQ(doc.windows[0].children[0].text, L"a \"b\" \x00d7 \x00e9\n");
    EXPECT_EQ(doc.windows[0].children[1].text, L"plain");
}

TEST(SkinParser, CoordinatesCountFromStartCentreOrEnd)
{
    SkinDocument doc = ParseSkin("window W { static s { rect = 10 center-5 right-20 bottom } }", "t.skn");
    const skin::SkinBox& box = doc.windows[0].children[0].box;
    EXPECT_EQ(box.left.Resolve(200), 10);
    EXPECT_EQ(box.top.Resolve(100), 45);
    EXPECT_EQ(box.right.Resolve(200), 180);
    EXPECT_EQ(box.bottom.Resolve(100), 100);
}

TEST(SkinParser, ButtonStatesFillInFromTheOnesGiven)
{
    SkinDocument doc = ParseSkin(
        "image a { fill = #fff }\nimage b { fill = #000 }\n"
        "window W { button x { normal = a #102030; hover = b #405060 2 3 } button y { normal = a } }",
        "t.skn");
    const auto& x = doc.windows[0].children[0];
    EXPECT_EQ(x.states[0].section, "a");
    EXPECT_EQ(x.states[0].color.r, 0x10);
    EXPECT_EQ(x.states[1].section, "b");
    EXPECT_EQ(x.states[1].dx, 2);
    EXPECT_EQ(x.states[1].dy, 3);
    EXPECT_EQ(x.states[2].section, "b") << "down falls back to hover";
    const auto& y = doc.windows[0].children[1];
    EXPECT_EQ(y.states[1].section, "a");
    EXPECT_EQ(y.states[2].section, "a");
}

TEST(SkinParser, ImageBasedOnAnotherOverridesItsFirstLayerAndAddsLayers)
{
    SkinDocument doc = ParseSkin(
        "image base { fill = #111111; radius = 4; layer { fill = #222222 } }\n"
        "image same : base { }\n"
        "image changed : base { fill = #333333 }\n"
        "image more : base { layer { border = #444444 2 } }\n"
        "window W { }",
        "t.skn");
    const auto* same = doc.FindImage("same");
    const auto* changed = doc.FindImage("changed");
    const auto* more = doc.FindImage("more");
    ASSERT_TRUE(same && changed && more);
    ASSERT_EQ(same->layers.size(), 2u);
    ASSERT_EQ(changed->layers.size(), 2u);
    EXPECT_EQ(changed->layers[0].fill.r, 0x33);
    EXPECT_EQ(changed->layers[0].radius, 4) << "what is not overridden comes from the base";
    EXPECT_EQ(changed->layers[1].fill.r, 0x22);
    ASSERT_EQ(more->layers.size(), 3u);
    EXPECT_EQ(more->layers[2].borderWidth, 2);
}

TEST(SkinParser, AnimationsKeepTheirStepsInOrder)
{
    SkinDocument doc = ParseSkin(
        "window W { panel p { animation p_show { step = 0 12 0 0; step = 0 0 100 250 } animation p_hide { step = 5 -6 -1 100 } } }",
        "t.skn");
    const auto& animations = doc.windows[0].children[0].animations;
    ASSERT_EQ(animations.size(), 2u);
    EXPECT_EQ(animations[0].name, L"p_show");
    ASSERT_EQ(animations[0].steps.size(), 2u);
    EXPECT_EQ(animations[0].steps[0].b, 12);
    EXPECT_EQ(animations[0].steps[1].c, 100);
    EXPECT_EQ(animations[0].steps[1].ms, 250);
    EXPECT_EQ(animations[1].steps[0].c, -1);
}

TEST(SkinParser, DefaultWindowIsTheMarkedOneElseTheFirst)
{
    SkinDocument doc = ParseSkin("window A { }\nwindow B { default = yes }\n", "t.skn");
    EXPECT_EQ(doc.DefaultWindow()->name, L"B");
}

TEST(SkinParser, BitmapFilesAreListedOnce)
{
    SkinDocument doc = ParseSkin(
        "image a { bitmap = \"x.bmp\" }\nimage b { bitmap = \"sub/y.bmp\"; layer { bitmap = \"x.bmp\" } }\nwindow W { }", "t.skn");
    ASSERT_EQ(doc.BitmapFiles().size(), 2u);
    EXPECT_EQ(doc.BitmapFiles()[0], L"x.bmp");
    EXPECT_EQ(doc.BitmapFiles()[1], L"sub/y.bmp");
}

// Every refusal names the file, the line, and the fault.
struct BadCase {
    const char* text;
    const char* expected;  // the whole prefix "t.skn(line): " plus a part of the message
};

class SkinParserRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(SkinParserRefuses, WithFileLineAndReason)
{
    const BadCase& c = GetParam();
    std::string message = Error(c.text);
    std::string expected = c.expected;
    std::size_t colon = expected.find(": ");
    ASSERT_NE(colon, std::string::npos);
    EXPECT_EQ(message.substr(0, colon + 2), expected.substr(0, colon + 2)) << message;
    EXPECT_NE(message.find(expected.substr(colon + 2)), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinParserRefuses,
    ::testing::Values(
        BadCase{"", "t.skn(1): the skin has no window block"},
        BadCase{"// only a comment\n", "t.skn(1): the skin has no window block"},
        BadCase{"window { }", "t.skn(1): a window block needs a name"},
        BadCase{"window W {\n  size = 10\n}", "t.skn(2): \"size\" needs 2 values"},
        BadCase{"window W {\n\n  colr = #fff\n}", "t.skn(3): unknown property \"colr\" in window \"W\""},
        BadCase{"window W {\n static s { text = \"open\n } }", "t.skn(2): a quoted text that is not closed on its line"},
        BadCase{"window W {\n static s { }\n", "t.skn(3): missing '}' for window \"W\" that starts on line 1"},
        BadCase{"window W {\npanel p {\n", "t.skn(3): missing '}' for panel \"p\" that starts on line 2"},
        // The '}' meant for the window closes the panel: the panel is named.
        BadCase{"window W {\n  panel p {\n    static s { }\n  static t { }\n}\n",
                "t.skn(2): missing '}' for panel \"p\" that starts here (the '}' on line 5 closes it"},
        BadCase{"window W {\n  panel a {\n  }\n  panel b {\n    static s { }\n}\nwindow X {\n}\n",
                "t.skn(4): missing '}' for panel \"b\" that starts here (the '}' on line 6"},
        BadCase{"window W {\n  size 320 180\n}", "t.skn(2): missing '=' after \"size\" (write size = 320 180)"},
        BadCase{"window W {\n  size 320\n  color = #fff\n}", "t.skn(2): missing '=' after \"size\" (write size = 320)"},
        BadCase{"window W {\n static s { text \"two words\" } }", "t.skn(2): missing '=' after \"text\" (write text = \"two words\")"},
        BadCase{"window W\n  size = 1 1\n", "t.skn(1): expected '{' after \"window W\", found a word"},
        BadCase{"window W {\n static my label { }\n}", "t.skn(2): expected '{' after \"static my\", found a word (a name with blanks goes in quotes)"},
        BadCase{"window W { }\n}", "t.skn(2): '}' without a block to close"},
        BadCase{"windo W { }", "t.skn(1): unknown block \"windo\""},
        BadCase{"window W { color = #12 }", "t.skn(1): \"color\": \"#12\" is not a colour"},
        BadCase{"window W { color = #11223344 }", "t.skn(1): \"color\": \"#11223344\" is not a colour"},
        BadCase{"window W { static s { rect = bottom-5 0 10 10 } }", "t.skn(1): uses bottom for a horizontal coordinate"},
        BadCase{"window W { static s { rect = 0 0 10 } }", "t.skn(1): \"rect\" needs 4 values: left top right bottom; found 3"},
        BadCase{"window W { static s { rect = 10 10 right - 8 30 } }",
                "t.skn(1): \"rect\" needs 4 values: left top right bottom; found 6 (the blanks in \"right - 8\" make it several values; write right-8)"},
        BadCase{"window W { static s { rect = center -20 10 center+20 30 } }",
                "t.skn(1): found 5 (the blanks in \"center -20\" make it several values; write center-20)"},
        BadCase{"image i { layer { rect = 0 0 right 10 bottom } }\nwindow W { }", "t.skn(1): \"rect\" needs 4 values: left top right bottom; found 5"},
        BadCase{"window W { static s { rect = 0 0 ten 10 } }", "t.skn(1): \"ten\" is not a coordinate"},
        BadCase{"window W {\n static s { image = nothing }\n}", "t.skn(2): no image named \"nothing\""},
        BadCase{"window W { static s { font = nofont } }", "t.skn(1): no font named \"nofont\""},
        BadCase{"image a { }\nimage a { }\nwindow W { }", "t.skn(2): a second image \"a\""},
        BadCase{"image a : b { }\nimage b { }\nwindow W { }", "t.skn(1): not an image defined above it"},
        BadCase{"window W { button b { text = x } }", "t.skn(1): button \"b\" needs a \"normal\" state"},
        BadCase{"window W { scrollbar s { } }", "t.skn(1): scrollbar \"s\" needs a \"thumb\" image"},
        BadCase{"image t { }\nwindow W { scrollbar s { thumb = t; min = 5; max = 4 } }", "t.skn(2): max is below min"},
        BadCase{"window W { panel p {\n animation a { }\n} }", "t.skn(2): animation \"a\" has no step"},
        BadCase{"window W { panel p { animation a {\n step = 1 2 3\n} } }", "t.skn(2): \"step\" needs 4 values"},
        BadCase{"window W { panel p { animation a { step = 0 0 101 10 } } }", "t.skn(1): 101 is outside -1 to 100"},
        BadCase{"window W { panel p { animation a { step = 0 0 0 -1 } } }", "t.skn(1): -1 is outside 0 to 600000"},
        BadCase{"window W { size = 100000 10 }", "t.skn(1): 100000 is outside 1 to 8192"},
        BadCase{"window W { size = 99999999999999999999 10 }", "t.skn(1): is not a whole number"},
        BadCase{"window W {\n size = 10 10\n size = 20 20\n}", "t.skn(3): \"size\" is given twice"},
        BadCase{"window A { default = yes }\nwindow B { default = yes }", "t.skn(2): a second window marked default"},
        BadCase{"window A { }\nwindow A { }", "t.skn(2): a second window \"A\""},
        BadCase{"image a { bitmap = \"..\\\\up.bmp\" }\nwindow W { }", "t.skn(1): \"bitmap\" must name a file beside the skin file"},
        BadCase{"image a { bitmap = \"C:\\\\x.bmp\" }\nwindow W { }", "t.skn(1): \"bitmap\" must name a file beside the skin file"},
        BadCase{"window W { static s { button b { normal = x } } }", "t.skn(1): only a window or a panel holds elements"},
        BadCase{"window W { polygon = 0 0 10 10 }", "t.skn(1): \"polygon\" needs at least three points"},
        BadCase{"window W { shape = round }", "t.skn(1): \"shape = round\" needs a radius"},
        BadCase{"window W { shape = rect\n polygon = 0 0 1 0 1 1 }", "t.skn(2): either \"shape\" or \"polygon\""},
        BadCase{"size = 1 2\nwindow W { }", "t.skn(1): \"size\" must be inside a block"},
        BadCase{"window W { static s { text = } }", "t.skn(1): \"text =\" needs a value"},
        BadCase{"window W { static s { text = a = b } }", "t.skn(1): unexpected '=' in the value of \"text\""},
        BadCase{"window W {\n static s { text = \"bad \\q\" } }", "t.skn(2): an unknown escape \\q"},
        BadCase{"window W { static s { text = \"\\u12\" } }", "t.skn(1): \\u needs four hexadecimal digits"},
        BadCase{"window W { static s { text = \"\\ud800\" } }", "t.skn(1): \\u cannot name half of a surrogate pair"},
        BadCase{"window W {\n static s { text = \"\xC3\x28\" } }", "t.skn(2): text that is not UTF-8"},
        BadCase{"window W {\n\x01 }", "t.skn(2): a control character (code 1)"},
        BadCase{"font f { size = 0 }\nwindow W { }", "t.skn(1): 0 is outside 1 to 200"},
        BadCase{"font f { weight = heavy }\nwindow W { }",
                "t.skn(1): \"weight\": \"heavy\" is not a weight; use light, normal, semibold, bold or a number from 100 to 900"},
        BadCase{"font f { weight = \"bold\" }\nwindow W { }", "t.skn(1): \"bold\" is not a weight"},
        BadCase{"font f { weight = 950 }\nwindow W { }", "t.skn(1): \"weight\": 950 is outside 100 to 900"},
        BadCase{"font f { face = \"\" }\nwindow W { }", "t.skn(1): \"face\" needs a font name of 1 to 31 characters"},
        BadCase{"skin { version = 2 }\nwindow W { }", "t.skn(1): 2 is outside 1 to 1"},
        BadCase{"window W { static s : base { } }", "t.skn(1): only an image can name a base"},
        BadCase{"image a { layer named { } }\nwindow W { }", "t.skn(1): a layer block has no name"},
        BadCase{"image a { bitmap-mode = nine 1 2 3 }\nwindow W { }", "t.skn(1): needs 1, 2 or 4 border widths"}));

// Indentation only helps to name a block that lacks its '}'; it is no rule.
TEST(SkinParser, OddIndentationOfACompleteFileIsNoFault)
{
    const SkinDocument doc = ParseSkin("window W {\n      panel p {\n  static s { }\n}\n  }\n", "t.skn");
    ASSERT_EQ(doc.windows.size(), 1u);
    ASSERT_EQ(doc.windows[0].children.size(), 1u);
    EXPECT_EQ(doc.windows[0].children[0].children.size(), 1u);
}

TEST(SkinParser, AMissingEqualsSignQuotesALongLineOnlyInPart)
{
    std::string line = "  size";
    for (int i = 0; i < 200; ++i) line += " " + std::string(100, 'v');
    const std::string message = Error("window W {\n" + line + "\n}");
    EXPECT_EQ(0u, message.find("t.skn(2): missing '=' after \"size\" (write size = ")) << message.substr(0, 300);
    EXPECT_LT(message.size(), 300u);
    EXPECT_NE(std::string::npos, message.find(" ...)"));
}

TEST(SkinParser, NulByteIsRefusedWithItsLine)
{
    std::string text = "window W {\n static s { text = \"a\" }\n";
    text += std::string(1, '\0');
    text += " }";
    EXPECT_EQ(Error(text).substr(0, 9), "t.skn(3):") << Error(text);
}

TEST(SkinParser, NestingDeeperThanTheLimitIsRefused)
{
    std::string text = "window W {";
    for (int i = 0; i < 30; ++i) text += " panel p" + std::to_string(i) + " {";
    text += std::string(31, '}');
    EXPECT_NE(Error(text).find("nested more than 24 deep"), std::string::npos) << Error(text);
}

TEST(SkinParser, FileLargerThanOneMegabyteIsRefused)
{
    std::string text = "window W { }\n" + std::string(1024 * 1024, ' ');
    EXPECT_NE(Error(text).find("larger than 1 MB"), std::string::npos);
}

// An image based on another copies the base's layers: "image a" with a few
// hundred KB of layers and thousands of one-line "image bN : a { }" used to
// grow a file under 1 MB into gigabytes. Copies count like written layers.
std::string BasedImages(int layersInBase, int textLength, int copies)
{
    std::string text = "image a { text = \"" + std::string(std::size_t(textLength), 'x') + "\";";
    for (int i = 1; i < layersInBase; ++i) text += " layer { text = \"" + std::string(std::size_t(textLength), 'x') + "\" }";
    text += " }\n";
    for (int i = 0; i < copies; ++i) text += "image b" + std::to_string(i) + " : a { }\n";  // line i + 2
    return text + "window W { }\n";
}

TEST(SkinParser, BasedImagesCountTheLayersAndTextsTheyCopy)
{
    struct Case {
        int layersInBase, textLength, copies;
        const char* expected;  // "(accepted)" or the message
    };
    const Case cases[] = {
        {50, 0, 399, "(accepted)"},  // 20000 layers in all
        {50, 0, 400, "t.skn(401): image \"b399\": the images hold more than 20000 layers in all"},
        {1, 4096, 255, "(accepted)"},  // 1 MB of text in all
        {1, 4096, 256, "t.skn(257): image \"b255\": the images hold more than 1 MB of text in all"},
        // The file of the report: 313 KB, 3 GB once read before copies counted.
        {64, 4096, 3000, "t.skn(5): image \"b3\": the images hold more than 1 MB of text in all"},
    };
    for (const Case& c : cases) {
        const std::string text = BasedImages(c.layersInBase, c.textLength, c.copies);
        const std::string message = Error(text);
        EXPECT_EQ(message.substr(0, std::string(c.expected).size()), c.expected)
            << c.layersInBase << " layers of " << c.textLength << " characters, " << c.copies << " copies (" << text.size() << " bytes)";
    }
}

TEST(SkinParser, AtMost256BitmapFilesAreNamed)
{
    auto skinNaming = [](int files, int repeats) {
        std::string text;
        for (int i = 0; i < files; ++i) text += "image i" + std::to_string(i) + " { bitmap = f" + std::to_string(i) + ".bmp }\n";
        for (int i = 0; i < repeats; ++i) text += "image r" + std::to_string(i) + " { bitmap = f0.bmp; layer { bitmap = f1.bmp } }\n";
        return text + "window W { }\n";
    };
    EXPECT_EQ(Error(skinNaming(256, 100)), "(accepted)") << "a file named again is no new file";
    EXPECT_EQ(Error(skinNaming(257, 0)), "t.skn(257): more than 256 bitmap files");
    EXPECT_EQ(Error("image a { bitmap = x.bmp }\n" + skinNaming(256, 0)), "t.skn(257): more than 256 bitmap files");
}

TEST(SkinParser, HugeCountsOfValuesAreRefused)
{
    std::string text = "window W { polygon =";
    for (int i = 0; i < 300; ++i) text += " 1";
    text += " }";
    EXPECT_NE(Error(text).find("more than 256 values"), std::string::npos);
}

}  // namespace
