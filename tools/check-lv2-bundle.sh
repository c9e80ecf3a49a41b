#!/usr/bin/env bash
# Checks the LV2 bundle's description with Debian's tools: its Turtle files validate against
# the LV2 schema files of lv2-dev (sord_validate), and lv2info finds the plug-in with its 131
# ports (128 controls in host-index order, MIDI in, two audio outputs), its 16 presets and its
# X11 user interface in ostrel_ui.so.
# Usage: tools/check-lv2-bundle.sh BUNDLE_DIR
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1/manifest.ttl" ]; then
  echo "usage: $0 BUNDLE_DIR (a folder with manifest.ttl)" >&2
  exit 2
fi
bundle=$(cd "$1" && pwd)
ok=1
fail() { echo "check-lv2-bundle: $*"; ok=0; }

mapfile -t schemas < <(dpkg -L lv2-dev | grep '\.ttl$')
[ ${#schemas[@]} -gt 0 ] || fail "no schema files from lv2-dev"
validation=$(sord_validate "${schemas[@]}" "$bundle"/*.ttl 2>&1) || true
echo "$validation" | tail -n 1
echo "$validation" | grep -q '^Found 0 errors' || { echo "$validation" | tail -n 30; fail "sord_validate reports errors"; }

# The bundle alone is the plug-in path, so an installed copy cannot stand in for it.
info=$(LV2_PATH="$(dirname "$bundle")" lv2info urn:ostrel:synth 2>&1) || true
ports=$(echo "$info" | grep -cE '^\s*Port [0-9]+:$' || true)
controls=$(echo "$info" | grep -cE 'lv2core#ControlPort$' || true)
audio=$(echo "$info" | grep -cE 'lv2core#AudioPort$' || true)
presets=$(echo "$info" | sed -n '/^\s*Presets:/,/^\s*$/p' | grep -cvE '^\s*(Presets:)?\s*$' || true)
echo "lv2info: $ports ports ($controls control, $audio audio), $presets presets"
[ "$ports" -eq 131 ] && [ "$controls" -eq 128 ] && [ "$audio" -eq 2 ] || fail "lv2info does not list the 131 ports"
[ "$presets" -eq 16 ] || fail "lv2info does not list the 16 presets"
echo "$info" | grep -q 'Symbol:\s*Cutoff$' || fail "no port with the symbol Cutoff"
echo "$info" | grep -q 'Sawpad1' || fail "no preset named Sawpad1"
echo "$info" | grep -A1 -E '^\s*urn:ostrel:synth#ui$' | grep -q 'ui#X11UI$' || fail "no X11 UI urn:ostrel:synth#ui"
echo "$info" | grep -qE 'Binary: .*/ostrel_ui\.so$' || fail "the UI's binary is not ostrel_ui.so"
[ "$ok" -eq 1 ] && echo "check-lv2-bundle: ok"
[ "$ok" -eq 1 ]
