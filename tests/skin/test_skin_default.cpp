// The default skin as shipped beside the program: it loads, its pressed and
// checked looks exist for every button that gets them and read well, its
// pages animate in and out, every element lies inside its parent, and it
// skins a real window.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "skin/SkinResources.h"
#include "skin/TSkin.h"
#include "tests/skin/SkinTestFiles.h"
#include "toolkit/Window.h"

namespace {

using namespace skin;

std::wstring DefaultSkin()
{
    return skintest::ProgramFolder() + L"default.skn";
}

const wchar_t* const kPageButtons[] = {L"manual", L"regular", L"critical", L"startup", L"monitor", L"misc"};
const wchar_t* const kChoices[] = {L"memory_tray_icon_off", L"memory_tray_icon_bar", L"memory_tray_icon_chart", L"memory_tray_icon_number",
                                   L"cpu_tray_icon_off",    L"cpu_tray_icon_bar",    L"cpu_tray_icon_chart",    L"cpu_tray_icon_number"};
const wchar_t* const kChecks[] = {L"regular_on_check",        L"critical_on_check",   L"startup_on_check",
                                  L"enforce_tray_icon_check", L"background_on_check", L"idleforce_check"};

class DefaultSkin_ : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources_ = LoadSkinFile(DefaultSkin());
        skin_.LoadSkin(DefaultSkin());
        main_ = skin_.GetRootObject()->FindObject(L"Kalvora");
        ASSERT_NE(main_, nullptr);
    }

    std::shared_ptr<const SkinResources> resources_;
    TSkin skin_;
    ISkinObject* main_ = nullptr;
};

// WCAG contrast ratio of two colours.
double Luminance(const SkinRgba& c)
{
    auto channel = [](uint8_t v) {
        double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}
double Contrast(const SkinRgba& a, const SkinRgba& b)
{
    double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(DefaultSkin_, HasTheMainWindowAndADefaultWindowForDialogs)
{
    EXPECT_NE(dynamic_cast<ISkinElement*>(main_->FindObject(L"chart")), nullptr);
    EXPECT_NE(dynamic_cast<ISkinStatic*>(main_->FindObject(L"StatusStatic")), nullptr);
    const ElementDef* dialog = resources_->Document().DefaultWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(dialog->name, L"Kalvora");
    EXPECT_FALSE(dialog->frameNone) << "dialogs keep their own frame and layout";
}

TEST_F(DefaultSkin_, PressedAndCheckedLooksAreDrawnFromTheirOwnPictures)
{
    auto looks = [&](const wchar_t* name, const wchar_t* suffix) {
        auto* button = dynamic_cast<ISkinButton*>(main_->FindObject(name));
        ASSERT_NE(button, nullptr) << name;
        for (int state = 1; state <= 3; ++state) {
            const std::wstring section = button->GetState(state).Section.Name + suffix;
            const ImageDef* image = resources_->Section(section);
            ASSERT_NE(image, nullptr) << section.c_str();
            EXPECT_EQ(std::wstring(image->name.begin(), image->name.end()), section) << "no fallback for " << section.c_str();
        }
    };
    for (const wchar_t* name : kPageButtons) looks(name, L"_pressed");
    for (const wchar_t* name : kChoices) looks(name, L"_pressed");
    for (const wchar_t* name : kChecks) looks(name, L"_checked");
}

TEST_F(DefaultSkin_, PressedTextReadsWellOnThePressedPicture)
{
    // The pressed look inverts the caption colour; it must stay readable.
    for (const wchar_t* name : kPageButtons) {
        auto* button = dynamic_cast<ISkinButton*>(main_->FindObject(name));
        for (int state = 1; state <= 3; ++state) {
            SkinButtonState s = button->GetState(state);
            SkinRgba inverted{uint8_t(255 - s.Color.b2), uint8_t(255 - s.Color.b1), uint8_t(255 - s.Color.b0), 255};
            const ImageDef* image = resources_->Section(s.Section.Name + L"_pressed");
            ASSERT_TRUE(image && !image->layers.empty() && image->layers[0].hasFill);
            EXPECT_GE(Contrast(inverted, image->layers[0].fill), 4.5) << image->name;
        }
    }
}

TEST_F(DefaultSkin_, EveryPageAnimatesInAndOut)
{
    const wchar_t* const pages[] = {L"manual", L"regular", L"critical", L"startup", L"monitor", L"about", L"misc", L"idle"};
    auto has = [&](const std::wstring& animation) {
        std::vector<ISkinObject*> pending{main_};
        while (!pending.empty()) {
            ISkinObject* o = pending.back();
            pending.pop_back();
            auto* a = dynamic_cast<ISkinAnimations*>(o);
            for (int i = 0; a && i < a->AnimationCount(); ++i)
                if (a->AnimationName(i) == animation) return true;
            for (int i = 0; i < o->ChildCount(); ++i) pending.push_back(o->GetChild(i));
        }
        return false;
    };
    for (const wchar_t* page : pages) {
        EXPECT_TRUE(has(std::wstring(page) + L"_show")) << page;
        EXPECT_TRUE(has(std::wstring(page) + L"_hide")) << page;
    }
}

TEST_F(DefaultSkin_, EveryShownElementLiesInsideItsParent)
{
    std::vector<std::pair<ISkinObject*, RECT>> pending{{main_, RECT{0, 0, 720, 480}}};
    while (!pending.empty()) {
        auto [object, parent] = pending.back();
        pending.pop_back();
        for (int i = 0; i < object->ChildCount(); ++i) {
            ISkinObject* child = object->GetChild(i);
            RECT r = dynamic_cast<ISkinElement*>(child)->GetRect(main_);
            if (r.right - r.left <= 0) continue;  // the colour holders
            EXPECT_TRUE(r.left >= parent.left && r.top >= parent.top && r.right <= parent.right && r.bottom <= parent.bottom)
                << std::string(child->Name().begin(), child->Name().end()) << " " << r.left << "," << r.top << "," << r.right << ","
                << r.bottom;
            pending.emplace_back(child, r);
        }
    }
}

TEST_F(DefaultSkin_, ChartColoursAreGivenInBothWindows)
{
    for (ISkinObject* window : {main_, skin_.GetRootObject()->GetChild(1)}) {
        for (const wchar_t* name : {L"chart_backcolor", L"chart_forecolor", L"chart_cpucolor", L"chart_linecolor", L"chart_line2color",
                                    L"chart_fontcolor"}) {
            auto* s = dynamic_cast<ISkinStatic*>(window->FindObject(name));
            ASSERT_NE(s, nullptr) << name;
            EXPECT_NO_THROW(s->GetColor()) << name;
        }
    }
    EXPECT_NO_THROW(dynamic_cast<ISkinWindow*>(skin_.GetRootObject()->GetChild(1))->GetColor());
}

TEST_F(DefaultSkin_, SkinsARealWindowAtItsSize)
{
    class Host : public toolkit::Window {
    public:
        Host()
        {
            CreateArgs args;
            args.className = "KalvoraDefaultSkinHost";
            args.style = WS_CAPTION | WS_SYSMENU;
            args.width = 520;
            args.height = 340;
            Create(args);
        }
    } host;
    skin_.ApplySkinWindow(host.Handle(), L"Kalvora");
    RECT client{};
    ::GetClientRect(host.Handle(), &client);
    EXPECT_EQ(client.right, 720);
    EXPECT_EQ(client.bottom, 480);
    ISkinObject* root = skin_.GetWindowObject(host.Handle());
    RECT chart = dynamic_cast<ISkinElement*>(root->FindObject(L"chart"))->GetRect(root);
    EXPECT_GT(chart.right - chart.left, 300);
    EXPECT_GT(chart.bottom - chart.top, 100);
    skin_.RemoveSkin(host.Handle());
}

}  // namespace
