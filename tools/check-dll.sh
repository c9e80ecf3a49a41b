#!/usr/bin/env bash
# Checks that the Windows plug-in exports its two entry points and imports only libraries
# that every Windows system has (the C++ runtime is linked in statically).
set -euo pipefail
dll=${1:?usage: check-dll.sh ostrel.dll}
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
status=0
for name in main VSTPluginMain; do
  if ! grep -qE "^\s+\[\s*[0-9]+\]\s+$name\s*$" <<<"$dump"; then
    echo "missing export: $name"
    status=1
  fi
done
allowed='^(kernel32|user32|gdi32|msvcrt|advapi32|shell32|ole32|comdlg32|imm32|winmm|version)\.dll$'
while read -r lib; do
  if ! grep -qE "$allowed" <<<"${lib,,}"; then
    echo "unexpected import: $lib"
    status=1
  fi
done < <(echo "$dump" | sed -n 's/^\s*DLL Name: //p')
echo "imports: $(echo "$dump" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
exit $status
