// The engine's tray menu, its icons and the status they show.
#include "engine/fEngineForm.h"

#include "engine/uFreeThread.h"
#include "engine/uSizeText.h"
#include "freeandrun/fFARLaunch.h"
#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/Application.h"
#include "toolkit/ReplaceAll.h"
#include "ui/fMainForm.h"

void TfrmEngine::BuildIconMenu()
{
    toolkit::PopupMenu& menu = IconMenu_;
    menu.AddItem(cmdShowKalvora, "Show Kalvora");
    menu.SetDefault(cmdShowKalvora);
    menu.AddSeparator();
    FreeandRun1 = &menu.AddSubmenu(cmdFreeAndRun, "Free and Run");
    FreeandRun1->AddItem(cmdEditEntries, "Edit Entries");
    menu.AddSeparator();
    menu.AddItem(cmdBackgroundActivity, "Background activity");
    menu.AddSeparator();
    menu.AddItem(cmdStatus, "Status");
    toolkit::PopupMenu& memory = menu.AddSubmenu(cmdMemoryMonitor, "Memory Monitor");
    memory.AddItem(cmdMemoryChart, "Chart");
    memory.AddItem(cmdMemoryNumber, "Numeric");
    memory.AddItem(cmdMemoryBar, "Bar");
    memory.AddItem(cmdMemoryOff, "Off");
    toolkit::PopupMenu& cpu = menu.AddSubmenu(cmdCpuMonitor, "CPU Monitor");
    cpu.AddItem(cmdCpuChart, "Chart");
    cpu.AddItem(cmdCpuNumber, "Numeric");
    cpu.AddItem(cmdCpuBar, "Bar");
    cpu.AddItem(cmdCpuOff, "Off");
    menu.AddSeparator();
    menu.AddItem(cmdFreeUp1, "Free up 1");
    menu.AddItem(cmdFreeUp2, "Free up 2");
    menu.AddItem(cmdFreeUp3, "Free up 3");
    menu.AddSeparator();
    menu.AddItem(cmdExit, "&Exit");
}

void TfrmEngine::SetMenuCaptions()
{
    toolkit::PopupMenu& menu = IconMenu_;
    menu.SetCaption(cmdShowKalvora, "&Show Kalvora Professional");
    menu.SetCaption(cmdEditEntries, "Manage entries...");
    menu.SetCaption(cmdStatus, "S&tatus");
    menu.SetCaption(cmdMemoryMonitor, "&Memory Monitor");
    menu.SetCaption(cmdMemoryNumber, "Number");
    menu.SetCaption(cmdCpuMonitor, "&CPU Monitor");
    menu.SetCaption(cmdCpuNumber, "Number");
    for (UINT item : {cmdFreeUp1, cmdFreeUp2, cmdFreeUp3}) menu.SetCaption(item, "Free up %1");
    menu.SetCaption(cmdExit, "&Exit Kalvora Professional");
}

void TfrmEngine::WireIcon(TTrayIcon& icon)
{
    icon.OnLeftButtonDown = nullptr;  // a single click does nothing
    icon.OnDoubleClick = [this](TTrayIcon&) { ShowKalvora(); };
    icon.OnRightButtonUp = [this](TTrayIcon&) { ShowTrayMenu(); };
}

void TfrmEngine::UpdateDisplay()
{
    const bool memoryOn = Options->MemoryIcon();
    const bool cpuOn = Options->CPUMonitoring();
    if (memoryOn && !MemoryTrayIcon_) {
        MemoryTrayIcon_ = std::make_unique<TTrayIconMemory>();
        WireIcon(*MemoryTrayIcon_);
    } else if (!memoryOn) {
        MemoryTrayIcon_.reset();
    }
    if (MemoryTrayIcon_) MemoryTrayIcon_->SetStyle(Options->MemoryIconStyle());
    if (cpuOn && !CpuTrayIcon_) {
        CpuTrayIcon_ = std::make_unique<TTrayIconCPU>();
        WireIcon(*CpuTrayIcon_);
    } else if (!cpuOn) {
        CpuTrayIcon_.reset();
    }
    if (CpuTrayIcon_) CpuTrayIcon_->SetStyle(Options->CPUIconStyle());

    toolkit::PopupMenu& menu = IconMenu_;
    const UINT memoryStyles[] = {cmdMemoryChart, cmdMemoryNumber, cmdMemoryBar};
    const UINT cpuStyles[] = {cmdCpuChart, cmdCpuNumber, cmdCpuBar};
    for (int style = 1; style <= 3; ++style) {
        menu.SetChecked(memoryStyles[style - 1], memoryOn && Options->MemoryIconStyle() == style);
        menu.SetChecked(cpuStyles[style - 1], cpuOn && Options->CPUIconStyle() == style);
    }
    menu.SetChecked(cmdMemoryOff, !memoryOn);
    menu.SetChecked(cmdCpuOff, !cpuOn);
    menu.SetChecked(cmdStatus, Options->ProgramIcon());
    menu.SetEnabled(cmdStatus, cpuOn || memoryOn);  // with both off the status icon always shows
    menu.SetChecked(cmdBackgroundActivity, Options->BackgroundActivity());
}

void TfrmEngine::UpdatePresetItems()
{
    const uint32_t levels[] = {Options->Amount1(), Options->Amount2(), Options->Amount3()};
    const int hotkeys[] = {Options->Hotkey1(), Options->Hotkey2(), Options->Hotkey3()};
    const UINT items[] = {cmdFreeUp1, cmdFreeUp2, cmdFreeUp3};
    for (int i = 0; i < 3; ++i)
        IconMenu_.SetCaption(items[i],
                             toolkit::ReplaceAll<char>("Free up %1", "%1", FreeUpSizeText(static_cast<int>(levels[i]))),
                             HotkeyText(hotkeys[i]));
}

void TfrmEngine::UpdateStatus()
{
    activity_.WorkerExists = Worker_ != nullptr;
    activity_.BackgroundActivity = !Options || Options->BackgroundActivity();
    const TEngineStatusRow& row = EngineStatusRow(activity_);
    const bool shown =
        Options ? StatusIconShown(row, Options->ProgramIcon(), Options->MemoryIcon(), Options->CPUMonitoring())
                : row.AlwaysShown;
    if (shown && timerEnabled_) {
        if (!StatusTrayIcon_) {
            StatusTrayIcon_ = std::make_unique<TTrayIconResource>();
            WireIcon(*StatusTrayIcon_);
        }
        StatusTrayIcon_->SetIconName(row.IconName);
        StatusTrayIcon_->SetHint(row.Hint);
    } else {
        StatusTrayIcon_.reset();
    }
    if (TfrmMain* main = FindMainWindow()) main->SetStatusText(EngineStatusLine(activity_));
}

void TfrmEngine::DestroyTrayIcons()
{
    MemoryTrayIcon_.reset();
    CpuTrayIcon_.reset();
    StatusTrayIcon_.reset();
}

void TfrmEngine::ShowTrayMenu()
{
    if (MemoryTrayIcon_)
        MemoryTrayIcon_->BringToForeground();
    else if (CpuTrayIcon_)
        CpuTrayIcon_->BringToForeground();
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // The menu's loop runs every posted message: the end of a free-up may
    // destroy the icon that was clicked, a "quit" this whole window.
    const toolkit::LifeWatch alive = Watch();
    const UINT chosen = IconMenu_.Track(Handle(), cursor);
    if (!alive.Alive() || !Exists()) return;
    if (chosen) RunCommand(chosen);
}

void TfrmEngine::RunCommand(UINT command)
{
    if (!Options) return;
    switch (command) {
    case cmdShowKalvora: ShowKalvora(); break;
    case cmdEditEntries: mnuEditEntriesClick(); break;
    case cmdBackgroundActivity: Options->SetBackgroundActivity(!Options->BackgroundActivity()); break;
    case cmdStatus: Options->SetProgramIcon(!Options->ProgramIcon()); break;
    case cmdMemoryChart:
    case cmdMemoryNumber:
    case cmdMemoryBar:
        Options->SetMemoryIconStyle(static_cast<int>(command - cmdMemoryChart) + 1);
        Options->SetMemoryIcon(true);
        break;
    case cmdMemoryOff: Options->SetMemoryIcon(false); break;
    case cmdCpuChart:
    case cmdCpuNumber:
    case cmdCpuBar:
        Options->SetCPUIconStyle(static_cast<int>(command - cmdCpuChart) + 1);
        Options->SetCPUMonitoring(true);
        break;
    case cmdCpuOff: Options->SetCPUMonitoring(false); break;
    case cmdFreeUp1: FreeStored(static_cast<int>(Options->Amount1())); break;
    case cmdFreeUp2: FreeStored(static_cast<int>(Options->Amount2())); break;
    case cmdFreeUp3: FreeStored(static_cast<int>(Options->Amount3())); break;
    case cmdExit: Close(); break;
    default:
        if (command >= cmdFirstFreeAndRunEntry) FreeAndRunItemClick(static_cast<int>(command - cmdFirstFreeAndRunEntry));
        break;
    }
}

void TfrmEngine::RebuildFreeAndRunMenu()
{
    // Fixed items: "Manage entries..." and, with entries, the separator.
    FreeandRun1->RemoveItemsFrom(1);
    const TFreeAndRunList& list = Options->FreeAndRunList();
    if (list.Count() > 0) FreeandRun1->AddSeparator();
    for (const auto& entry : list)
        FreeandRun1->AddItem(cmdFirstFreeAndRunEntry + static_cast<UINT>(entry->ID), DisplayName(*entry));
}

void TfrmEngine::FreeAndRunItemClick(int entryId)
{
    if (const TFreeAndRunItem* entry = Options->FreeAndRunList().Find(entryId)) LaunchEntry(*entry);
}

void TfrmEngine::LaunchEntry(const TFreeAndRunItem& entry)
{
    if (LaunchWindow_) return;  // one launch at a time
    const int level = entry.MBToFree;
    auto launch = std::make_unique<TfrmFARLaunch>(entry);  // a copy: the list may change meanwhile
    StopWorker();
    // The end of the worker just stopped is handled now, while no launch
    // window exists, so that it does not start this launch's program early.
    const toolkit::LifeWatch alive = Watch();
    toolkit::Application::Instance().ProcessMessages();
    if (!alive.Alive() || !Exists()) return;  // the program ended meanwhile
    if (LaunchWindow_) return;                // another launch began meanwhile
    LaunchWindow_ = std::move(launch);
    LaunchWindow_->ShowWindow();
    FreeStored(level);
}

void TfrmEngine::StartLaunchedProgram()
{
    // The launch is over before the shell is called: a worker's end or a
    // refused free-up inside the shell's own message loop then finds no
    // launch to start a second time. The window lives until the call returns.
    const std::unique_ptr<TfrmFARLaunch> launch = std::move(LaunchWindow_);
    launch->SetStatusText("Starting program...");
    launch->RepaintNow();
    environment_.OpenProgram(launch->FileToRun());
}

void TfrmEngine::RegisterPresetHotkeys()
{
    if (!Options || hotkeysSuspended_) return;
    hotkeys_.Register(Handle(), {Options->Hotkey1(), Options->Hotkey2(), Options->Hotkey3()});
}

void TfrmEngine::UnregisterPresetHotkeys() { hotkeys_.Unregister(Handle()); }

void TfrmEngine::HotkeyPressed(WPARAM id)
{
    if (!Options) return;
    switch (id) {
    case 1: FreeStored(static_cast<int>(Options->Amount1())); break;
    case 2: FreeStored(static_cast<int>(Options->Amount2())); break;
    case 3: FreeStored(static_cast<int>(Options->Amount3())); break;
    default: break;
    }
}
