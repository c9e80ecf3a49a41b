#!/usr/bin/env bash
# Builds the plug-ins (Linux VST 2 .so, LV2 bundle, Windows DLL) and runs the main job: the built-in demo
# of the default bank rendered through the plug-in into a WAV file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

bash tools/setup-deps.sh

echo "== native build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"

echo "== Windows build (build-win/)"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j"$jobs" --target ostrel ostrel-hosttest

mkdir -p out
render=build/tools/render/ostrel-render
if [ -x "$render" ]; then
  echo "== main job: the default bank's demo"
  "$render" --plugin build/plugin/ostrel.so --demo --out out/demo.wav
else
  echo "== main job: what the plug-in reports about itself"
  build/plugin/ostrel-hosttest --info build/plugin/ostrel.so
fi

echo
echo "Linux plug-in:   $root/build/plugin/ostrel.so"
echo "LV2 bundle:      $root/build/lv2-bundle/ostrel.lv2"
echo "Windows plug-in: $root/build-win/plugin/ostrel.dll"
[ -f out/demo.wav ] && echo "Demo render:     $root/out/demo.wav"
exit 0
