; The Windows installer of Quillet: the program folder into Program Files, a Start menu entry, a
; Windows Firewall rule that lets the stations in, the choice to start Quillet at logon, and an
; uninstaller listed in Apps & features. The build passes VERSION (the project's), PROGRAM_DIR
; (the folder cmake --install made) and OUTFILE:
;   makensis -DVERSION=1.0.0 -DPROGRAM_DIR=build-windows/Quillet -DOUTFILE=setup.exe quillet.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | PROGRAM_DIR | OUTFILE
    !error "VERSION, PROGRAM_DIR and OUTFILE must be defined"
!endif

!define PRODUCT "Quillet"
!define PUBLISHER "Brindle"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The stations' port, fixed, and the firewall rule that lets them reach it.
!define PORT 10325
!define NETSH '"$SYSDIR\netsh.exe" advfirewall firewall'
!define RULE 'name="${PRODUCT}" dir=in'
; The title of Quillet's main window, and how long the uninstaller waits for Quillet to end once
; asked to close.
!define WINDOW_TITLE "Brindle Quillet"
!define CLOSE_WAIT_MS 5000
!define SYNCHRONIZE 0x00100000

!include "MUI2.nsh"
!include "x64.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillet.exe"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The program is 64-bit only.
Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows."
        Abort
    ${EndIf}
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

; Quillet starts at logon, so it is usually running, often hidden in the tray, and its files in
; use could be neither replaced nor removed. Each running one is asked to close the way its title
; bar closes it: WM_CLOSE to its main window, found shown or hidden. The caller then waits for
; that process to end, not just its window. One that does not end in time (a box of its own open,
; say) is said, and the error flag tells the caller.
!macro CLOSE_QUILLET_FUNCTION PREFIX AFTERWARDS
Function ${PREFIX}CloseQuillet
    ${Do}
        FindWindow $0 "" "${WINDOW_TITLE}"
        ${If} $0 = 0
            Return
        ${EndIf}
        DetailPrint "Closing the running ${PRODUCT}"
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
        System::Call 'user32::PostMessage(p r0, i ${WM_CLOSE}, p 0, p 0) i'
        StrCpy $3 1
        ${If} $2 P<> 0
            System::Call 'kernel32::WaitForSingleObject(p r2, i ${CLOSE_WAIT_MS}) i .r3'
            System::Call 'kernel32::CloseHandle(p r2)'
        ${EndIf}
        ${If} $3 <> 0
            DetailPrint "${PRODUCT} did not close."
            MessageBox MB_ICONEXCLAMATION|MB_OK "${PRODUCT} is running and did not close when asked.$\r$\n$\r$\n${AFTERWARDS}" /SD IDOK
            SetErrors
            Return
        ${EndIf}
    ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_QUILLET_FUNCTION "" "Close it, then run the installer again."
!insertmacro CLOSE_QUILLET_FUNCTION "un." "The uninstaller goes on; the files ${PRODUCT} still uses are removed when Windows next restarts. Until then it keeps running."

; The program itself, always. The Start menu entry is every user's, as the program is.
Section "${PRODUCT}" SecProgram
    SectionIn RO
    ; An upgrade replaces the files of a Quillet that may be running.
    ClearErrors
    Call CloseQuillet
    ${If} ${Errors}
        Abort
    ${EndIf}
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${PROGRAM_DIR}\*.*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quillet.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillet.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Stations connect to TCP ${PORT}; the rule lets them in to this program on private (office)
; networks only. A rule of the same name from an earlier install goes first, so that there is one.
; Without the rule the program still runs, and Windows asks at its first start instead, so a rule
; refused is said and the installation goes on.
Section "-Firewall"
    nsExec::Exec '${NETSH} delete rule ${RULE}'
    Pop $0
    nsExec::ExecToLog '${NETSH} add rule ${RULE} action=allow protocol=TCP localport=${PORT} profile=private program="$INSTDIR\Quillet.exe"'
    Pop $0
    ${If} $0 != 0
        DetailPrint "The firewall rule for TCP port ${PORT} could not be added (netsh: $0)."
        MessageBox MB_ICONEXCLAMATION|MB_OK "Windows Firewall did not take the rule that lets the time-clock stations reach Quillet on TCP port ${PORT} (netsh: $0).$\r$\n$\r$\nAllow Quillet on private networks when Windows asks at its first start." /SD IDOK
    ${EndIf}
SectionEnd

; Chosen by default, so a silent install has it: a shortcut in the Startup folder of the user who
; installs, which Windows opens at that user's logon.
Section "Start ${PRODUCT} when I log on" SecStartup
    SetShellVarContext current
    CreateShortcut "$SMSTARTUP\${PRODUCT}.lnk" "$INSTDIR\Quillet.exe"
SectionEnd


; The folder holds only what the installer put there, so it goes whole; what a Quillet that would
; not close still holds goes at the next restart. The Startup shortcut is the installing user's,
; who is the one to uninstall.
Section "Uninstall"
    Call un.CloseQuillet
    nsExec::Exec '${NETSH} delete rule ${RULE}'
    Pop $0
    SetShellVarContext current
    Delete "$SMSTARTUP\${PRODUCT}.lnk"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    RMDir /r /REBOOTOK "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
