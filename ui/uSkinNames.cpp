#include "ui/uSkinNames.h"

const std::array<TSkinID, 95> SkinNames = {{
    // The skin window laid over the main window.
    {L"Kalvora", 1},
    // General
    {L"chart", 101},
    {L"StatusStatic", 102},
    {L"manual", 103},
    {L"regular", 104},
    {L"critical", 105},
    {L"monitor", 106},
    {L"startup", 107},
    {L"about", 108},
    {L"help", 109},
    {L"contexthelp", 110},
    {L"close", 111},
    {L"header", 112},
    {L"misc", 113},
    {L"tab_close", 114},
    // Page animations (names of animations, not of elements)
    {L"manual_hide", 201},
    {L"critical_hide", 202},
    {L"regular_hide", 203},
    {L"startup_hide", 204},
    {L"monitor_hide", 205},
    {L"about_hide", 206},
    {L"manual_show", 207},
    {L"critical_show", 208},
    {L"regular_show", 209},
    {L"startup_show", 210},
    {L"monitor_show", 211},
    {L"about_show", 212},
    {L"misc_show", 213},
    {L"misc_hide", 214},
    {L"idle_show", 215},
    {L"idle_hide", 216},
    // Manual page
    {L"manual_scroll", 301},
    {L"manual_amount", 302},
    {L"manual_activate", 303},
    // Chart colours
    {L"chart_backcolor", 401},
    {L"chart_forecolor", 402},
    {L"chart_cpucolor", 403},
    {L"chart_linecolor", 404},
    {L"chart_fontcolor", 405},
    {L"chart_line2color", 406},
    {L"switch_skin", 501},
    // Presets
    {L"preset1", 601},
    {L"preset2", 602},
    {L"preset3", 603},
    {L"set_preset1", 604},
    {L"set_preset2", 605},
    {L"set_preset3", 606},
    {L"set_hotkey1", 607},
    {L"set_hotkey2", 608},
    {L"set_hotkey3", 609},
    {L"set_value1", 610},
    {L"set_value2", 611},
    {L"set_value3", 612},
    {L"preset1_text", 613},
    {L"preset2_text", 614},
    {L"preset3_text", 615},
    // Monitor refresh
    {L"intervall_scroll", 701},
    {L"intervall_amount", 702},
    // Regular page
    {L"regular_scroll", 801},
    {L"regular_adjust_scroll", 802},
    {L"regular_amount", 803},
    {L"regular_adjust", 804},
    {L"regular_on_check", 805},
    {L"next_regular_text", 806},
    // Critical page
    {L"critical_scroll", 901},
    {L"critical_amount", 902},
    {L"critical_adjust_scroll", 903},
    {L"critical_adjust", 904},
    {L"critical_on_check", 905},
    // Start-up page
    {L"startup_scroll", 1001},
    {L"startup_amount", 1002},
    {L"startup_adjust_scroll", 1003},
    {L"startup_adjust", 1004},
    {L"startup_on_check", 1005},
    // Tray icons
    {L"memory_tray_icon_off", 1101},
    {L"memory_tray_icon_bar", 1102},
    {L"memory_tray_icon_chart", 1103},
    {L"memory_tray_icon_number", 1104},
    {L"cpu_tray_icon_off", 1105},
    {L"cpu_tray_icon_bar", 1106},
    {L"cpu_tray_icon_chart", 1107},
    {L"cpu_tray_icon_number", 1108},
    {L"enforce_tray_icon_check", 1109},
    // About page
    {L"about_image", 1201},
    {L"about_program_name", 1202},
    {L"about_program_version", 1203},
    {L"about_close", 1204},
    // Other options
    {L"background_on_check", 1301},
    {L"default_settings", 1302},
    // Idle options
    {L"idlecpu_scroll", 1401},
    {L"idletime_scroll", 1402},
    {L"idlecpu_text", 1403},
    {L"idletime_text", 1404},
    {L"idleforce_check", 1405},
    // End of the table.
    {L"", 0},
}};

int32_t SkinNameToID(std::wstring_view name)
{
    for (const TSkinID& row : SkinNames)
        if (row.Name == name) return row.ID;
    return 0;
}

std::wstring SkinIDToName(int32_t id)
{
    for (const TSkinID& row : SkinNames)
        if (row.ID == id) return std::wstring(row.Name);
    return std::wstring();
}
