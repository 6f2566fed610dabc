#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix, quietly, without
# Mono/Gecko install prompts, without the crash debugger and without a display.
#   wine-run.sh LOADER PREFIX PROGRAM [ARGUMENTS...]
# LOADER is Wine's 32-bit (/usr/lib/wine/wine) or 64-bit (/usr/lib/wine/wine64)
# loader, matching the program. The prefix is a 64-bit one: Wine's own
# services run natively and only 32-bit programs go through the 32-bit loader.
#
# Where 32-bit programs run through qemu-i386, Wine sometimes kills a process
# while tearing it down after main has returned, or never finishes tearing it
# down. The test programs print a completion line as their last output
# ("[  PASSED  ]", "all checks passed", "replay complete"): a process that has
# printed it and then is killed, or is still there after a grace period, counts
# as having exited with 0. Anything else keeps its own exit status (or the
# test's timeout).
set -uo pipefail
loader=$1
export WINEPREFIX=$2
shift 2
export WINEDEBUG=-all WINEARCH=win64 DISPLAY=
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
grace_seconds=20

log=$(mktemp)
trap 'rm -f "$log"' EXIT

completed() {
  tail -n 3 "$log" | tr -d '\r' |
    grep -qE '^\[  PASSED  \] |all checks passed$|^replay complete$|^Wine is ready'
}

"$loader" "$@" > "$log" 2>&1 &
program=$!
tail -n +1 -f --pid="$program" "$log" &
echo_pid=$!

waited=0
while kill -0 "$program" 2>/dev/null; do
  if completed; then
    waited=$((waited + 1))
    if [ "$waited" -gt "$grace_seconds" ]; then
      echo "wine-run: $1 completed but did not exit; stopping it" >&2
      kill -9 "$program" 2>/dev/null
      break
    fi
  fi
  sleep 1
done
wait "$program"
status=$?
wait "$echo_pid" 2>/dev/null
if [ "$status" -ne 0 ] && [ "$status" -ge 128 ] && completed; then
  echo "wine-run: $1 was stopped during Wine's teardown after completing" >&2
  status=0
fi
exit "$status"
