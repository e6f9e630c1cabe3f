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
;   wine_helper.exe folder     show a window of another class titled "ZelSATA", as Explorer
;                              titles a window showing the program's folder, until the box
;                              captioned "holder" that keeps it alive is closed
;   wine_helper.exe folder-appear  wait up to 20 s for that window: exit 0 once it exists
;   wine_helper.exe release    close the "holder" box (the folder window goes with it)

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
  ${ElseIf} $0 == "folder"
    ; WS_VISIBLE | WS_CAPTION; the box below runs the thread's message loop for it.
    System::Call 'user32::CreateWindowExW(i 0, w "Static", w "ZelSATA", i 0x10C00000, i 40, i 40, i 320, i 200, p 0, p 0, p 0, p 0) p .r1'
    System::Call 'user32::MessageBoxW(p 0, w "keeps the folder window open", w "holder", i 0) i .r2'
    SetErrorLevel 0
  ${ElseIf} $0 == "folder-appear"
    SetErrorLevel 1
    ${For} $2 1 200
      FindWindow $1 "Static" "ZelSATA"
      ${If} $1 <> 0
        SetErrorLevel 0
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
  ${ElseIf} $0 == "release"
    SetErrorLevel 1
    ${For} $2 1 100
      FindWindow $1 "#32770" "holder"
      ${If} $1 = 0
        SetErrorLevel 0
        ${Break}
      ${EndIf}
      SendMessage $1 ${WM_CLOSE} 0 0 /TIMEOUT=1000
      Sleep 100
    ${Next}
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
