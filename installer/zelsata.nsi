; Setup program for ZelSATA: installs the delivery into one directory, writes the
; settings the program expects, and registers an uninstaller that closes a running
; copy before it removes anything.
;
; Built by scripts/package, which passes:
;   ARCH      x86_64 or i686
;   VERSION   the project version, e.g. 1.15.0
;   STAGE_DIR the directory holding exactly the files to deliver
;   FILES_NSH a generated include that defines ZelInstallFiles and ZelRemoveFiles
;   OUTFILE   the setup program to write

!ifndef ARCH | VERSION | STAGE_DIR | FILES_NSH | OUTFILE
  !error "build this script through scripts/package"
!endif

Unicode true
!if "${ARCH}" == "x86_64"
  Target amd64-unicode
!else if "${ARCH}" == "i686"
  Target x86-unicode
!else
  !error "ARCH must be x86_64 or i686"
!endif

SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!define PRODUCT "ZelSATA"
!define PUBLISHER "Ondel"
!define SETTINGS_KEY "Software\Ondel\ZelSATA"
!define MAKER_KEY "Software\Ondel"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelSATA"
!define UNINSTALLER "uninstall.exe"
; The program reads the Run value into 260 bytes; keep the quoted path well inside.
!define MAX_INSTDIR_LENGTH 200

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "x64.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
!if "${ARCH}" == "x86_64"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; Reinstalling goes to where the previous copy lives.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup (${ARCH})"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

; ---- pages --------------------------------------------------------------------------

!define MUI_ABORTWARNING
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Installer Language"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\ZelSATA.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_RESERVEFILE_LANGDLL

!include "strings.nsh"
!include "${FILES_NSH}"

; ---- closing a running copy -----------------------------------------------------------

; ZelSATA's main window is found by its class as well as its title: its message boxes, and
; an Explorer window showing its folder, are titled "ZelSATA" too, and must neither block
; the uninstall nor be asked to close. Ask again every second until the window is gone
; (the program may be busy with a dialog or a box of its own when the first request comes).
!macro ZEL_CLOSE_PROGRAM PREFIX
Function ${PREFIX}ZelCloseProgram
  ; in: the helper's path on the stack; out: "1" closed (or not running), "0" still running
  Exch $R9
  Push $R0
  Push $R1
  Push $R2

  close_again:
  StrCpy $R1 0
  ${Do}
    FindWindow $R0 "ZelSATAFrame" "ZelSATA" ; the class of its frame window
    ${If} $R0 = 0
      StrCpy $R0 1
      ${Break}
    ${EndIf}
    ${If} $R1 >= 50 ; 50 rounds of 200 ms
      StrCpy $R0 0
      ${Break}
    ${EndIf}
    IntOp $R2 $R1 % 5
    ${If} $R2 = 0
    ${AndIf} ${FileExists} "$R9"
      DetailPrint "$(STR_CLOSING)"
      ExecWait '"$R9" 1'
    ${EndIf}
    Sleep 200
    IntOp $R1 $R1 + 1
  ${Loop}

  ${If} $R0 = 0
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(STR_STILL_RUNNING)" /SD IDCANCEL IDRETRY close_again
  ${EndIf}

  Pop $R2
  Pop $R1
  Exch
  Pop $R9
  Exch $R0
FunctionEnd
!macroend
!insertmacro ZEL_CLOSE_PROGRAM ""
!insertmacro ZEL_CLOSE_PROGRAM "un."

; ---- install --------------------------------------------------------------------------

Function .onInit
!if "${ARCH}" == "x86_64"
  SetRegView 64
!else
  ; The 32-bit program cannot detach devices from inside the 32-bit layer of 64-bit
  ; Windows; the x86_64 setup is the one for such a system.
  ${If} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "$(STR_NEED_X64_SETUP)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!endif
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "$(STR_NEED_ADMIN)" /SD IDOK
    SetErrorLevel 740 ; elevation required
    Quit
  ${EndIf}
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "-Install"
  StrLen $0 "$INSTDIR"
  ${If} $0 > ${MAX_INSTDIR_LENGTH}
    MessageBox MB_OK|MB_ICONSTOP "$(STR_PATH_TOO_LONG)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; A running copy (of this or an older version) holds its files open.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "/oname=$PLUGINSDIR\ZelUninst.exe" "${STAGE_DIR}\ZelUninst.exe"
  Push "$PLUGINSDIR\ZelUninst.exe"
  Call ZelCloseProgram
  Pop $0
  ${If} $0 != 1
    SetErrorLevel 3
    Abort "$(STR_STILL_RUNNING_ABORT)"
  ${EndIf}

  SetOutPath "$INSTDIR"
  ClearErrors
  !insertmacro ZelInstallFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    SetErrorLevel 2
    Abort "$(STR_COPY_FAILED)"
  ${EndIf}

  ; The search selector is the administrator's to change: keep a number already there,
  ; replace anything else (absent, or not a number) with the SATA-card group.
  ClearErrors
  ReadRegDWORD $0 HKLM "${SETTINGS_KEY}\Common" "SearchCode"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${SETTINGS_KEY}\Common" "SearchCode" 0x40
  ${EndIf}

  ; The program toggles log-on start by rewriting the next-to-last character of this
  ; value ("e" on, "_" off), so it must end in ZelSATA.exe". Keep a switch turned off.
  StrCpy $1 "e"
  ReadRegStr $0 HKLM "${RUN_KEY}" "ZelSATA"
  StrLen $2 $0
  ${If} $2 >= 2
    StrCpy $3 $0 1 -2
    ${If} $3 == "_"
      StrCpy $1 "_"
    ${EndIf}
  ${EndIf}
  WriteRegStr HKLM "${RUN_KEY}" "ZelSATA" '"$INSTDIR\ZelSATA.ex$1"'
  ; The device list dialog shows, and stores again after each removal, the switch as
  ; AutoRun says: keep the two in step.
  ${If} $1 == "e"
    WriteRegDWORD HKLM "${SETTINGS_KEY}\Common" "AutoRun" 1
  ${Else}
    WriteRegDWORD HKLM "${SETTINGS_KEY}\Common" "AutoRun" 0
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZelSATA.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Installer Language" "$LANGUAGE"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\ZelSATA.lnk" "$INSTDIR\ZelSATA.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\ZelSATA Help.lnk" "$INSTDIR\index.html"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ZelSATA.lnk" "$INSTDIR\${UNINSTALLER}"
SectionEnd

; ---- uninstall ------------------------------------------------------------------------

Section "-un.Uninstall"
  Push "$INSTDIR\ZelUninst.exe"
  Call un.ZelCloseProgram
  Pop $0
  ${If} $0 != 1
    SetErrorLevel 3
    Abort "$(STR_STILL_RUNNING_ABORT)"
  ${EndIf}

  ; The window goes before the process ends; give the file a moment to be released.
  StrCpy $1 0
  ${Do}
    ClearErrors
    Delete "$INSTDIR\ZelSATA.exe"
    ${IfNot} ${Errors}
    ${OrIf} $1 >= 25
      ${Break}
    ${EndIf}
    Sleep 200
    IntOp $1 $1 + 1
  ${Loop}
  ${If} ${FileExists} "$INSTDIR\ZelSATA.exe"
    Delete /REBOOTOK "$INSTDIR\ZelSATA.exe"
  ${EndIf}

  !insertmacro ZelRemoveFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  DeleteRegValue HKLM "${RUN_KEY}" "ZelSATA"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\ZelSATA.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\ZelSATA Help.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ZelSATA.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(STR_REMOVE_SETTINGS)" SecRemoveSettings
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  ; Sibling programs of the same maker may keep their settings beside ours.
  DeleteRegKey /ifempty HKLM "${MAKER_KEY}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecRemoveSettings} "$(STR_REMOVE_SETTINGS_INFO)"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

; After the sections, so that the settings section's index is known.
Function un.onInit
!if "${ARCH}" == "x86_64"
  SetRegView 64
!endif
  !insertmacro MUI_UNGETLANGUAGE
  ; /REMOVESETTINGS ticks "remove settings" (the silent uninstaller has no page for it).
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecRemoveSettings}
  ${EndIf}
FunctionEnd
