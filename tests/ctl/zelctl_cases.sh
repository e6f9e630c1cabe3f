#!/bin/bash
# zelctl's exit statuses and output on a simulated PC (zelctl-cases.json beside this script):
#   zelctl_cases.sh GROUP ZELCTL [EMULATOR]
# GROUP is list, remove or rescan. Natively ZELCTL is the native build's program; under
# Wine it is the shipped zelctl.exe beside the stand-in device API, and EMULATOR is wine.
set -u
group=$1 zelctl=$2 emulator=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
machine=$here/zelctl-cases.json
[ -n "$emulator" ] && machine=$(winepath -w "$machine" 2>/dev/null)
export ZELSIM_MACHINE=$machine
failures=0 out= err= status=
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ctl() {
    $emulator "$zelctl" "$@" >"$work/out" 2>"$work/err"
    status=$?
    out=$(tr -d '\r' <"$work/out") err=$(tr -d '\r' <"$work/err")
}
expect() { # STATUS DESCRIPTION [PATTERN IN OUTPUT] [PATTERN IN ERRORS]
    local problem=
    [ "$status" = "$1" ] || problem="exit status $status, not $1"
    [ -z "${3:-}" ] || grep -qE -- "$3" <<<"$out" || problem="$problem; output lacks /$3/"
    [ -z "${4:-}" ] || grep -qE -- "$4" <<<"$err" || problem="$problem; errors lack /$4/"
    if [ -n "$problem" ]; then
        echo "FAIL $2: $problem"; echo "  output: $out"; echo "  errors: $err"
        failures=$((failures + 1))
    else
        echo "ok   $2"
    fi
}

case $group in
list)
    ctl list
    expect 0 "list: one line per device, index first, the system disk marked" \
        $'^1\tF:G:\tdisk\tMaxtor 6Y160M0 SCSI Disk Device\tSilicon Image SiI 3512 SATALink Controller\tsystem disk$'
    [ "$(wc -l <<<"$out")" = 3 ] || { echo "FAIL list: $(wc -l <<<"$out") lines, not 3"; failures=$((failures + 1)); }
    ctl list --json
    expect 0 "list --json"
    /usr/bin/python3 -c '
import json, sys
devices = json.load(sys.stdin)
assert [d["index"] for d in devices] == [0, 1, 2], devices
assert devices[1]["letters"] == ["F:", "G:"] and devices[1]["systemDisk"] is True, devices[1]
assert devices[2]["kind"] == "cd-rom" and devices[0]["systemDisk"] is False, devices
' <<<"$out" || { echo "FAIL list --json: not the devices, or not JSON"; failures=$((failures + 1)); }
    if [ -z "$emulator" ]; then
        # Natively the machine may also be named on the command line, ahead of the command.
        ctl --machine "$here/../../tools/machines/default.json" list
        expect 0 "--machine: the built-in PC, whose F: holds no start-up files" \
            $'^1\tF:G:\tdisk\tMaxtor 6Y160M0 SCSI Disk Device\tSilicon Image SiI 3512 SATALink Controller$'
    fi
    for args in "" "list --force-system" "remove" "remove E: F:" "frobnicate"; do
        ctl $args
        expect 3 "usage: zelctl $args"
    done
    ;;
remove)
    if [ -z "$emulator" ]; then
        # A user without administrator rights: the simulated system says so.
        /usr/bin/python3 -c 'import json, sys
m = json.load(open(sys.argv[1])); m["system"]["administrator"] = False; json.dump(m, open(sys.argv[2], "w"))' \
            "$machine" "$work/user.json"
        ctl --machine "$work/user.json" remove H:
        expect 3 "remove without administrator rights" "" "needs an administrator"
    fi
    ctl remove Z:
    expect 2 "remove a letter no device has" "" "no device Z:"
    ctl remove PhysicalDrive0
    expect 2 "remove the disk the system runs from: never offered"
    ctl remove 7
    expect 2 "remove past the end of the list"
    ctl remove e:
    expect 1 "remove a device that refuses" "" "refused \(restart needed\)"
    ctl remove F:
    expect 1 "remove the system disk without --force-system" "" "force-system"
    # A disk a program holds open: the refusal names the program.
    held=$here/../../tools/machines/held-disks.json
    [ -n "$emulator" ] && held=$(winepath -w "$held" 2>/dev/null)
    ZELSIM_MACHINE=$held ctl remove E:
    expect 1 "remove a disk a program holds open" "" '^  notepad\.exe \(1234\)$'
    ctl remove PhysicalDrive2 --force-system
    expect 0 "remove the system disk by its number, forced" $'^removed 1\tF:G:'
    ctl remove 2
    expect 0 "remove by index" $'^removed 2\tH:'
    ;;
rescan)
    ctl list
    expect 0 "list before the rescan"
    grep -q "K:" <<<"$out" && { echo "FAIL the unnoticed disk is listed before the rescan"; failures=$((failures + 1)); }
    ctl rescan
    expect 0 "rescan lists the disk the card had not reported" $'\tK:\tdisk\tWDC WD1600JS-00MHB0 SCSI Disk Device\t'
    ;;
*)
    echo "unknown group $group"; exit 2 ;;
esac
exit $((failures > 0))
