; The setup of Kalvora Professional: one installer for 32-bit and 64-bit
; Windows, with its uninstaller. Built by scripts/package.sh, which passes
;   VERSION        the four-part version of kalvora.exe (5.0.0.0)
;   VERSION_SHORT  major.minor, as the file names show it (5.0)
;   BIN32, BIN64   the folders of the i686 and x86_64 programs
;   OUTFILE        where the setup goes
;   HELPFILE       kalvora.chm, when it has been built
; Silent: Setup.exe /S [/D=folder]; Uninstall.exe /S [/REMOVESETTINGS].

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include Sections.nsh

!ifndef VERSION | VERSION_SHORT | BIN32 | BIN64 | OUTFILE
  !error "VERSION, VERSION_SHORT, BIN32, BIN64 and OUTFILE are passed by scripts/package.sh"
!endif

!define PRODUCT "Kalvora Professional"
!define PUBLISHER "Orlandek"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvora Professional"
!define SETTINGS_KEY "Software\Orlandek\Kalvora Professional 5"
!define SETTINGS_PARENT_KEY "Software\Orlandek"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Kalvora Pro"
; Setup and uninstaller hold it while they run, so that neither runs twice
; nor both at once.
!define SETUP_MUTEX "Kalvora Professional Setup"
; How a running copy is recognised and ended (the program's instance
; protocol): the engine window's caption, its answer to the ping.
!define ENGINE_CAPTION "Memory Engine"
!define WM_ENGINE_PING 0x414
!define WM_ENGINE_QUIT 0x41C
!define ENGINE_SIGNATURE 140971
!define ERROR_ALREADY_EXISTS 183
!define SYNCHRONIZE 0x00100000
!define WAIT_OBJECT_0 0
; A running copy saves its settings on the way out: time enough for that.
!define END_WAIT_MS 30000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION_SHORT}"
; Set in .onInit: the folder of an installed copy, else the Program Files
; folder that matches the program's build.
InstallDir ""

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}/../resources/icons/kalvora.ico"
!define MUI_UNICON "${__FILEDIR__}/../resources/icons/kalvora.ico"
!define MUI_ABORTWARNING

Var WasRunning   ; 1 when setup ended a running copy
Var Restarted    ; 1 when setup has started it again

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

; The settings are one more thing to remove, not checked: kept by default.
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Shared by setup and uninstaller (NSIS wants an "un." copy of each).

; Ends with a message when setup or uninstaller already runs.
!macro HoldSetupMutex
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 = ${ERROR_ALREADY_EXISTS}
    MessageBox MB_OK|MB_ICONSTOP "The setup or the uninstaller of ${PRODUCT} is already running.$\r$\nWait until it has finished, then try again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ; The handle stays open until the process ends.
!macroend

!macro DefineEngineFunctions un
; Out: $R0 = the engine window of a running copy, or 0. Another program's
; window with the same caption does not answer the ping with the signature.
Function ${un}FindEngine
  Push $0
  Push $1
  StrCpy $R0 0
  StrCpy $0 0
  ${Do}
    FindWindow $0 "" "${ENGINE_CAPTION}" 0 $0
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    StrCpy $1 0
    SendMessage $0 ${WM_ENGINE_PING} 0 0 $1 /TIMEOUT=5000
    ${If} $1 = ${ENGINE_SIGNATURE}
      StrCpy $R0 $0
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

; In: $R0 = an engine window. Out: $R1 = a handle to wait on its process,
; or 0. Taken before the copy is asked to end, so that the id cannot pass to
; another process in between.
Function ${un}OpenEngineProcess
  Push $R2
  StrCpy $R1 0
  StrCpy $R2 0
  System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2) i'
  ${If} $R2 <> 0
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i R2) p .R1'
  ${EndIf}
  Pop $R2
FunctionEnd

; In: $R1 = a process handle or 0. Waits for that process to end, closes the
; handle. Out: $R2 = 1 when it has ended (or there was nothing to wait for).
Function ${un}WaitForEngineProcess
  StrCpy $R2 1
  ${If} $R1 <> 0
    System::Call 'kernel32::WaitForSingleObject(p R1, i ${END_WAIT_MS}) i .R2'
    System::Call 'kernel32::CloseHandle(p R1)'
    StrCpy $R1 0
    ${If} $R2 = ${WAIT_OBJECT_0}
      StrCpy $R2 1
    ${Else}
      StrCpy $R2 0
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DefineEngineFunctions ""
!insertmacro DefineEngineFunctions "un."

; ---------------------------------------------------------------------------
; Setup

Function .onInit
  !insertmacro HoldSetupMutex
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "The setup of ${PRODUCT} needs administrator rights: it installs into Program Files for all users." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; NSIS drops a /D= folder that cannot be one (part of the path is a file,
  ; or it is no full path) and would install into the default instead.
  ${If} $INSTDIR == ""
    System::Call 'kernel32::GetCommandLineW() w .r0'
    ClearErrors
    ${GetOptionsS} $0 "/D=" $1
    ${IfNot} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "Setup cannot install into the folder$\r$\n$1$\r$\nPart of that path is a file, or it is not a full path. Nothing has been installed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ; /D= on the command line comes first, then the folder of an installed copy.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
  StrCpy $WasRunning 0
  StrCpy $Restarted 0
FunctionEnd

; Fails unless a file can be created in $INSTDIR; a folder made for the test
; alone is taken away again.
Function CheckInstallFolder
  StrCpy $1 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $1 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $0 "$INSTDIR\setup-write-test.tmp" w
  ${If} ${Errors}
    ${If} $1 = 1
      RMDir "$INSTDIR"
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot write to the folder$\r$\n$INSTDIR$\r$\nChoose another folder, or check that you may write there. Nothing has been installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  FileClose $0
  Delete "$INSTDIR\setup-write-test.tmp"
FunctionEnd

; Ends a running copy the program's own way ("quit": it saves its settings)
; and waits until its process is gone.
Function EndRunningCopy
  Call FindEngine
  ${If} $R0 = 0
    Return
  ${EndIf}
  StrCpy $WasRunning 1
  DetailPrint "Ending the running ${PRODUCT}..."
  Call OpenEngineProcess
  ; The new program speaks the same words; the installed one may be damaged.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  ${If} ${RunningX64}
    File "${BIN64}/kalvora.exe"
  ${Else}
    File "${BIN32}/kalvora.exe"
  ${EndIf}
  ExecWait '"$PLUGINSDIR\kalvora.exe" quit'
  Delete "$PLUGINSDIR\kalvora.exe"
  Call WaitForEngineProcess
  ${If} $R2 <> 1
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is still running and could not be ended.$\r$\nExit it from its tray menu, then run the setup again. Nothing has been changed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

Section "Kalvora Professional" SecProgram
  SectionIn RO
  Call CheckInstallFolder
  Call EndRunningCopy

  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${BIN64}/kalvora.exe"
  ${Else}
    File "${BIN32}/kalvora.exe"
  ${EndIf}
  File "${BIN32}/default.skn"
  File "${BIN32}/dark.skn"
!ifdef HELPFILE
  File "${HELPFILE}"
!endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kalvora.exe" "" "$INSTDIR\kalvora.exe" 0

  ; The entry under installed apps, for all users.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalvora.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; No Run value here: the program writes its start with Windows itself.
  ${If} $WasRunning = 1
    DetailPrint "Starting ${PRODUCT} again..."
    Call StartProgram
    StrCpy $Restarted 1
  ${EndIf}
SectionEnd

; Started by the shell, the program runs as the user and not elevated like
; this setup, so that the shell's tray and the user's later starts of the
; program may talk to it.
Function StartProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\kalvora.exe"'
FunctionEnd

; The offer to start the program is pointless once setup has restarted it.
Function FinishPageShow
  ${If} $Restarted = 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller

; The program ends its running copy and removes its start with Windows
; ("UNINSTALL"); a copy that is still there (or a program file that is
; already gone) is ended here. Nothing is removed while it runs.
Function un.EndProgram
  StrCpy $3 0
  ${If} ${FileExists} "$INSTDIR\kalvora.exe"
    DetailPrint "Ending ${PRODUCT} and its start with Windows..."
    ExecWait '"$INSTDIR\kalvora.exe" UNINSTALL'
  ${Else}
    StrCpy $3 1
  ${EndIf}
  Call un.FindEngine
  ${If} $R0 <> 0
    Call un.OpenEngineProcess
    System::Call 'user32::PostMessageW(p R0, i ${WM_ENGINE_QUIT}, p 0, p 0) i'
    Call un.WaitForEngineProcess
    ${If} $R2 <> 1
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is still running and could not be ended.$\r$\nExit it from its tray menu, then run the uninstaller again. Nothing has been removed." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    ; Its save on the way out may have written the value again.
    StrCpy $3 1
  ${EndIf}
  ${If} $3 = 1
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
FunctionEnd

Section "un.${PRODUCT}" UnSecProgram
  SectionIn RO
  Call un.EndProgram

  Delete "$INSTDIR\kalvora.exe"
  Delete "$INSTDIR\default.skn"
  Delete "$INSTDIR\dark.skn"
  Delete "$INSTDIR\kalvora.chm"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; After the program has ended, so that its last save cannot bring them back.
Section /o "un.Your settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT_KEY}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program, its Start menu shortcut and its start with Windows."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "Your settings and Free and Run list. Leave it unchecked to keep them for a later installation."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  !insertmacro HoldSetupMutex
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; Silent uninstalls keep the settings unless told otherwise.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
