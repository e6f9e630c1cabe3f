#!/usr/bin/env bash
# The differential test: every record ZelSearch.dll (the real Windows backend, under Wine
# with the stand-in device API) gives must equal what the native build (the simulated
# machine behind the platform layer) gives on the same machine file, for every machine
# file of the repository and COUNT generated ones.
#
# usage: differential.sh SOURCE_DIR NATIVE_DUMP WINE WINDOWS_DUMP WORK_DIR COUNT
set -euo pipefail
readonly source=$1 native_dump=$2 wine=$3 windows_dump=$4 work=$5 count=$6

if [[ ! -x $native_dump ]]; then
  echo "no native record dump at $native_dump: build the native preset first" >&2
  exit 1
fi

rm -rf "$work"
mkdir -p "$work/machines/repository"
cp "$source"/tools/machines/*.json "$source"/tests/standin/machines/*.json "$work/machines/repository/"
/usr/bin/python3 "$source/tests/standin/gen_machines.py" "$work/machines/generated" "$count"
cd "$work"
# Relative paths, read alike by both programs (Wine maps the working directory).
find machines -name '*.json' | LC_ALL=C sort >machines.list
# Every third generated machine once more with one device call failing: the k-th call of
# an operation, once, twice or from then on. The backend's failure paths meet the
# stand-in's failure answers, which must round-trip to what the native backend gives.
ops=(CM_Locate_DevNodeA CM_Get_Child CM_Get_Sibling CM_Get_Parent CM_Get_DevNode_Registry_PropertyA
  CM_Get_Device_IDA SetupDiGetClassDevsA SetupDiEnumDeviceInterfaces SetupDiEnumDeviceInfo
  SetupDiGetDeviceInterfaceDetailA CreateFileA DeviceIoControl GetLogicalDrives GetDriveTypeA
  "CreateFileA(GENERIC_READ)" FindFirstFileA SetupDiGetDeviceRegistryPropertyA SetupDiRemoveDevice)
for ((k = 0; k < count; k += 3)); do
  printf 'machines/generated/generated-%03d.json %s %d %d\n' "$k" "${ops[$((k / 3 % ${#ops[@]}))]}" \
    $((k * 37 % 61)) $((k % 3)) >>machines.list
done

"$native_dump" --list machines.list >native.txt
"$wine" "$windows_dump" --list machines.list >windows.txt

machines=$(wc -l <machines.list)
loaded=$(grep -c '^-- Initialization(0x40)' native.txt || true)
devices=$(grep -c '^Device ' native.txt || true)
echo "$machines machines ($loaded loaded; the generated ones partly twice, with a failing call), $devices device records over all selectors"
if ! cmp -s native.txt windows.txt; then
  echo "the records differ (native < >  windows), first differences:"
  diff native.txt windows.txt | head -n 60 || true
  exit 1
fi
# Both sides also report what was left open after each machine: nothing may be.
if grep '^open:' windows.txt | grep -qv '^open: 0 device handles, 0 info sets, 0 find handles$'; then
  echo "handles left open:"
  grep '^open:' windows.txt | sort | uniq -c
  exit 1
fi
echo "equal"
