// The skins that ship with the program (default and dark) hold every element
// the program uses, each of the kind the program treats it as, and take every
// text the program writes.
#include "settings/uProgramFiles.h"
#include "skin/SkinResources.h"
#include "skin/TSkin.h"
#include "toolkit/WideText.h"
#include "ui/uKalvoraSkinHelper.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinNames.h"
#include "ui/uSkinTranslate.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using skin::ISkinObject;

enum class Kind {
    Window,     // the skin window of the main window
    Element,    // clicked or placed over: any element with a place
    Button,     // pressed or checked look, or a button text
    Static,     // a text or an image
    Colour,     // a static with a colour (chart colours)
    ScrollBar,  // a setting's scroll bar
    Animation,  // an animation name somewhere in the window
};

struct Expected {
    const wchar_t* name;
    Kind kind;
    const wchar_t* text = nullptr;  // what ApplyElementTexts writes, if anything
};

const wchar_t* const Amount = L"Amount of memory to free-up:";

const Expected Names[] = {
    {L"Kalvora", Kind::Window},
    // Window furniture and page buttons
    {L"chart", Kind::Element},
    {L"StatusStatic", Kind::Static},
    {L"manual", Kind::Button},
    {L"regular", Kind::Button},
    {L"critical", Kind::Button},
    {L"monitor", Kind::Button},
    {L"startup", Kind::Button},
    {L"misc", Kind::Button},
    {L"about", Kind::Button, L"About"},
    {L"help", Kind::Button, L"Help"},
    {L"contexthelp", Kind::Element},
    {L"close", Kind::Element},
    {L"header", Kind::Static},
    {L"tab_close", Kind::Element},
    // Page animations
    {L"manual_hide", Kind::Animation},
    {L"critical_hide", Kind::Animation},
    {L"regular_hide", Kind::Animation},
    {L"startup_hide", Kind::Animation},
    {L"monitor_hide", Kind::Animation},
    {L"about_hide", Kind::Animation},
    {L"manual_show", Kind::Animation},
    {L"critical_show", Kind::Animation},
    {L"regular_show", Kind::Animation},
    {L"startup_show", Kind::Animation},
    {L"monitor_show", Kind::Animation},
    {L"about_show", Kind::Animation},
    {L"misc_show", Kind::Animation},
    {L"misc_hide", Kind::Animation},
    {L"idle_show", Kind::Animation},
    {L"idle_hide", Kind::Animation},
    // Manual page and presets
    {L"manual_scroll", Kind::ScrollBar},
    {L"manual_amount", Kind::Static},
    {L"manual_activate", Kind::Button, L"Free-Up"},
    {L"preset1", Kind::Static},
    {L"preset2", Kind::Static},
    {L"preset3", Kind::Static},
    {L"set_preset1", Kind::Button, L"set"},
    {L"set_preset2", Kind::Button, L"set"},
    {L"set_preset3", Kind::Button, L"set"},
    {L"set_hotkey1", Kind::Button, L"hotkey..."},
    {L"set_hotkey2", Kind::Button, L"hotkey..."},
    {L"set_hotkey3", Kind::Button, L"hotkey..."},
    {L"set_value1", Kind::Button},
    {L"set_value2", Kind::Button},
    {L"set_value3", Kind::Button},
    {L"preset1_text", Kind::Static, L"Preset 1:"},
    {L"preset2_text", Kind::Static, L"Preset 2:"},
    {L"preset3_text", Kind::Static, L"Preset 3:"},
    // Chart colours
    {L"chart_backcolor", Kind::Colour},
    {L"chart_forecolor", Kind::Colour},
    {L"chart_cpucolor", Kind::Colour},
    {L"chart_linecolor", Kind::Colour},
    {L"chart_fontcolor", Kind::Colour},
    {L"chart_line2color", Kind::Colour},
    {L"switch_skin", Kind::Button, L"Switch skin"},
    // Monitor page
    {L"intervall_scroll", Kind::ScrollBar},
    {L"intervall_amount", Kind::Static},
    {L"memory_tray_icon_off", Kind::Button, L"Off"},
    {L"memory_tray_icon_bar", Kind::Button, L"Bar"},
    {L"memory_tray_icon_chart", Kind::Button, L"Chart"},
    {L"memory_tray_icon_number", Kind::Button, L"Number"},
    {L"cpu_tray_icon_off", Kind::Button, L"Off"},
    {L"cpu_tray_icon_bar", Kind::Button, L"Bar"},
    {L"cpu_tray_icon_chart", Kind::Button, L"Chart"},
    {L"cpu_tray_icon_number", Kind::Button, L"Number"},
    {L"enforce_tray_icon_check", Kind::Button},
    // Regular, critical and start-up pages
    {L"regular_scroll", Kind::ScrollBar},
    {L"regular_adjust_scroll", Kind::ScrollBar},
    {L"regular_amount", Kind::Static},
    {L"regular_adjust", Kind::Static},
    {L"regular_on_check", Kind::Button},
    {L"next_regular_text", Kind::Static},
    {L"critical_scroll", Kind::ScrollBar},
    {L"critical_amount", Kind::Static},
    {L"critical_adjust_scroll", Kind::ScrollBar},
    {L"critical_adjust", Kind::Static},
    {L"critical_on_check", Kind::Button},
    {L"startup_scroll", Kind::ScrollBar},
    {L"startup_amount", Kind::Static},
    {L"startup_adjust_scroll", Kind::ScrollBar},
    {L"startup_adjust", Kind::Static},
    {L"startup_on_check", Kind::Button},
    // About page and other options
    {L"about_image", Kind::Static},
    {L"about_program_name", Kind::Static, L"Kalvora Professional"},
    {L"about_program_version", Kind::Static, L"Version 5"},
    {L"about_close", Kind::Element},
    {L"background_on_check", Kind::Button},
    {L"default_settings", Kind::Button, L"Restore default settings"},
    // Idle options
    {L"idlecpu_scroll", Kind::ScrollBar},
    {L"idletime_scroll", Kind::ScrollBar},
    {L"idlecpu_text", Kind::Static, L"Allowed CPU usage: %1%"},
    {L"idletime_text", Kind::Static, L"Idle search time: %1 s"},
    {L"idleforce_check", Kind::Button},
    // Elements that only receive a text
    {L"text_manual", Kind::Static, L"Manual Free-Up"},
    {L"text_regular", Kind::Static, L"Regular Activity"},
    {L"text_critical", Kind::Static, L"Critical Activity"},
    {L"text_monitor", Kind::Static, L"Monitor Options"},
    {L"text_startup", Kind::Static, L"Startup Activity"},
    {L"text_misc", Kind::Static, L"Other Options"},
    {L"manual_amount_text", Kind::Static, Amount},
    {L"presets_text", Kind::Static, L"Presets"},
    {L"regular_amount_text", Kind::Static, Amount},
    {L"regular_adjust_text", Kind::Static, L"Interval for regular free up:"},
    {L"critical_amount_text", Kind::Static, Amount},
    {L"critical_adjust_text", Kind::Static, L"Memory usage that triggers the critical free up:"},
    {L"startup_amount_text", Kind::Static, Amount},
    {L"startup_adjust_text", Kind::Static, L"Waiting time adjustment:"},
    {L"startup_on_text", Kind::Static, L"Start Kalvora Professional automatically with Windows"},
    {L"regular_on_text", Kind::Static, L"Do regular free-ups"},
    {L"critical_on_text", Kind::Static, L"Do critical free-ups"},
    {L"enforce_tray_icon_text", Kind::Static, L"Always show program icon"},
    {L"intervall_amount_text", Kind::Static, L"Monitor refresh time:"},
    {L"memory_tray_icon_text", Kind::Static, L"Memory tray-icon:"},
    {L"cpu_tray_icon_text", Kind::Static, L"CPU tray-icon:"},
    {L"about_distributed", Kind::Static, DistributorCredit},
    {L"idle_text", Kind::Static, L"Idle Options"},
    {L"idleforce_text", Kind::Static, L"Enforce free-up"},
    {L"background_on_text", Kind::Static, L"Allow background activity"},
    {L"default_settings_text", Kind::Static, L"Click here to adjust all settings automatically to your computer."},
    {L"switch_skin_text", Kind::Static, L"Click here if you want to switch the used Skin."},
};

std::wstring SkinPath(const char* file)
{
    return toolkit::WideFromAnsi(ProgramFolder() + file);
}

// Whether element or anything below it has an animation of that name.
bool HasAnimation(ISkinObject& element, const std::wstring& name)
{
    if (auto* animations = dynamic_cast<skin::ISkinAnimations*>(&element)) {
        for (int i = 0; i < animations->AnimationCount(); ++i)
            if (animations->AnimationName(i) == name) return true;
    }
    for (int i = 0; i < element.ChildCount(); ++i)
        if (HasAnimation(*element.GetChild(i), name)) return true;
    return false;
}

// Both skins that ship beside the program: the default and the dark one.
class ShippedSkin : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_NO_THROW(skin_.LoadSkin(SkinPath(GetParam()))) << GetParam() << " beside the test program";
        window_ = skin_.GetRootObject()->FindObject(SkinIDToName(1));
        ASSERT_NE(window_, nullptr) << "no skin window \"Kalvora\"";
    }

    skin::TSkin skin_;
    ISkinObject* window_ = nullptr;
};

TEST_P(ShippedSkin, EveryNameThatTheProgramUsesIsThereWithItsKind)
{
    for (const Expected& e : Names) {
        SCOPED_TRACE(toolkit::AnsiFromWide(e.name));
        if (e.kind == Kind::Window) {
            EXPECT_NE(dynamic_cast<skin::ISkinWindow*>(window_), nullptr);
            continue;
        }
        if (e.kind == Kind::Animation) {
            EXPECT_TRUE(HasAnimation(*window_, e.name));
            continue;
        }
        ISkinObject* element = window_->FindObject(e.name);
        ASSERT_NE(element, nullptr);
        EXPECT_NE(dynamic_cast<skin::ISkinElement*>(element), nullptr);
        switch (e.kind) {
        case Kind::Button: EXPECT_NE(dynamic_cast<skin::ISkinButton*>(element), nullptr); break;
        case Kind::Static: EXPECT_NE(dynamic_cast<skin::ISkinStatic*>(element), nullptr); break;
        case Kind::ScrollBar: EXPECT_NE(dynamic_cast<skin::ISkinScrollBar*>(element), nullptr); break;
        case Kind::Colour: {
            // Two different fallbacks: a colour read from the skin ignores both.
            EXPECT_EQ(ReadElementColor(element, 0x01000000), ReadElementColor(element, 0x02000000));
            break;
        }
        default: break;
        }
    }
}

TEST_P(ShippedSkin, TheNameTableAndTheExpectationsCoverEachOther)
{
    std::set<std::wstring> expected;
    for (const Expected& e : Names) EXPECT_TRUE(expected.insert(e.name).second) << toolkit::AnsiFromWide(e.name);
    for (const TSkinID& row : SkinNames) {
        if (row.ID == 0) continue;
        EXPECT_EQ(expected.count(std::wstring(row.Name)), 1u) << toolkit::AnsiFromWide(std::wstring(row.Name));
    }
}

TEST_P(ShippedSkin, TakesEveryTextAndTheProductImages)
{
    ApplyElementTexts(window_);
    for (const Expected& e : Names) {
        if (!e.text) continue;
        SCOPED_TRACE(toolkit::AnsiFromWide(e.name));
        ISkinObject* element = window_->FindObject(e.name);
        ASSERT_NE(element, nullptr);
        if (auto* button = dynamic_cast<skin::ISkinButton*>(element))
            EXPECT_EQ(button->GetText(), e.text);
        else if (auto* text = dynamic_cast<skin::ISkinStatic*>(element))
            EXPECT_EQ(text->GetText(), e.text);
        else
            ADD_FAILURE() << "neither button nor static";
    }

    // The sections the program asks for are pictures of the skin.
    auto resources = skin::LoadSkinFile(SkinPath(GetParam()));
    EXPECT_NE(resources->Section(HeaderImageSection), nullptr);
    EXPECT_NE(resources->Section(LogoImageSection), nullptr);
    ApplyProductImages(window_);
    EXPECT_EQ(dynamic_cast<skin::ISkinStatic*>(window_->FindObject(L"header"))->GetImageSection().Name,
              HeaderImageSection);
    EXPECT_EQ(dynamic_cast<skin::ISkinStatic*>(window_->FindObject(L"about_image"))->GetImageSection().Name,
              LogoImageSection);
}

INSTANTIATE_TEST_SUITE_P(BesideTheProgram, ShippedSkin, ::testing::Values("default.skn", "dark.skn"));

}  // namespace
