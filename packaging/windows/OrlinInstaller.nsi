; OrlinInstaller.exe: installs "Orlin Camera" for the applications of both
; bitnesses on 64-bit Windows, and OrlinSetup.
;   makensis -DVERSION=0.7.0 -DSTAGE64=<cmake --install of mingw64>
;            -DSTAGE32=<cmake --install of mingw32> -DOUTFILE=<installer> OrlinInstaller.nsi
; -DACCOUNT_TYPE=User makes an installer that takes the account for a plain
; user's, so that its refusal can be seen where everything runs as administrator.
;
; The 64-bit Orlin.dll, OrlinSetup.exe, the documents and Uninstall.exe go into
; $PROGRAMFILES64\Orlin (or /D=), the 32-bit Orlin.dll into $PROGRAMFILES32\Orlin;
; each DLL is registered with the regsvr32 of its bitness. What it did is
; written to install.log beside Uninstall.exe as well as to the details.
; Exit codes: 0 installed; 2 failed (told in a message box, or the code alone
; with /S); 740 not run as administrator.

Unicode true
Target amd64-unicode

!ifndef VERSION | STAGE64 | STAGE32 | OUTFILE
  !error "define VERSION, STAGE64, STAGE32 and OUTFILE"
!endif

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Orlin"
!define PUBLISHER "Tessaly"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orlin"
!define SETTINGS_KEY "SOFTWARE\Tessaly\Orlin\VideoFormat"
!define SHORTCUT "$SMPROGRAMS\Orlin Setup.lnk"
!define DIR32 "$PROGRAMFILES32\Orlin"
!define REGSVR64 "$WINDIR\System32\regsvr32.exe"
!define REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"
!define ERROR_ELEVATION_REQUIRED 740

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Orlin"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "Orlin installer"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

Var Log          ; install.log, open while the section runs
Var Registered32 ; 1 once the 32-bit DLL is registered

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\OrlinSetup.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run OrlinSetup to enter the phone's video format"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "The video format you saved with OrlinSetup stays unless you tick it."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---- Refusing a user without administrator rights ----

!macro RequireAdmin
  UserInfo::GetAccountType
  Pop $0
  !ifdef ACCOUNT_TYPE
    StrCpy $0 "${ACCOUNT_TYPE}"
  !endif
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "Orlin must be installed and removed by an administrator: it registers the camera for every user.$\r$\n$\r$\nRun this program again as administrator." /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdmin
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  !insertmacro RequireAdmin
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; ---- Install ----

!macro Note text
  DetailPrint "${text}"
  FileWrite $Log "${text}$\r$\n"
!macroend

; Runs regsvr32 ($R0: its path, $R1: arguments, $R2: the DLL); $R9 is its exit
; code, or "not run" when it could not be started.
Function RunRegsvr
  StrCpy $R9 "not run"
  ClearErrors
  ExecWait '"$R0" $R1 "$R2"' $R9
  ${If} ${Errors}
    StrCpy $R9 "not run"
  ${EndIf}
FunctionEnd

; Takes back a failed install: what was registered, every file, the folders.
Function RollBack
  SetOutPath "$TEMP"  ; a folder that is the current one cannot be removed
  ${If} $Registered32 == 1
    StrCpy $R0 "${REGSVR32}"
    StrCpy $R1 "/u /s"
    StrCpy $R2 "${DIR32}\Orlin.dll"
    Call RunRegsvr
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\Orlin.dll"
    StrCpy $R0 "${REGSVR64}"
    StrCpy $R1 "/u /s"
    StrCpy $R2 "$INSTDIR\Orlin.dll"
    Call RunRegsvr
  ${EndIf}
  FileClose $Log
  Delete "${DIR32}\Orlin.dll"
  RMDir "${DIR32}"
  Delete "$INSTDIR\Orlin.dll"
  Delete "$INSTDIR\OrlinSetup.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\docs\*.md"
  Delete "$INSTDIR\docs\*.png"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\install.log"
  RMDir "$INSTDIR"
FunctionEnd

!macro Fail text
  DetailPrint "${text}"
  Call RollBack
  MessageBox MB_ICONSTOP|MB_OK "${text}$\r$\n$\r$\nOrlin was not installed." /SD IDOK
  SetErrorLevel 2
  Abort "${text}"
!macroend

Section "Orlin" SecOrlin
  SectionIn RO
  StrCpy $Registered32 0
  SetOutPath "$INSTDIR"
  ClearErrors
  FileOpen $Log "$INSTDIR\install.log" w
  ${If} ${Errors}
    !insertmacro Fail "Cannot write to $INSTDIR."
  ${EndIf}
  !insertmacro Note "Orlin ${VERSION}"

  ; A system that cannot run 32-bit programs has no application that could
  ; open the 32-bit camera: it gets only the 64-bit one.
  ${If} ${FileExists} "${REGSVR32}"
    SetOutPath "${DIR32}"
    File "${STAGE32}\Orlin.dll"
    StrCpy $R0 "${REGSVR32}"
    StrCpy $R1 "/s"
    StrCpy $R2 "${DIR32}\Orlin.dll"
    Call RunRegsvr
    ${If} $R9 != 0
      !insertmacro Fail "Registering the 32-bit Orlin.dll failed (regsvr32: $R9)."
    ${EndIf}
    StrCpy $Registered32 1
    !insertmacro Note "Registered the 32-bit camera: ${DIR32}\Orlin.dll"
  ${Else}
    !insertmacro Note "Skipped the 32-bit Orlin.dll: this system cannot run 32-bit programs (no ${REGSVR32})."
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE64}\Orlin.dll"
  File "${STAGE64}\OrlinSetup.exe"
  File "${STAGE64}\README.md"
  SetOutPath "$INSTDIR\docs"
  File "${STAGE64}\docs\*.md"
  File "${STAGE64}\docs\*.png"
  SetOutPath "$INSTDIR"
  StrCpy $R0 "${REGSVR64}"
  StrCpy $R1 "/s"
  StrCpy $R2 "$INSTDIR\Orlin.dll"
  Call RunRegsvr
  ${If} $R9 != 0
    !insertmacro Fail "Registering the 64-bit Orlin.dll failed (regsvr32: $R9)."
  ${EndIf}
  !insertmacro Note "Registered the 64-bit camera: $INSTDIR\Orlin.dll"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\OrlinSetup.exe" "" "$INSTDIR\OrlinSetup.exe" 0 SW_SHOWNORMAL "" \
    "Enter the video format of the phone for Orlin Camera"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\OrlinSetup.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
  !insertmacro Note "Installed into $INSTDIR"
  FileClose $Log
SectionEnd

; ---- Uninstall ----

Var UnFailed

; Unregisters one DLL where both it and the regsvr32 of its bitness are there.
!macro Unregister regsvr dll bitness
  ${If} ${FileExists} "${dll}"
  ${AndIf} ${FileExists} "${regsvr}"
    StrCpy $R0 "${regsvr}"
    StrCpy $R1 "/u /s"
    StrCpy $R2 "${dll}"
    Call un.RunRegsvr
    ${If} $R9 == 0
      DetailPrint "Unregistered the ${bitness} camera: ${dll}"
    ${Else}
      DetailPrint "Unregistering the ${bitness} Orlin.dll failed (regsvr32: $R9)."
      StrCpy $UnFailed "$UnFailed$\r$\nUnregistering the ${bitness} Orlin.dll failed (regsvr32: $R9)."
    ${EndIf}
  ${EndIf}
!macroend

Function un.RunRegsvr
  StrCpy $R9 "not run"
  ClearErrors
  ExecWait '"$R0" $R1 "$R2"' $R9
  ${If} ${Errors}
    StrCpy $R9 "not run"
  ${EndIf}
FunctionEnd

Section "un.Orlin" UnSecOrlin
  SectionIn RO
  StrCpy $UnFailed ""
  !insertmacro Unregister "${REGSVR32}" "${DIR32}\Orlin.dll" "32-bit"
  !insertmacro Unregister "${REGSVR64}" "$INSTDIR\Orlin.dll" "64-bit"

  Delete /REBOOTOK "${DIR32}\Orlin.dll"
  RMDir "${DIR32}"
  Delete "${SHORTCUT}"
  Delete /REBOOTOK "$INSTDIR\Orlin.dll"
  Delete "$INSTDIR\OrlinSetup.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\docs\*.md"
  Delete "$INSTDIR\docs\*.png"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\install.log"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ${If} $UnFailed != ""
    MessageBox MB_ICONEXCLAMATION|MB_OK "Orlin's files were removed, but:$UnFailed" /SD IDOK
    SetErrorLevel 2
  ${EndIf}
SectionEnd

; Unticked: the saved video format stays for a later install.
Section /o "un.The saved video format" UnSecSettings
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Tessaly\Orlin"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Tessaly"
  DetailPrint "Removed the saved video format."
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecOrlin} "Orlin Camera, OrlinSetup and their registration."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "The video format saved with OrlinSetup (${SETTINGS_KEY})."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
