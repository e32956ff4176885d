// The element tree of a loaded skin as a program sees it: names, kinds and
// their interfaces, records, scroll ranges, rectangles, animations; and that
// loading fails cleanly and completely.
#include <gtest/gtest.h>

#include "skin/SkinResources.h"
#include "skin/TSkin.h"
#include "tests/skin/BmpBuilder.h"
#include "tests/skin/SkinTestFiles.h"

namespace {

using namespace skin;
using skintest::ErrorOf;

const char* kSkin = R"(
image btn { fill = #00ff00 }
image btn_pressed { fill = #ff0000 }
image thumb { fill = #0000ff }
window Main {
  size = 300 200
  color = #102030
  button ok { rect = 10 10 110 40; text = "OK"; normal = btn #010203 4 5 }
  static label { rect = 10 50 right-10 70; text = "hello"; color = #112233; image = btn 1 2 }
  static plain { rect = 0 0 1 1 }
  scrollbar bar { rect = 10 80 210 100; min = 0; max = 109; page = 10; step = 1; thumb = thumb }
  panel page {
    rect = 20 110 right bottom
    visible = no
    animation page_show { step = 0 12 0 0; step = 30 5 100 200 }
    button inner { rect = 10 10 60 30; normal = btn }
    static label { rect = 0 0 5 5 }
  }
}
window Dialog { default = yes; frame = keep }
)";

class SkinTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        skin_.LoadSkinFromText(kSkin, L"tree.skn");
        main_ = skin_.GetRootObject()->FindObject(L"Main");
        ASSERT_NE(main_, nullptr);
    }
    ISkinObject* Find(const wchar_t* name) { return main_->FindObject(name); }

    TSkin skin_;
    ISkinObject* main_ = nullptr;
};

TEST_F(SkinTree, RootHoldsTheWindowsInFileOrder)
{
    ISkinObject* root = skin_.GetRootObject();
    ASSERT_EQ(root->ChildCount(), 2);
    EXPECT_EQ(root->GetChild(0)->Name(), L"Main");
    EXPECT_EQ(root->GetChild(1)->Name(), L"Dialog");
    EXPECT_EQ(ErrorOf([&] { root->GetChild(2); }), "the skin has no window 2");
}

TEST_F(SkinTree, FindObjectSearchesDepthFirstAndGivesTheFirstOfAName)
{
    ISkinObject* label = Find(L"label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label, main_->GetChild(1)) << "the window's own label comes before the page's";
    EXPECT_NE(Find(L"inner"), nullptr);
    EXPECT_EQ(Find(L"Label"), nullptr) << "names compare with case";
    EXPECT_EQ(Find(L""), nullptr);
    EXPECT_EQ(Find(L"Main"), nullptr) << "only elements below";
    EXPECT_EQ(ErrorOf([&] { main_->GetChild(-1); }), "element \"Main\" has no child -1");
}

TEST_F(SkinTree, EachKindHasExactlyTheInterfacesOfItsKind)
{
    struct Row {
        const wchar_t* name;
        bool element, button, statik, scroll, window;
    };
    const Row rows[] = {
        {L"ok", true, true, false, false, false},
        {L"label", true, false, true, false, false},
        {L"bar", true, false, false, true, false},
        {L"page", true, false, false, false, false},
    };
    for (const Row& r : rows) {
        ISkinObject* o = Find(r.name);
        ASSERT_NE(o, nullptr) << r.name;
        EXPECT_EQ(dynamic_cast<ISkinElement*>(o) != nullptr, r.element) << r.name;
        EXPECT_EQ(dynamic_cast<ISkinButton*>(o) != nullptr, r.button) << r.name;
        EXPECT_EQ(dynamic_cast<ISkinStatic*>(o) != nullptr, r.statik) << r.name;
        EXPECT_EQ(dynamic_cast<ISkinScrollBar*>(o) != nullptr, r.scroll) << r.name;
        EXPECT_EQ(dynamic_cast<ISkinWindow*>(o) != nullptr, r.window) << r.name;
        EXPECT_NE(dynamic_cast<ISkinAnimations*>(o), nullptr) << r.name;
    }
    EXPECT_NE(dynamic_cast<ISkinWindow*>(main_), nullptr);
    // Across interfaces of one element.
    auto* button = dynamic_cast<ISkinButton*>(Find(L"ok"));
    EXPECT_EQ(dynamic_cast<ISkinObject*>(dynamic_cast<ISkinElement*>(button)), Find(L"ok"));
}

TEST_F(SkinTree, ButtonStatesReadAndWriteAsRecords)
{
    auto* ok = dynamic_cast<ISkinButton*>(Find(L"ok"));
    SkinButtonState s = ok->GetState(1);
    EXPECT_EQ(s.Section.Name, L"btn");
    EXPECT_EQ(s.Section.OffsetX, 4);
    EXPECT_EQ(s.Section.OffsetY, 5);
    EXPECT_EQ(ColorValue(s.Color), 0x00030201u) << "#010203 is red 1, green 2, blue 3";
    EXPECT_EQ(ok->GetState(3).Section.Name, L"btn") << "unset states copy the normal one";

    s.Section.Name = L"btn_pressed";
    s.Color = SkinColor{uint8_t(255 - s.Color.b0), uint8_t(255 - s.Color.b1), uint8_t(255 - s.Color.b2)};
    ok->SetState(2, s);
    EXPECT_EQ(ok->GetState(2).Section.Name, L"btn_pressed");
    EXPECT_EQ(ok->GetState(2).Section.OffsetX, 4) << "other fields pass through";
    EXPECT_EQ(ColorValue(ok->GetState(2).Color), 0x00FCFDFEu);
    EXPECT_EQ(ok->GetState(1).Section.Name, L"btn");

    for (int bad : {0, 4, -1}) {
        EXPECT_EQ(ErrorOf([&] { ok->GetState(bad); }), "a button has states 1 to 3, not " + std::to_string(bad));
        EXPECT_EQ(ErrorOf([&] { ok->SetState(bad, s); }), "a button has states 1 to 3, not " + std::to_string(bad));
    }
    ok->SetText(L"Go");
    EXPECT_EQ(ok->GetText(), L"Go");
}

TEST_F(SkinTree, StaticTextSectionAndColour)
{
    auto* label = dynamic_cast<ISkinStatic*>(Find(L"label"));
    EXPECT_EQ(label->GetText(), L"hello");
    EXPECT_EQ(ColorValue(label->GetColor()), 0x00332211u);
    SkinImageSection section = label->GetImageSection();
    EXPECT_EQ(section.Name, L"btn");
    EXPECT_EQ(section.OffsetY, 2);
    section.Name = L"thumb";
    label->SetImageSection(section);
    EXPECT_EQ(label->GetImageSection().Name, L"thumb");
    EXPECT_EQ(label->GetImageSection().OffsetX, 1);
    label->SetText(L"");
    EXPECT_EQ(label->GetText(), L"");
    // A static without a colour has none to give: the caller's fallback applies.
    EXPECT_EQ(ErrorOf([&] { dynamic_cast<ISkinStatic*>(Find(L"plain"))->GetColor(); }), "static \"plain\" has no colour");
}

TEST_F(SkinTree, WindowColourAndItsAbsence)
{
    EXPECT_EQ(ColorValue(dynamic_cast<ISkinWindow*>(main_)->GetColor()), 0x00302010u);
    auto* dialog = dynamic_cast<ISkinWindow*>(skin_.GetRootObject()->FindObject(L"Dialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ErrorOf([&] { dialog->GetColor(); }), "skin window \"Dialog\" has no colour");
}

TEST_F(SkinTree, ScrollBarKeepsItsPositionInRange)
{
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"bar"));
    struct Case {
        int min, max, page, set, expected;
    };
    // The highest position is Max - Page + 1; a page of 0 counts as 1.
    const Case cases[] = {
        {0, 109, 10, 500, 100}, {0, 109, 10, -5, 0}, {0, 109, 10, 55, 55}, {1, 11, 1, 11, 11},
        {1, 86, 5, 86, 82},     {5, 20, 0, 25, 20},  {10, 5, 1, 7, 10},   {0, 129, 10, 120, 120},
    };
    for (const Case& c : cases) {
        bar->SetMin(c.min);
        bar->SetMax(c.max);
        bar->SetPage(c.page);
        bar->SetPosition(c.set);
        EXPECT_EQ(bar->GetPosition(), c.expected) << c.min << ".." << c.max << " page " << c.page << " set " << c.set;
    }
    bar->SetMin(0);
    bar->SetMax(109);
    bar->SetPage(10);
    bar->SetPosition(100);
    bar->SetMax(50);
    EXPECT_EQ(bar->GetPosition(), 41) << "a smaller range pulls the position in";
    bar->SetPage(-3);
    bar->SetStep(-1);
    EXPECT_EQ(bar->GetPage(), 0);
    EXPECT_EQ(bar->GetStep(), 0);
}

TEST_F(SkinTree, RectanglesFollowAnchorsParentsAndTheGivenRoot)
{
    auto* label = dynamic_cast<ISkinElement*>(Find(L"label"));
    RECT r = label->GetRect(main_);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 290) << "right-10 in a 300 wide window";
    EXPECT_EQ(r.bottom, 70);
    RECT inner = dynamic_cast<ISkinElement*>(Find(L"inner"))->GetRect(main_);
    EXPECT_EQ(inner.left, 30);
    EXPECT_EQ(inner.top, 120);
    EXPECT_EQ(inner.right, 80);
    EXPECT_EQ(inner.bottom, 140);
    EXPECT_EQ(dynamic_cast<ISkinElement*>(Find(L"inner"))->GetRect(Find(L"page")).left, 30) << "client coordinates whatever the root";
    EXPECT_EQ(ErrorOf([&] { label->GetRect(Find(L"page")); }), "element \"label\" is not inside the element given as root");
}

TEST_F(SkinTree, AnimationsDescribeTheirStepsAndEndStateAppliesOutsideWindows)
{
    auto* page = dynamic_cast<ISkinAnimations*>(Find(L"page"));
    ASSERT_EQ(page->AnimationCount(), 1);
    EXPECT_EQ(page->AnimationName(0), L"page_show");
    ASSERT_EQ(page->StepCount(0), 2);
    SkinAnimationStep step = page->GetStep(0, 1);
    EXPECT_EQ(step.a, 30);
    EXPECT_EQ(step.b, 5);
    EXPECT_EQ(step.c, 100);
    EXPECT_EQ(step.durationMs, 200);
    EXPECT_EQ(ErrorOf([&] { page->GetStep(0, 2); }), "animation \"page_show\" has no step 2");
    EXPECT_EQ(ErrorOf([&] { page->AnimationName(1); }), "element \"page\" has no animation 1");
    EXPECT_EQ(ErrorOf([&] { page->Play(-1); }), "element \"page\" has no animation -1");
    EXPECT_EQ(dynamic_cast<ISkinAnimations*>(Find(L"ok"))->AnimationCount(), 0);

    page->Play(0);
    RECT moved = dynamic_cast<ISkinElement*>(Find(L"inner"))->GetRect(main_);
    EXPECT_EQ(moved.left, 60) << "the page moved by the last step's offset";
    EXPECT_EQ(moved.top, 125);
}

TEST(SkinLoad, EmptyMissingFolderAndInvalidFilesFailWithoutReplacingTheSkin)
{
    skintest::TempFolder folder;
    folder.Write("good.skn", std::string(kSkin));
    folder.Write("bad.skn", std::string("window W {\n  size = 1\n}\n"));
    TSkin skin;
    EXPECT_EQ(ErrorOf([&] { skin.LoadSkin(L""); }), "no skin file was given");
    EXPECT_FALSE(skin.IsLoaded());
    EXPECT_EQ(ErrorOf([&] { skin.GetRootObject(); }), "no skin is loaded");

    skin.LoadSkin(folder.Path("good.skn"));
    ASSERT_TRUE(skin.IsLoaded());
    ISkinObject* before = skin.GetRootObject();

    const std::string missing = ErrorOf([&] { skin.LoadSkin(folder.Path("none.skn")); });
    EXPECT_NE(missing.find("none.skn: the skin file does not exist"), std::string::npos) << missing;
    const std::string dir = ErrorOf([&] { skin.LoadSkin(folder.Path("")); });
    EXPECT_NE(dir.find("folder, not a skin file"), std::string::npos) << dir;
    const std::string bad = ErrorOf([&] { skin.LoadSkin(folder.Path("bad.skn")); });
    EXPECT_NE(bad.find("bad.skn(2): \"size\" needs 2 values"), std::string::npos) << bad;

    EXPECT_TRUE(skin.IsLoaded());
    EXPECT_EQ(skin.GetRootObject(), before) << "a failed load leaves the loaded skin as it was";
    EXPECT_NE(skin.GetRootObject()->FindObject(L"ok"), nullptr);

    skin.UnloadSkin();
    EXPECT_FALSE(skin.IsLoaded());
    skin.UnloadSkin();  // twice is harmless
    EXPECT_EQ(ErrorOf([&] { skin.ApplySkin(nullptr); }), "no skin is loaded");
}

std::string SkinWithBitmap(const std::string& layer)
{
    return "image pic {\n  " + layer + "\n}\nwindow W { static s { image = pic } }\n";
}

TEST(SkinLoad, BitmapsBesideTheSkinLoadAndBadOnesNameFileAndLine)
{
    skintest::TempFolder folder;
    skintest::BmpSpec spec;
    spec.width = 4;
    spec.height = 4;
    folder.Write("ok.bmp", skintest::MakeBmp(spec));
    folder.Write("sub\\in.bmp", skintest::MakeBmp(spec));
    folder.Write("text.bmp", std::string("this is no picture"));
    skintest::BmpSpec huge;
    huge.width = 20000;
    huge.height = 20000;
    huge.headerOnly = true;
    folder.Write("huge.bmp", skintest::MakeBmp(huge));

    struct Case {
        const char* layer;
        const char* expected;  // empty: loads
    };
    const Case cases[] = {
        {"bitmap = ok.bmp", ""},
        {"bitmap = \"sub\\\\in.bmp\"", ""},
        {"bitmap = ok.bmp; bitmap-part = 1 1 3 3", ""},
        {"bitmap = missing.bmp", "t.skn(1): missing.bmp: the file was not found ("},
        {"bitmap = \"nofolder\\\\x.bmp\"", "t.skn(1): nofolder\\x.bmp: the file was not found ("},
        {"bitmap = text.bmp", "t.skn(1): text.bmp: not a BMP or PNG file"},
        {"bitmap = huge.bmp", "t.skn(1): huge.bmp: the picture is 20000 x 20000 pixels"},
        {"bitmap = ok.bmp; bitmap-part = 2 2 3 3", "t.skn(1): image \"pic\": the bitmap part lies outside ok.bmp (4 x 4)"},
    };
    for (const Case& c : cases) {
        folder.Write("t.skn", SkinWithBitmap(c.layer));
        TSkin skin;
        std::string error = ErrorOf([&] { skin.LoadSkin(folder.Path("t.skn")); });
        if (*c.expected == 0) {
            EXPECT_EQ(error, "(no error)") << c.layer;
        } else {
            EXPECT_NE(error.find(c.expected), std::string::npos) << c.layer << " -> " << error;
            EXPECT_EQ(error.find("(error"), std::string::npos) << "said in words: " << error;
            EXPECT_FALSE(skin.IsLoaded());
        }
    }
}

TEST(SkinLoad, OneFileNamedInSeveralSpellingsIsDecodedOnce)
{
    skintest::TempFolder folder;
    skintest::BmpSpec spec;
    spec.width = 3;
    spec.height = 3;
    folder.Write("a.bmp", skintest::MakeBmp(spec));
    folder.Write("b.bmp", skintest::MakeBmp(spec));
    folder.Write("sub\\c.bmp", skintest::MakeBmp(spec));
    const char* names[] = {"a.bmp", "./a.bmp", "A.BMP", ".\\a.bmp", "b.bmp", "sub/c.bmp", "sub\\c.bmp", "SUB/./C.bmp"};
    std::string text;
    int i = 0;
    for (const char* name : names) {
        std::string quoted;
        for (const char* c = name; *c; ++c) quoted += *c == '\\' ? std::string("\\\\") : std::string(1, *c);
        text += "image p" + std::to_string(i++) + " { bitmap = \"" + quoted + "\" }\n";
    }
    folder.Write("t.skn", text + "window W { }\n");
    auto resources = LoadSkinFile(folder.Path("t.skn"));

    auto pixels = [&](const wchar_t* name) { return resources->Bitmap(name); };
    const SkinPixels* a = pixels(L"a.bmp");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->width, 3);
    EXPECT_EQ(pixels(L"./a.bmp"), a);
    EXPECT_EQ(pixels(L"A.BMP"), a);
    EXPECT_EQ(pixels(L".\\a.bmp"), a);
    const SkinPixels* b = pixels(L"b.bmp");
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b, a) << "another file with the same bytes is a picture of its own";
    const SkinPixels* c = pixels(L"sub/c.bmp");
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c, a);
    EXPECT_EQ(pixels(L"sub\\c.bmp"), c);
    EXPECT_EQ(pixels(L"SUB/./C.bmp"), c);
}

TEST(SkinLoad, SectionNamesFallBackWithoutPressedAndCheckedSuffixes)
{
    auto resources = LoadSkinText("image a { }\nimage a_checked { }\nwindow W { }", L"s.skn");
    const ImageDef* a = resources->Document().FindImage("a");
    const ImageDef* checked = resources->Document().FindImage("a_checked");
    EXPECT_EQ(resources->Section(L"a"), a);
    EXPECT_EQ(resources->Section(L"a_pressed"), a);
    EXPECT_EQ(resources->Section(L"a_checked"), checked);
    EXPECT_EQ(resources->Section(L"a_checked_pressed"), checked);
    EXPECT_EQ(resources->Section(L"a_pressed_checked"), a);
    EXPECT_EQ(resources->Section(L"_pressed"), nullptr);
    EXPECT_EQ(resources->Section(L"b_pressed"), nullptr);
}

}  // namespace
