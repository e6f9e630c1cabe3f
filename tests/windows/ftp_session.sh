#!/usr/bin/env bash
# Runs a test program with a loopback FTP server beside it and stops the server after.
#   ftp_session.sh SERVER_SCRIPT EMULATOR PROGRAM [ARGS...]
# The server serves a fresh directory holding version.csv, blob.bin (every byte value),
# broken.csv (breaks off mid-transfer), endless.csv (never ends) and trickle.csv (a byte
# at a time, never ends) to the update account. The program learns
# the port from ZEL_FTP_PORT and the served directory, as a Windows path, from
# ZEL_FTP_ROOT.
set -euo pipefail

readonly SERVER_SCRIPT=$1 EMULATOR=$2
shift 2

ROOT=$(mktemp -d)
SERVER_PID=""
stop() {
  if [[ -n $SERVER_PID ]]; then
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
  fi
  rm -rf "$ROOT"
}
trap stop EXIT

mkdir "$ROOT/served"
printf 'SATA00,1.01,http://www.example.com/other/\r\nSATA01,1.15,ZelSATA,http://www.example.com/zelsata/\r\n' >"$ROOT/served/version.csv"
/usr/bin/python3 -c '
import sys
open(sys.argv[1], "wb").write(bytes(range(256)) * 200)
open(sys.argv[2], "wb").write(b"x" * 300000)
for name in sys.argv[3:]:
    open(name, "wb").write(b"x")
' "$ROOT/served/blob.bin" "$ROOT/served/broken.csv" "$ROOT/served/endless.csv" "$ROOT/served/trickle.csv"

# Debian's python3, where python3-pyftpdlib lives, whatever python comes first on PATH.
/usr/bin/python3 "$SERVER_SCRIPT" "$ROOT/served" "$ROOT/port" pelori 'mov+tgaq47' \
  >"$ROOT/server.log" 2>&1 &
SERVER_PID=$!
for _ in $(seq 100); do
  [[ -s $ROOT/port ]] && break
  kill -0 "$SERVER_PID" 2>/dev/null || break
  sleep 0.1
done
if [[ ! -s $ROOT/port ]]; then
  echo "the FTP server did not start:" >&2
  cat "$ROOT/server.log" >&2
  exit 1
fi

export ZEL_FTP_PORT
ZEL_FTP_PORT=$(cat "$ROOT/port")
# Wine's drive Z: is the Unix root.
export ZEL_FTP_ROOT
ZEL_FTP_ROOT="Z:${ROOT//\//\\}\\served"

status=0
"$EMULATOR" "$@" || status=$?
if [[ $status -ne 0 ]]; then
  echo "---- FTP server log" >&2
  cat "$ROOT/server.log" >&2
fi
exit "$status"
