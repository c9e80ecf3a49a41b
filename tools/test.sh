#!/usr/bin/env bash
# Builds and runs every test: unit tests natively, under AddressSanitizer with
# UndefinedBehaviorSanitizer and (for the threading tests) under ThreadSanitizer; the
# host-level test against the Linux plug-in and, under Wine, against the Windows DLL; the LV2
# bundle through a lilv test host, compared with the VST 2 build sample for sample; the
# toolkit's X11 binding in an X program and the plug-in's editor opened through the .so by an X11
# test host of ours, both under Xvfb; the toolkit's window binding in a Windows program under Wine
# with Xvfb; the plug-in's editor opened through the DLL by a test host of ours and driven with
# real input there; the checks of the DLL's exports and imports; the renders against the
# recorded reference sums; the resource generators' reproduction tests, the reference pictures
# of the toolkit's gallery and of the editor, and the fuzzing corpus. Ends with one summary line.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)
start=$(date +%s)
passed=0
failed=0
failures=()

step() { # step NAME COMMAND...
  local name=$1
  shift
  local t0
  t0=$(date +%s)
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
    echo "-- ok: $name ($(($(date +%s) - t0)) s)"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "-- FAILED: $name ($(($(date +%s) - t0)) s)"
  fi
}

quiet_build() { # quiet_build DIR CMAKE-ARGS... -- TARGETS...
  local dir=$1
  shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  targets=("$@")
  local log=build/logs/$dir
  mkdir -p build/logs
  cmake -S . -B "$dir" -G Ninja "${args[@]}" >"$log.configure.log" 2>&1 || { cat "$log.configure.log"; return 1; }
  local build=(cmake --build "$dir" -j"$jobs")
  [ ${#targets[@]} -gt 0 ] && build+=(--target "${targets[@]}")
  "${build[@]}" >"$log.build.log" 2>&1 || { grep -E 'error|FAILED' "$log.build.log" | head -40; return 1; }
}

mkdir -p build
bash tools/setup-deps.sh || exit 1

# Native build: plug-in, tests, tools and benchmarks (benchmarks are built, not run).
step "native build" quiet_build build -DCMAKE_BUILD_TYPE=Release -DOSTREL_TOOLS=ON -DOSTREL_BENCH=ON
step "native tests (unit, host-level, resource reproduction)" \
  ctest --test-dir build --output-on-failure -j"$jobs" -E '^lv2'
# The samples of the demo and of generated MIDI renders against the recorded sums: speed work
# and tidying must not change a bit (a deliberate change of the sound updates the sums).
step "renders as the recorded reference" python3 tools/render-check.py
# The LV2 bundle: its Turtle files (sord_validate, lv2info), the lilv test host (presets, state,
# bad input, no allocation in run), its renders equal to the VST 2 .so's at 44.1 and 48 kHz,
# and its X11 editor loaded through the UI descriptor under Xvfb (lv2_ui).
step "LV2 bundle through lilv, renders equal to the VST 2 build" \
  ctest --test-dir build --output-on-failure -j"$jobs" -R '^lv2'

# Sanitizers: the unit tests, the host-level test and the tools (MIDI reader, generators)
# with ASan and UBSan.
step "ASan+UBSan build" quiet_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DOSTREL_SANITIZE=address,undefined" -DOSTREL_TOOLS=ON -DOSTREL_BENCH=OFF
step "ASan+UBSan tests" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The X11 window binding in a real X program under Xvfb, driven by the XTest extension, and
# the plug-in's editor opened through the .so's binary interface by an X11 test host of ours:
# the native build and the ASan+UBSan one.
step "X11 binding and the editor through the .so under Xvfb (native and ASan+UBSan)" bash -c \
  'for b in build build-asan; do
     out=$(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
           $b/tests/ostrel-x11test resources/gui 2>&1);
     echo "$out" | grep -v "^ok: " | tail -n 20; echo "$out" | grep -qE "^x11test: [0-9]+ passed, 0 failed" || exit 1;
     out=$(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
           $b/tests/ostrel-x11hosttest $b/plugin/ostrel.so resources 2>&1);
     echo "$out" | grep -v "^ok: " | tail -n 20; echo "$out" | grep -qE "^x11hosttest: [0-9]+ passed, 0 failed" || exit 1;
   done'

# ThreadSanitizer: the tests that use the patch, and the plug-in's host calls, from several
# threads, the toolkit's (its controls hear parameter changes from any thread while the
# window paints), the editor's, and the plug-in's editor driven and painted on one thread
# while notes play on another.
step "TSan build" quiet_build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_SANITIZE=thread \
  -DOSTREL_BENCH=OFF -DOSTREL_TOOLS=OFF -- ostrel_patch_tests ostrel_gui_tests ostrel_editor_tests ostrel_host_tests
step "TSan concurrency tests" bash -c 'export TSAN_OPTIONS=halt_on_error=1;
  build-tsan/tests/ostrel_patch_tests --gtest_brief=1 &&
  build-tsan/tests/ostrel_gui_tests --gtest_brief=1 &&
  OSTREL_SOURCE_DIR=$PWD build-tsan/tests/ostrel_editor_tests --gtest_brief=1 &&
  OSTREL_SOURCE_DIR=$PWD build-tsan/tests/ostrel_host_tests --gtest_brief=1 \
    --gtest_filter="ConcurrentHostCalls.*:EditorThreads.*:PluginEditor.*"'

# Windows: the DLL, its exports and imports, the host-level test under Wine, the window binding
# driven by window messages in a Windows program under Wine with a virtual X display, and the
# plug-in's editor opened through the DLL by a test host of ours and driven with real input.
step "Windows build" quiet_build build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -- ostrel ostrel-hosttest ostrel-windowtest ostrel-editortest
step "DLL exports and imports" bash tools/check-dll.sh build-win/plugin/ostrel.dll
# The same bits on every processor and in both builds need every multiply and add rounded on
# its own: no fused multiply-add instruction may appear in either plug-in.
step "no fused multiply-add in the plug-ins" bash -c \
  '! objdump -d build/plugin/ostrel.so build-win/plugin/ostrel.dll | grep -E "\svfn?m(add|sub)[0-9a-z]*\s" | head -5 | grep .'
step "host-level test under Wine" bash -c \
  'out=$(tools/wine-run.sh build-win/plugin/ostrel-hosttest.exe build-win/plugin/ostrel.dll tests/hosttest 2>&1); echo "$out" | tail -n 20; echo "$out" | grep -qE "^hosttest: [0-9]+ passed, 0 failed"'
step "window binding under Wine and Xvfb" bash -c \
  'out=$(xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run.sh build-win/tests/ostrel-windowtest.exe resources/gui 2>&1);
   echo "$out" | grep -v "^ok: " | tail -n 20; echo "$out" | grep -qE "^windowtest: [0-9]+ passed, 0 failed"'
step "the editor through the DLL under Wine and Xvfb" bash -c \
  'out=$(xvfb-run -a -s "-screen 0 1280x1024x24" tools/wine-run.sh build-win/tests/ostrel-editortest.exe build-win/plugin/ostrel.dll resources 2>&1);
   echo "$out" | grep -v "^ok: " | tail -n 20; echo "$out" | grep -qE "^editortest: [0-9]+ passed, 0 failed"'
step "Windows and Linux renders agree" bash -c \
  'rm -f build/render-linux.raw build/render-win.raw;
   build/plugin/ostrel-hosttest build/plugin/ostrel.so tests/hosttest --render build/render-linux.raw >/dev/null;
   tools/wine-run.sh build-win/plugin/ostrel-hosttest.exe build-win/plugin/ostrel.dll tests/hosttest --render build/render-win.raw >/dev/null 2>&1;
   tools/compare-renders.sh build/render-linux.raw build/render-win.raw 0'

if [ -x tools/fuzz-chunks.sh ]; then
  step "fuzzing corpus replay" bash tools/fuzz-chunks.sh --replay
fi

echo
echo "test.sh finished in $(($(date +%s) - start)) s"
for f in "${failures[@]}"; do echo "failed step: $f"; done
echo "summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
