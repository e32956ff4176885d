#include "ui/uSkinTranslate.h"

#include "toolkit/ReplaceAll.h"

#include <vector>

#include "help/uVersionInfo.h"
#include "toolkit/WideText.h"
#include "ui/uSkinHelper.h"

std::vector<TElementText> ElementTextTable()
{
    const std::wstring amount = L"Amount of memory to free-up:";
    const std::wstring version = FillPlaceholder(L"Version %1", toolkit::WideFromAnsi(ProgramVersionText()));
    return {
        {L"help", true, L"Help"},
        {L"text_manual", false, L"Manual Free-Up"},
        {L"text_regular", false, L"Regular Activity"},
        {L"text_critical", false, L"Critical Activity"},
        {L"about", true, L"About"},
        {L"text_monitor", false, L"Monitor Options"},
        {L"text_startup", false, L"Startup Activity"},
        {L"text_misc", false, L"Other Options"},
        {L"manual_amount_text", false, amount},
        {L"manual_activate", true, L"Free-Up"},
        {L"set_preset1", true, L"set"},
        {L"set_preset2", true, L"set"},
        {L"set_preset3", true, L"set"},
        {L"presets_text", false, L"Presets"},
        {L"set_hotkey1", true, L"hotkey..."},
        {L"set_hotkey2", true, L"hotkey..."},
        {L"set_hotkey3", true, L"hotkey..."},
        {L"regular_amount_text", false, amount},
        {L"regular_adjust_text", false, L"Interval for regular free up:"},
        {L"critical_amount_text", false, amount},
        {L"critical_adjust_text", false, L"Memory usage that triggers the critical free up:"},
        {L"startup_amount_text", false, amount},
        {L"startup_adjust_text", false, L"Waiting time adjustment:"},
        {L"startup_on_text", false, L"Start Kalvora Professional automatically with Windows"},
        {L"regular_on_text", false, L"Do regular free-ups"},
        {L"critical_on_text", false, L"Do critical free-ups"},
        {L"enforce_tray_icon_text", false, L"Always show program icon"},
        {L"intervall_amount_text", false, L"Monitor refresh time:"},
        {L"memory_tray_icon_text", false, L"Memory tray-icon:"},
        {L"cpu_tray_icon_text", false, L"CPU tray-icon:"},
        {L"memory_tray_icon_off", true, L"Off"},
        {L"cpu_tray_icon_off", true, L"Off"},
        {L"memory_tray_icon_chart", true, L"Chart"},
        {L"cpu_tray_icon_chart", true, L"Chart"},
        {L"memory_tray_icon_bar", true, L"Bar"},
        {L"cpu_tray_icon_bar", true, L"Bar"},
        {L"memory_tray_icon_number", true, L"Number"},
        {L"cpu_tray_icon_number", true, L"Number"},
        {L"about_program_name", false, L"Kalvora Professional"},
        {L"about_program_version", false, version},
        {L"preset1_text", false, FillPlaceholder(L"Preset %1:", L"1")},
        {L"preset2_text", false, FillPlaceholder(L"Preset %1:", L"2")},
        {L"preset3_text", false, FillPlaceholder(L"Preset %1:", L"3")},
        {L"about_distributed", false, DistributorCredit},
        {L"idle_text", false, L"Idle Options"},
        {L"idlecpu_text", false, IdleCpuTextTemplate},
        {L"idleforce_text", false, L"Enforce free-up"},
        {L"idletime_text", false, IdleTimeTextTemplate},
        {L"background_on_text", false, L"Allow background activity"},
        {L"default_settings_text", false, L"Click here to adjust all settings automatically to your computer."},
        {L"default_settings", true, L"Restore default settings"},
        {L"switch_skin_text", false, L"Click here if you want to switch the used Skin."},
        {L"switch_skin", true, L"Switch skin"},
    };
}

std::wstring FillPlaceholder(std::wstring text, const std::wstring& value)
{
    return toolkit::ReplaceAll<wchar_t>(std::move(text), L"%1", value);
}

void ApplyElementTexts(skin::ISkinObject* root)
{
    if (!root) return;
    for (const TElementText& entry : ElementTextTable()) {
        if (entry.Button)
            SetButtonText(root, entry.Element, entry.Text);
        else
            SetStaticText(root, entry.Element, entry.Text);
    }
}
