#!/usr/bin/env bash
# Compares two raw renders (32-bit little-endian floats, as written by ostrel-hosttest
# --render): same length, every sample finite, and no sample differing by more than the
# tolerance. Prints the largest difference found.
# Usage: tools/compare-renders.sh A.raw B.raw [TOLERANCE]   (default 0: every sample the same)
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 A.raw B.raw [TOLERANCE]" >&2
  exit 2
fi
python3 - "$1" "$2" "${3:-0}" <<'PY'
import math, struct, sys
a_path, b_path, tolerance = sys.argv[1], sys.argv[2], float(sys.argv[3])
a = open(a_path, "rb").read()
b = open(b_path, "rb").read()
if len(a) != len(b) or len(a) % 4 or not a:
    print(f"compare-renders: sizes differ or are not whole floats: {len(a)} and {len(b)} bytes")
    sys.exit(1)
n = len(a) // 4
xa = struct.unpack(f"<{n}f", a)
xb = struct.unpack(f"<{n}f", b)
worst, where, identical, peak = 0.0, -1, 0, 0.0
for i, (p, q) in enumerate(zip(xa, xb)):
    if not (math.isfinite(p) and math.isfinite(q)):
        print(f"compare-renders: sample {i} is not finite ({p}, {q})")
        sys.exit(1)
    d = abs(p - q)
    identical += d == 0.0
    peak = max(peak, abs(p))
    if d > worst:
        worst, where = d, i
print(f"compare-renders: {n} samples, peak {peak:.6g}, {identical} identical, "
      f"largest difference {worst:.3g}" + (f" at sample {where}" if where >= 0 else ""))
if peak == 0.0:
    print("compare-renders: the render is silent")
    sys.exit(1)
sys.exit(0 if worst <= tolerance else 1)
PY
