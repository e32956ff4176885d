// The element helpers on skins loaded by the real skin engine, plus one fake
// element that fails at everything, for the paths where a broken skin must
// not stop the program.
#include "skin/TSkin.h"
#include "toolkit/Handles.h"
#include "toolkit/Window.h"
#include "ui/uKalvoraSkinHelper.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinTranslate.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

using skin::ISkinObject;

const char* const HelperSkin = R"(
image btn { fill = #00ff00 }
image _pressed { fill = #ff0000 }
image held_pressed { fill = #0000ff }
image toggle { fill = #cccccc }
image hdr { fill = #123456 }
window Kalvora {
  size = 400 300
  color = #102030
  button manual { rect = 10 10 60 30; text = "Manual"; normal = btn #102030; hover = _pressed #000000; down = held_pressed #ffffff 3 4 }
  static regular { rect = 70 10 120 30; text = "not a button" }
  button regular_on_check { rect = 10 40 60 60; normal = toggle #203040; hover = toggle; down = toggle }
  static background_on_check { rect = 70 40 120 60 }
  button help { rect = 130 10 180 30; text = "?"; normal = btn }
  static header { rect = 0 0 right 8; image = hdr 5 6 }
  static about_image { rect = 0 8 8 16 }
  static chart_backcolor { rect = 0 0 0 0; color = #112233 }
  static chart_forecolor { rect = 0 0 0 0 }
  static text_manual { rect = 0 0 10 10; text = "old" }
  static about_program_version { rect = 0 0 10 10 }
  static preset2_text { rect = 0 0 10 10 }
  static idlecpu_text { rect = 0 0 10 10 }
  static about_distributed { rect = 0 0 10 10 }
  static manual_activate { rect = 0 0 10 10; text = "static, not the button" }
  button presets_text { rect = 0 0 10 10; text = "button, not the static"; normal = btn }
  button switch_skin { rect = 0 0 10 10; normal = btn }
  panel page {
    rect = 200 100 380 280
    static chart { rect = 5 6 105 56 }
    static slide { rect = 0 0 10 10; animation manual_show { step = 0 3 -1 100; step = 0 7 -1 200 } }
    panel deeper {
      rect = 0 0 50 50
      static slide2 { rect = 0 0 10 10; animation manual_show { step = 4 0 -1 250; step = 9 0 -1 250 } }
      static other { rect = 0 0 10 10; animation critical_show { step = 5 5 -1 900 } }
    }
  }
}
)";

class SkinHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        skin_.LoadSkinFromText(HelperSkin, L"helpers.skn");
        root_ = skin_.GetRootObject()->FindObject(L"Kalvora");
        ASSERT_NE(root_, nullptr);
    }
    skin::ISkinButton& Button(const wchar_t* name)
    {
        auto* button = dynamic_cast<skin::ISkinButton*>(root_->FindObject(name));
        if (!button) throw std::runtime_error("no button in the test skin");
        return *button;
    }
    skin::ISkinStatic& Static(const wchar_t* name)
    {
        auto* element = dynamic_cast<skin::ISkinStatic*>(root_->FindObject(name));
        if (!element) throw std::runtime_error("no static in the test skin");
        return *element;
    }
    RECT RectOf(const wchar_t* name)
    {
        return dynamic_cast<skin::ISkinElement*>(root_->FindObject(name))->GetRect(root_);
    }

    skin::TSkin skin_;
    ISkinObject* root_ = nullptr;
};

skin::SkinColor Inverted(const skin::SkinColor& c)
{
    return skin::SkinColor{uint8_t(255 - c.b0), uint8_t(255 - c.b1), uint8_t(255 - c.b2)};
}

TEST_F(SkinHelpers, PressedLookAddsSuffixAndInvertsColourOnceAndReleaseUndoesIt)
{
    skin::ISkinButton& manual = Button(L"manual");
    skin::SkinButtonState before[3];
    for (int s = 1; s <= 3; ++s) before[s - 1] = manual.GetState(s);

    // State 1 "btn" is plain; state 2 is a section called "_pressed" (no
    // longer than the suffix, so plain as well); state 3 already looks pressed.
    struct Expect {
        const wchar_t* name;
        bool inverted;
    };
    const struct {
        const char* step;
        void (*action)(ISkinObject*, int32_t);
        Expect states[3];
    } steps[] = {
        {"press", PressButton, {{L"btn_pressed", true}, {L"_pressed_pressed", true}, {L"held_pressed", false}}},
        {"press again", PressButton, {{L"btn_pressed", true}, {L"_pressed_pressed", true}, {L"held_pressed", false}}},
        {"release", ReleaseButton, {{L"btn", false}, {L"_pressed", false}, {L"held", true}}},
        {"release again", ReleaseButton, {{L"btn", false}, {L"_pressed", false}, {L"held", true}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        step.action(root_, 103);
        for (int s = 1; s <= 3; ++s) {
            SCOPED_TRACE(s);
            const skin::SkinButtonState now = manual.GetState(s);
            EXPECT_EQ(now.Section.Name, step.states[s - 1].name);
            const skin::SkinColor want = step.states[s - 1].inverted ? Inverted(before[s - 1].Color) : before[s - 1].Color;
            EXPECT_TRUE(now.Color == want);
            EXPECT_EQ(now.Section.OffsetX, before[s - 1].Section.OffsetX);
            EXPECT_EQ(now.Section.OffsetY, before[s - 1].Section.OffsetY);
        }
    }
    EXPECT_EQ(before[2].Section.OffsetX, 3) << "the offsets pass through";
}

TEST_F(SkinHelpers, PressingNeedsAButtonButNotAnElement)
{
    // "regular" (104) is a static here: the caller must hear of it.
    EXPECT_THROW(PressButton(root_, 104), skin::SkinError);
    EXPECT_THROW(ReleaseButton(root_, 104), skin::SkinError);
    // No element, no name for the ID, no root: nothing happens.
    EXPECT_NO_THROW(PressButton(root_, 105));
    EXPECT_NO_THROW(PressButton(root_, 0));
    EXPECT_NO_THROW(PressButton(root_, 4242));
    EXPECT_NO_THROW(PressButton(nullptr, 103));
    EXPECT_NO_THROW(ReleaseButton(nullptr, 103));
    EXPECT_EQ(Button(L"manual").GetState(1).Section.Name, L"btn");
}

TEST_F(SkinHelpers, CheckedLookKeepsColourAndIgnoresEveryFailure)
{
    skin::ISkinButton& check = Button(L"regular_on_check");
    const skin::SkinColor colour = check.GetState(1).Color;
    CheckElement(root_, 805);
    CheckElement(root_, 805);
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(check.GetState(s).Section.Name, L"toggle_checked") << s;
    EXPECT_TRUE(check.GetState(1).Color == colour);
    UncheckElement(root_, 805);
    UncheckElement(root_, 805);
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(check.GetState(s).Section.Name, L"toggle") << s;

    // A static under a check name, a missing element, no root.
    EXPECT_NO_THROW(CheckElement(root_, 1301));
    EXPECT_NO_THROW(UncheckElement(root_, 1301));
    EXPECT_NO_THROW(CheckElement(root_, 905));
    EXPECT_NO_THROW(CheckElement(nullptr, 805));
}

TEST_F(SkinHelpers, TextsGoOnlyToElementsOfTheirKind)
{
    SetStaticText(root_, L"text_manual", L"new");
    EXPECT_EQ(Static(L"text_manual").GetText(), L"new");
    SetButtonText(root_, L"help", L"Help!");
    EXPECT_EQ(Button(L"help").GetText(), L"Help!");

    SetButtonText(root_, L"text_manual", L"wrong kind");
    SetStaticText(root_, L"help", L"wrong kind");
    EXPECT_EQ(Static(L"text_manual").GetText(), L"new");
    EXPECT_EQ(Button(L"help").GetText(), L"Help!");
    EXPECT_NO_THROW(SetStaticText(root_, L"missing", L"x"));
    EXPECT_NO_THROW(SetStaticText(nullptr, L"text_manual", L"x"));
}

TEST_F(SkinHelpers, ElementTextsFillTheSkin)
{
    ApplyElementTexts(root_);
    EXPECT_EQ(Button(L"help").GetText(), L"Help");
    EXPECT_EQ(Static(L"text_manual").GetText(), L"Manual Free-Up");
    // The test program carries the program's own version resource.
    EXPECT_EQ(Static(L"about_program_version").GetText(), L"Version 5");
    EXPECT_EQ(Static(L"preset2_text").GetText(), L"Preset 2:");
    EXPECT_EQ(Static(L"idlecpu_text").GetText(), L"Allowed CPU usage: %1%");
    EXPECT_EQ(Static(L"about_distributed").GetText(), DistributorCredit);
    EXPECT_EQ(Button(L"switch_skin").GetText(), L"Switch skin");
    // Elements of the other kind keep what the skin gave them.
    EXPECT_EQ(Static(L"manual_activate").GetText(), L"static, not the button");
    EXPECT_EQ(Button(L"presets_text").GetText(), L"button, not the static");
    EXPECT_NO_THROW(ApplyElementTexts(nullptr));
}

TEST(FillPlaceholder, ReplacesEveryPlaceholderOnce)
{
    const struct {
        const wchar_t* text;
        const wchar_t* value;
        const wchar_t* result;
    } cases[] = {
        {L"Preset %1:", L"1", L"Preset 1:"},
        {L"%1 and %1", L"x", L"x and x"},
        {L"Allowed CPU usage: %1%", L"15", L"Allowed CPU usage: 15%"},
        {L"no placeholder", L"x", L"no placeholder"},
        {L"%1", L"%1%1", L"%1%1"},
        {L"%1", L"", L""},
        {L"(%1)", L"C:\\a.skn", L"(C:\\a.skn)"},
    };
    for (const auto& c : cases) EXPECT_EQ(FillPlaceholder(c.text, c.value), c.result) << c.text;
}

TEST_F(SkinHelpers, ProductImagesRenameSectionsOnly)
{
    ApplyProductImages(root_);
    const skin::SkinImageSection header = Static(L"header").GetImageSection();
    EXPECT_EQ(header.Name, L"header_kalvora");
    EXPECT_EQ(header.OffsetX, 5);
    EXPECT_EQ(header.OffsetY, 6);
    EXPECT_EQ(Static(L"about_image").GetImageSection().Name, LogoImageSection);
    EXPECT_NO_THROW(ApplyProductImages(nullptr));
}

TEST_F(SkinHelpers, ElementColourOrFallback)
{
    const uint32_t fallback = 0x00ABCDEF;
    EXPECT_EQ(ReadElementColor(root_->FindObject(L"chart_backcolor"), fallback), 0x00332211u);
    EXPECT_EQ(ReadElementColor(root_->FindObject(L"chart_forecolor"), fallback), fallback) << "no colour";
    EXPECT_EQ(ReadElementColor(root_->FindObject(L"manual"), fallback), fallback) << "a button";
    EXPECT_EQ(ReadElementColor(nullptr, fallback), fallback);
}

TEST_F(SkinHelpers, LongestNamedAnimationPlaysEveryMatch)
{
    const RECT slide = RectOf(L"slide");
    const RECT slide2 = RectOf(L"slide2");
    const RECT other = RectOf(L"other");

    // 100 + 200 ms on one element, 250 + 250 ms on another further down.
    EXPECT_EQ(StartNamedAnimation(root_, L"manual_show"), 500);
    // Outside a window the engine takes an animation's end state at once, so
    // a played animation shows in the element's place.
    EXPECT_EQ(RectOf(L"slide").top, slide.top + 7);
    EXPECT_EQ(RectOf(L"slide2").left, slide2.left + 9);
    EXPECT_EQ(RectOf(L"other").left, other.left) << "another name does not play";

    EXPECT_EQ(StartNamedAnimation(root_, L"Manual_show"), 0);
    EXPECT_EQ(StartNamedAnimation(root_, L"missing"), 0);
    EXPECT_EQ(StartNamedAnimation(nullptr, L"manual_show"), 0);
    EXPECT_EQ(StartNamedAnimation(root_->FindObject(L"deeper"), L"manual_show"), 500);
    EXPECT_EQ(StartNamedAnimation(root_->FindObject(L"slide"), L"manual_show"), 300);
}

TEST_F(SkinHelpers, ControlLiesOverTheElementInItsWindow)
{
    // A real skinned window, as the main window has it.
    toolkit::Window host;
    toolkit::Window::CreateArgs args;
    args.className = "KalvoraPlaceTest";
    args.style = WS_POPUP;
    args.width = 400;
    args.height = 300;
    host.Create(args);
    skin_.ApplySkinWindow(host.Handle(), L"Kalvora");
    ISkinObject* windowRoot = skin_.GetWindowObject(host.Handle());

    toolkit::UniqueWindowHandle control(::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, host.Handle(),
                                                          nullptr, ::GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(control);
    PlaceOverElement(control.Get(), windowRoot, L"chart");
    RECT placed{};
    ::GetWindowRect(control.Get(), &placed);
    ::MapWindowPoints(HWND_DESKTOP, host.Handle(), reinterpret_cast<POINT*>(&placed), 2);
    // "chart" lies at 5, 6 inside a panel at 200, 100.
    EXPECT_EQ(placed.left, 205);
    EXPECT_EQ(placed.top, 106);
    EXPECT_EQ(placed.right - placed.left, 100);
    EXPECT_EQ(placed.bottom - placed.top, 50);

    EXPECT_THROW(PlaceOverElement(control.Get(), windowRoot, L"no_chart"), skin::SkinError);
    EXPECT_THROW(PlaceOverElement(control.Get(), nullptr, L"chart"), toolkit::Error);
    control.Reset();
    skin_.RemoveSkin(host.Handle());
}

// An element whose every operation fails, as a broken skin's might.
class FailingElement : public skin::ISkinElement,
                       public skin::ISkinButton,
                       public skin::ISkinStatic,
                       public skin::ISkinAnimations {
public:
    explicit FailingElement(std::wstring name) : name_(std::move(name)) {}
    std::wstring Name() const override { return name_; }
    int ChildCount() const override { return 0; }
    ISkinObject* GetChild(int) const override { Fail(); }
    ISkinObject* FindObject(const std::wstring&) const override { return nullptr; }
    void Refresh() override { Fail(); }
    RECT GetRect(ISkinObject*) const override { Fail(); }
    skin::SkinButtonState GetState(int) const override { Fail(); }
    void SetState(int, const skin::SkinButtonState&) override { Fail(); }
    void SetText(const std::wstring&) override { Fail(); }
    std::wstring GetText() const override { Fail(); }
    skin::SkinImageSection GetImageSection() const override { Fail(); }
    void SetImageSection(const skin::SkinImageSection&) override { Fail(); }
    skin::SkinColor GetColor() const override { Fail(); }
    int AnimationCount() const override { Fail(); }
    std::wstring AnimationName(int) const override { Fail(); }
    int StepCount(int) const override { Fail(); }
    skin::SkinAnimationStep GetStep(int, int) const override { Fail(); }
    void Play(int) override { Fail(); }

private:
    [[noreturn]] static void Fail() { throw skin::SkinError("broken element"); }
    std::wstring name_;
};

// A root that answers some names with failing elements and finds every other
// name in a real skin.
class RootWithFailures : public ISkinObject {
public:
    RootWithFailures(ISkinObject& real, std::initializer_list<const wchar_t*> failing) : real_(real)
    {
        for (const wchar_t* name : failing) failing_[name] = std::make_unique<FailingElement>(name);
    }
    std::wstring Name() const override { return real_.Name(); }
    int ChildCount() const override { return real_.ChildCount(); }
    ISkinObject* GetChild(int index) const override { return real_.GetChild(index); }
    ISkinObject* FindObject(const std::wstring& name) const override
    {
        auto found = failing_.find(name);
        return found != failing_.end() ? found->second.get() : real_.FindObject(name);
    }

private:
    ISkinObject& real_;
    std::map<std::wstring, std::unique_ptr<FailingElement>> failing_;
};

TEST_F(SkinHelpers, AFailingElementStopsNoOtherText)
{
    RootWithFailures root(*root_, {L"help", L"text_manual", L"header", L"regular_on_check", L"chart_backcolor"});
    EXPECT_NO_THROW(ApplyElementTexts(&root));
    EXPECT_EQ(Static(L"preset2_text").GetText(), L"Preset 2:") << "texts after the failing ones";
    EXPECT_EQ(Button(L"switch_skin").GetText(), L"Switch skin");

    EXPECT_NO_THROW(ApplyProductImages(&root));
    EXPECT_EQ(Static(L"about_image").GetImageSection().Name, LogoImageSection);
    EXPECT_NO_THROW(CheckElement(&root, 805));
    EXPECT_NO_THROW(UncheckElement(&root, 805));
    EXPECT_EQ(ReadElementColor(root.FindObject(L"chart_backcolor"), 7u), 7u);
}

TEST_F(SkinHelpers, PressedLookPassesFailuresOn)
{
    RootWithFailures root(*root_, {L"manual"});
    EXPECT_THROW(PressButton(&root, 103), skin::SkinError);
    EXPECT_THROW(ReleaseButton(&root, 103), skin::SkinError);
    FailingElement broken(L"page");
    EXPECT_THROW(StartNamedAnimation(&broken, L"manual_show"), skin::SkinError) << "skin errors of animations too";
}

}  // namespace
