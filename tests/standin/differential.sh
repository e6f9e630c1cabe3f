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

"$native_dump" --list machines.list >native.txt
"$wine" "$windows_dump" --list machines.list >windows.txt

machines=$(wc -l <machines.list)
loaded=$(grep -c '^-- Initialization(0x40)' native.txt || true)
devices=$(grep -c '^Device ' native.txt || true)
echo "$machines machine files ($loaded loaded), $devices device records over all selectors"
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
