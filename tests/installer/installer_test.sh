#!/usr/bin/env bash
# Checks the release package in build/package (made by scripts/package): what both setup
# programs and zips hold, then installs, runs and uninstalls the x86_64 setup in a fresh
# Wine prefix of its own (build/installer-prefix, made anew each run).
#
#   tests/installer/installer_test.sh [--counts FILE]
#
# --counts appends "<passed> <failed>" to FILE, as scripts/test tallies its suites.
# Needs wine, 7z and makensis; starts its own Xvfb when DISPLAY is unset.
set -uo pipefail

cd "$(dirname "$0")/../.."
readonly ROOT=$PWD
readonly PKG=$ROOT/build/package
readonly WORK=$ROOT/build/installer-test
readonly HELPER=$WORK/wine_helper.exe
# A second helper, of the Windows tests: a window of the program's frame class.
readonly FRAME_HELPER=$ROOT/build/mingw64/bin/system_helper.exe

export WINEPREFIX=$ROOT/build/installer-prefix
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no desktop entries in the user's home for our shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

COUNTS_FILE=""
if [[ ${1:-} == --counts ]]; then COUNTS_FILE=$2; fi

# ---- tests and checks ------------------------------------------------------------------

TESTS_PASSED=0
TESTS_FAILED=0
TEST_NAME=""
TEST_OK=1

begin() {
  TEST_NAME=$1
  TEST_OK=1
  echo "---- $TEST_NAME"
}

# check DESCRIPTION COMMAND [ARGS...]: one expectation of the current test.
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    echo "  ok   $what"
  else
    echo "  FAIL $what"
    TEST_OK=0
  fi
}

end_test() {
  if [[ $TEST_OK -eq 1 ]]; then
    TESTS_PASSED=$((TESTS_PASSED + 1))
    echo "PASS $TEST_NAME"
  else
    TESTS_FAILED=$((TESTS_FAILED + 1))
    echo "FAIL $TEST_NAME"
  fi
}

finish() {
  echo
  echo "installer tests: $TESTS_PASSED passed, $TESTS_FAILED failed"
  if [[ -n $COUNTS_FILE ]]; then echo "$TESTS_PASSED $TESTS_FAILED" >>"$COUNTS_FILE"; fi
  [[ $TESTS_FAILED -eq 0 ]]
}

# ---- helpers -------------------------------------------------------------------------

XVFB_PID=""
cleanup() {
  wineserver -k 2>/dev/null || true # this prefix's server only
  if [[ -n $XVFB_PID ]]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

start_display() {
  [[ -z ${DISPLAY:-} ]] || return 0
  local n=99
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$n ]] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

# The Windows path C:\... of this prefix as a Linux path.
unix_path() {
  local p=${1#C:\\}
  echo "$WINEPREFIX/drive_c/${p//\\//}"
}

# reg_value KEY NAME VIEW: prints "TYPE DATA" of one value in the 64 or 32-bit view.
reg_value() {
  wine reg query "$1" /v "$2" "/reg:$3" 2>/dev/null | tr -d '\r' |
    sed -nE "s/^    $2    (REG_[A-Z_]+)    (.*)\$/\\1 \\2/p" | grep .
}

reg_is() { [[ $(reg_value "$1" "$2" "$3") == "$4" ]]; }
reg_key_exists() { wine reg query "$1" "/reg:$2" >/dev/null 2>&1; }
reg_key_absent() { ! reg_key_exists "$@"; }

# Runs a command line inside the prefix exactly as written, waiting for it.
run_line() { ZEL_EXEC_LINE=$1 wine "$HELPER" exec; }

# Waits until every program of the prefix has ended (the uninstaller runs from a copy of
# itself that outlives the process wine started).
settle() { timeout 60 wineserver -w; }

# The files of a setup program, as installed relative to the program's directory.
files_of_setup() {
  7z l -ba -slt "$1" | sed -n 's/^Path = //p' | grep -v -e '^\$PLUGINSDIR' -e '^uninstall\.exe$' |
    sort
}

same_files() { # same_files LIST_FILE DIR_A DIR_B
  local f
  while IFS= read -r f; do
    cmp -s "$2/$f" "$3/$f" || return 1
  done <"$1"
}

all_exist() { # all_exist LIST_FILE DIR
  local f
  while IFS= read -r f; do [[ -f $2/$f ]] || return 1; done <"$1"
}

none_exist() {
  local f
  while IFS= read -r f; do [[ ! -e $2/$f ]] || return 1; done <"$1"
}

has_delivery() { # has_delivery LIST_FILE
  local f
  for f in ZelSATA.exe zelctl.exe ZelSearch.dll ZelUninst.exe ZelSATAResUS.dll ZelSATARes.dll \
    ZelDownLoad.dll index.html; do
    grep -qx "$f" "$1" || return 1
  done
}

same_list() { diff -q "$1" "$2"; }

uninstall_entry_is() { # uninstall_entry_is INSTALL_DIR
  reg_is "$UNINSTALL_KEY" DisplayName 64 "REG_SZ ZelSATA" &&
    reg_is "$UNINSTALL_KEY" DisplayVersion 64 "REG_SZ $VERSION" &&
    reg_is "$UNINSTALL_KEY" Publisher 64 "REG_SZ Ondel" &&
    reg_is "$UNINSTALL_KEY" InstallLocation 64 "REG_SZ $1" &&
    reg_is "$UNINSTALL_KEY" UninstallString 64 "REG_SZ \"$1\\uninstall.exe\"" &&
    reg_is "$UNINSTALL_KEY" QuietUninstallString 64 "REG_SZ \"$1\\uninstall.exe\" /S" &&
    reg_is "$UNINSTALL_KEY" NoModify 64 "REG_DWORD 0x1" &&
    reg_is "$UNINSTALL_KEY" NoRepair 64 "REG_DWORD 0x1"
}

process_gone() { ! kill -0 "$1" 2>/dev/null; }

# ---- the tests -------------------------------------------------------------------------

readonly RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\run'
readonly SETTINGS_KEY='HKLM\Software\Ondel\ZelSATA\Common'
readonly UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZelSATA'
readonly START_MENU="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZelSATA"

VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$ROOT/build/mingw64/CMakeCache.txt" 2>/dev/null)
SETUP64=$PKG/ZelSATA-setup-$VERSION-x86_64.exe

test_package_contents() {
  begin "package: both setups and zips hold every file, as built"
  local arch preset
  for arch in x86_64 i686; do
    [[ $arch == x86_64 ]] && preset=mingw64 || preset=mingw32
    local setup=$PKG/ZelSATA-setup-$VERSION-$arch.exe zip=$PKG/ZelSATA-$VERSION-$arch.zip
    local dir=$WORK/$arch
    rm -rf "$dir" && mkdir -p "$dir/setup" "$dir/zip"
    files_of_setup "$setup" >"$dir/setup.list"
    7z x -y -bd -bso0 -o"$dir/setup" "$setup" >/dev/null 2>&1
    7z x -y -bd -bso0 -o"$dir/zip" "$zip" >/dev/null 2>&1
    (cd "$dir/zip"/ZelSATA-* 2>/dev/null && find . -type f | sed 's|^\./||' | sort) >"$dir/zip.list"
    check "$arch setup lists every delivered file" has_delivery "$dir/setup.list"
    check "$arch zip holds exactly the files of the setup" same_list "$dir/setup.list" "$dir/zip.list"
    check "$arch setup files are the $preset build's" same_files "$dir/setup.list" "$dir/setup" "$ROOT/build/$preset/bin"
    check "$arch zip files are the $preset build's" same_files "$dir/zip.list" "$dir/zip"/ZelSATA-$VERSION-$arch "$ROOT/build/$preset/bin"
  done
  check "SHA256SUMS covers the two setups and two zips and matches them" \
    bash -c "cd '$PKG' && [[ \$(wc -l <SHA256SUMS) -eq 4 ]] && sha256sum --quiet -c SHA256SUMS"
  end_test
}

test_install() {
  begin "silent install (x86_64): files, registry in the 64-bit view, shortcuts"
  local dir_win='C:\Program Files\ZelSATA' dir
  dir=$(unix_path "$dir_win")
  check "setup /S exits 0" wine "$SETUP64" /S
  check "every file is in $dir_win" all_exist "$WORK/x86_64/setup.list" "$dir"
  check "installed files are the mingw64 build's" same_files "$WORK/x86_64/setup.list" "$dir" "$ROOT/build/mingw64/bin"
  check "the uninstaller is installed" test -f "$dir/uninstall.exe"
  check "SearchCode is DWORD 0x40" reg_is "$SETTINGS_KEY" SearchCode 64 "REG_DWORD 0x40"
  check "Run value is the quoted program path" reg_is "$RUN_KEY" ZelSATA 64 "REG_SZ \"$dir_win\\ZelSATA.exe\""
  check "AutoRun is on, in step with the Run value" reg_is "$SETTINGS_KEY" AutoRun 64 "REG_DWORD 0x1"
  check "nothing of ours in the 32-bit view" \
    bash -c "! wine reg query 'HKLM\\Software\\Ondel' /reg:32 && ! wine reg query '$RUN_KEY' /v ZelSATA /reg:32"
  check "Add/Remove entry: name, version, publisher, folder, uninstall commands" \
    uninstall_entry_is "$dir_win"
  check "Start menu: program, help page, uninstaller" \
    test -f "$START_MENU/ZelSATA.lnk" -a -f "$START_MENU/ZelSATA Help.lnk" -a -f "$START_MENU/Uninstall ZelSATA.lnk"
  end_test
}

# The uninstaller must close a running ZelSATA through its helper before removing anything.
# What can be seen from here: the program was running, the uninstall finished, and the
# program's process then had ended with its own exit status 0 (nothing here kills it; a
# program that keeps its window makes the uninstaller stop without removing anything, as
# the blocked-uninstall test shows).
test_uninstall_keeps_settings() {
  begin "silent uninstall closes the running program through its helper and keeps settings"
  local dir_win='C:\Program Files\ZelSATA' dir quiet pid status
  dir=$(unix_path "$dir_win")
  wine reg add "$SETTINGS_KEY" /v AutoUpDate /t REG_DWORD /d 1 /f /reg:64 >/dev/null 2>&1
  wine "$dir_win\\ZelSATA.exe" >/dev/null 2>&1 &
  pid=$!
  check "the installed program starts and its window appears" wine "$HELPER" appear
  quiet=$(reg_value "$UNINSTALL_KEY" QuietUninstallString 64)
  quiet=${quiet#REG_SZ }
  check "QuietUninstallString starts the uninstaller" run_line "$quiet"
  check "the uninstaller and the program end" settle
  check "the program has ended" process_gone "$pid"
  process_gone "$pid" || kill "$pid" 2>/dev/null
  wait "$pid"
  status=$?
  check "the program ended by itself (exit status 0, was $status)" test "$status" -eq 0
  check "the program's files are gone" none_exist "$WORK/x86_64/setup.list" "$dir"
  check "the uninstaller and the directory are gone" test ! -e "$dir"
  check "the Run value is gone" bash -c "! wine reg query '$RUN_KEY' /v ZelSATA /reg:64"
  check "the Add/Remove entry is gone" reg_key_absent "$UNINSTALL_KEY" 64
  check "the Start menu folder is gone" test ! -e "$START_MENU"
  check "settings are kept: SearchCode" reg_is "$SETTINGS_KEY" SearchCode 64 "REG_DWORD 0x40"
  check "settings are kept: AutoUpDate" reg_is "$SETTINGS_KEY" AutoUpDate 64 "REG_DWORD 0x1"
  end_test
}

readonly OTHER_DIR='C:\Tools\Zel SATA'

test_reinstall() {
  begin "reinstall: /D= is honoured, the search selector and the log-on switch are kept"
  local dir setup_win
  dir=$(unix_path "$OTHER_DIR")
  setup_win=$(winepath -w "$SETUP64" 2>/dev/null)
  wine reg add "$SETTINGS_KEY" /v SearchCode /t REG_DWORD /d 0x44 /f /reg:64 >/dev/null 2>&1
  check "setup /S /D=$OTHER_DIR exits 0" run_line "\"$setup_win\" /S /D=$OTHER_DIR"
  check "every file is in $OTHER_DIR" all_exist "$WORK/x86_64/setup.list" "$dir"
  check "the Run value names the program there" reg_is "$RUN_KEY" ZelSATA 64 "REG_SZ \"$OTHER_DIR\\ZelSATA.exe\""
  check "an administrator's SearchCode 0x44 is kept" reg_is "$SETTINGS_KEY" SearchCode 64 "REG_DWORD 0x44"
  # What the program writes when the user turns log-on start off.
  wine reg add "$RUN_KEY" /v ZelSATA /t REG_SZ /d "\"$OTHER_DIR\\ZelSATA.ex_\"" /f /reg:64 >/dev/null 2>&1
  check "setup /S again exits 0" wine "$SETUP64" /S
  check "it reinstalled into the same directory" all_exist "$WORK/x86_64/setup.list" "$dir"
  check "the Add/Remove entry names that directory" uninstall_entry_is "$OTHER_DIR"
  check "and not into the default one" test ! -e "$(unix_path 'C:\Program Files\ZelSATA')"
  check "log-on start stays off" reg_is "$RUN_KEY" ZelSATA 64 "REG_SZ \"$OTHER_DIR\\ZelSATA.ex_\""
  check "and AutoRun says off too" reg_is "$SETTINGS_KEY" AutoRun 64 "REG_DWORD 0x0"
  end_test
}

# exits_with STATUS COMMAND...: true when COMMAND ends with that exit status.
exits_with() {
  local expected=$1 status=0
  shift
  "$@" || status=$?
  [[ $status -eq $expected ]]
}

# A window of the program's frame class and title that ignores the close request, as a
# program that cannot be closed keeps it: the setup and the uninstaller, silent, stop with
# exit status 3 and touch nothing.
test_blocked_by_a_program_that_stays() {
  begin "a ZelSATA main window that does not close: silent setup and uninstall end with status 3"
  local dir frame
  dir=$(unix_path "$OTHER_DIR")
  if [[ ! -f $FRAME_HELPER ]]; then
    check "the frame helper is built ($FRAME_HELPER)" false
    end_test
    return
  fi
  wine "$FRAME_HELPER" frame >/dev/null 2>&1 &
  frame=$!
  check "the frame-class window shows" wine "$HELPER" appear
  check "setup /S exits 3" exits_with 3 wine "$SETUP64" /S
  check "the installed files are still there" all_exist "$WORK/x86_64/setup.list" "$dir"
  check "uninstall /S (in place) exits 3" exits_with 3 run_line "\"$OTHER_DIR\\uninstall.exe\" /S _?=$OTHER_DIR"
  check "the files are still there" all_exist "$WORK/x86_64/setup.list" "$dir"
  check "and the uninstaller" test -f "$dir/uninstall.exe"
  check "the Add/Remove entry is still there" bash -c "wine reg query '$UNINSTALL_KEY' /reg:64"
  kill "$frame" 2>/dev/null
  wait "$frame" 2>/dev/null
  settle
  end_test
}

# eventually COMMAND...: true once COMMAND succeeds, trying for up to 60 s.
eventually() {
  local i
  for i in $(seq 600); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Only the program's own main window is asked to close: another program's windows titled
# "ZelSATA" (an Explorer window showing the folder, a message box) neither block the
# uninstall nor are touched by it.
test_uninstall_removes_settings() {
  begin "uninstall /REMOVESETTINGS beside other programs' windows titled ZelSATA: it completes, they stay"
  local dir pid folder hold status
  dir=$(unix_path "$OTHER_DIR")
  wine "$OTHER_DIR\\ZelSATA.exe" >/dev/null 2>&1 &
  pid=$!
  check "the program's window appears" wine "$HELPER" appear
  wine "$HELPER" folder >/dev/null 2>&1 &
  folder=$!
  check "an Explorer-like window titled ZelSATA shows" wine "$HELPER" folder-appear
  wine "$HELPER" hold >/dev/null 2>&1 &
  hold=$!
  check "a message box captioned ZelSATA shows" wine "$HELPER" box-appear
  check "the uninstaller starts" run_line "\"$OTHER_DIR\\uninstall.exe\" /S /REMOVESETTINGS"
  check "the uninstall completes: the directory goes" eventually test ! -e "$dir"
  check "the program has ended" eventually process_gone "$pid"
  process_gone "$pid" || kill "$pid" 2>/dev/null
  wait "$pid"
  status=$?
  check "the program ended by itself (exit status 0, was $status)" test "$status" -eq 0
  check "the Explorer-like window is untouched" wine "$HELPER" folder-appear
  check "its program still runs" kill -0 "$folder"
  check "the message box is untouched" wine "$HELPER" box-appear
  check "the Run value is gone" bash -c "! wine reg query '$RUN_KEY' /v ZelSATA /reg:64"
  check "the Add/Remove entry is gone" reg_key_absent "$UNINSTALL_KEY" 64
  check "the settings are gone, and the maker's key with them" reg_key_absent 'HKLM\Software\Ondel' 64
  check "the folder window closes" wine "$HELPER" release
  check "the message box closes" wine "$HELPER" dismiss
  process_gone "$folder" || kill "$folder" 2>/dev/null
  process_gone "$hold" || kill "$hold" 2>/dev/null
  wait "$folder" "$hold"
  end_test
}

fresh_prefix() {
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 && wineserver -w
}

main() {
  [[ -n $VERSION && -f $SETUP64 ]] || {
    echo "no setup program for version '$VERSION' in $PKG: run scripts/package first" >&2
    exit 1
  }
  trap cleanup EXIT
  start_display || exit 1
  mkdir -p "$WORK"
  makensis -V1 -WX -DOUTFILE="$HELPER" "$ROOT/tests/installer/wine_helper.nsi" || exit 1

  test_package_contents
  echo "creating $WINEPREFIX"
  fresh_prefix || { echo "could not create $WINEPREFIX" >&2; exit 1; }
  test_install
  test_uninstall_keeps_settings
  test_reinstall
  test_blocked_by_a_program_that_stays
  test_uninstall_removes_settings
  finish
}

main "$@"
