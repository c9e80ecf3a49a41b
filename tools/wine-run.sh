#!/usr/bin/env bash
# Runs a Windows program under Wine with a private, quiet prefix (created on first use) and
# stops the Wine server afterwards. Usage: tools/wine-run.sh PROGRAM.exe [ARGS...]
# The prefix lives in build/wine-prefix unless WINEPREFIX is set.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
mkdir -p "$WINEPREFIX"
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
"$wine" "$@"
rc=$?
wineserver -k >/dev/null 2>&1 || true
exit $rc
