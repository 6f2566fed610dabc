#!/bin/sh
# Runs a Win32 program under Wine with a private prefix, quietly, without
# Mono/Gecko install prompts, without the crash debugger and without a display.
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is a 64-bit one: Wine's own services run natively and only the
# 32-bit programs go through the 32-bit loader.
set -e
WINEPREFIX=$1
shift
export WINEPREFIX
export WINEDEBUG=-all WINEARCH=win64 DISPLAY=
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
exec wine "$@"
