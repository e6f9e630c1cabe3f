; A small Windows helper for the installer test. It looks for, or shows, a top-level window
; titled "ZelSATA" from inside the Wine prefix, where the shell cannot see windows, and runs
; a command line exactly as written (wine itself would quote an argument holding spaces or
; quotes, so the line comes in the environment).
;   wine_helper.exe present    exit 0 when such a window exists, 1 when none does
;   wine_helper.exe appear     wait up to 20 s for one to exist: exit 0 once it does, else 1
;   wine_helper.exe hold       show a message box captioned "ZelSATA" until it is closed,
;                              the way the program's own message boxes are captioned
;   wine_helper.exe box-appear wait up to 20 s for such a message box: exit 0 once it shows
;   wine_helper.exe dismiss    close every message box captioned "ZelSATA" (never the
;                              program's own window): exit 0 once none is left
;   wine_helper.exe exec       run the command line in ZEL_EXEC_LINE, wait for it, and exit
;                              with its exit code (255 when it cannot be started)

!ifndef OUTFILE
  !error "pass -DOUTFILE=..."
!endif

Unicode true
Target amd64-unicode
SetCompressor zlib
RequestExecutionLevel user
SilentInstall silent
OutFile "${OUTFILE}"
Name "ZelSATA"
Caption "ZelSATA"

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

Function .onInit
  ${GetParameters} $0
  ${If} $0 == "exec"
    ReadEnvStr $3 ZEL_EXEC_LINE
    ClearErrors
    ExecWait $3 $1
    ${If} ${Errors}
      SetErrorLevel 255
    ${Else}
      SetErrorLevel $1
    ${EndIf}
  ${ElseIf} $0 == "present"
    FindWindow $1 "" "ZelSATA"
    ${If} $1 = 0
      SetErrorLevel 1
    ${Else}
      SetErrorLevel 0
    ${EndIf}
  ${ElseIf} $0 == "appear"
    SetErrorLevel 1
    ${For} $2 1 200
      FindWindow $1 "" "ZelSATA"
      ${If} $1 <> 0
        SetErrorLevel 0
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
  ${ElseIf} $0 == "box-appear"
    SetErrorLevel 1
    ${For} $2 1 200
      FindWindow $1 "#32770" "ZelSATA"
      ${If} $1 <> 0
        SetErrorLevel 0
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
  ${ElseIf} $0 == "hold"
    MessageBox MB_OK "held by the installer test"
    SetErrorLevel 0
  ${ElseIf} $0 == "dismiss"
    SetErrorLevel 1
    ${For} $2 1 100
      FindWindow $1 "#32770" "ZelSATA"
      ${If} $1 = 0
        SetErrorLevel 0
        ${Break}
      ${EndIf}
      SendMessage $1 ${WM_CLOSE} 0 0 /TIMEOUT=1000
      Sleep 100
    ${Next}
  ${Else}
    SetErrorLevel 2
  ${EndIf}
  Quit
FunctionEnd

Section
SectionEnd
