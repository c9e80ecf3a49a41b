#!/usr/bin/env python3
"""Before/after check of the plug-in's output: renders the built-in demo and a set of MIDI
files (written by this script, so nothing binary is committed) through ostrel-render at
several sample rates and block sizes, and compares the samples of every render (the WAV data
chunk; the header carries a time stamp) with a reference.

  tools/render-check.py                    compare with tools/render-check.sums
  tools/render-check.py --update           write tools/render-check.sums from this build
  tools/render-check.py --against OLD.so   render with both plug-ins, print the largest
                                           sample difference of each render

The sums file is made from the commit before a change that must not alter the output (a
speed change, a tidy-up) and kept with it; any mismatch fails the check (exit status 1).
"""
import argparse
import hashlib
import math
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SUMS = os.path.join(ROOT, "tools", "render-check.sums")

# ---- MIDI files ---------------------------------------------------------------------------
DIVISION = 480  # ticks per quarter note; 120 bpm, so a tick is 1/960 s


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def midi_file(events):
    """events: (tick, status, data...) in any order; a format 0 file."""
    events = sorted(events, key=lambda e: e[0])  # stable: equal ticks keep their order
    track = bytearray()
    last = 0
    for tick, *message in events:
        track += var_len(tick - last) + bytes(message)
        last = tick
    track += var_len(0) + bytes([0xFF, 0x2F, 0x00])
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, DIVISION)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def ms(t):
    return int(round(t * 0.96))


def programs_song():
    """Every program of the default bank: a held chord, then overlapping arpeggios that make
    the voices steal each other, with all notes released before the next program."""
    ev = []
    t = 0
    for program in range(16):
        ev.append((ms(t), 0xC0, program))
        chord = [48, 55, 60, 64, 67, 71]
        for i, note in enumerate(chord):
            ev.append((ms(t + 7 * i), 0x90, note, 40 + 15 * i))
            ev.append((ms(t + 1400 + 11 * i), 0x80, note, 0))
        for k in range(24):
            note = 36 + (k * 7) % 41
            start = t + 1500 + 55 * k
            ev.append((ms(start), 0x90 | (k % 3), note, 20 + (k * 37) % 107))
            ev.append((ms(start + 230 + (k % 5) * 40), 0x80 | (k % 3), note, 64))
        t += 4000
    return ev


def expression_song():
    """Bend, pressure and mod wheel sweeps over held notes, on the programs with LFOs,
    sample-and-hold and resonance; all-notes-off (123 and 126), extreme notes and velocities."""
    ev = []
    t = 0
    for program in (13, 11, 6, 3, 12):
        ev.append((ms(t), 0xC0, program))
        for i, note in enumerate((0, 40, 52, 59, 127)):
            ev.append((ms(t + 3 * i), 0x90, note, (1, 64, 127, 90, 110)[i]))
        for step in range(300):
            at = t + 10 * step
            bend = int(8192 + 8191 * math.sin(step * 0.05))
            ev.append((ms(at), 0xE0, bend & 0x7F, bend >> 7))
            ev.append((ms(at + 3), 0xD0, (step * 3) % 128))
            ev.append((ms(at + 6), 0xB0, 1, (step * 5) % 128))
        ev.append((ms(t + 2500), 0xB0, 123, 0))
        ev.append((ms(t + 2600), 0x91, 64, 100))
        ev.append((ms(t + 2900), 0xB0, 126, 1))
        ev.append((ms(t + 3000), 0x90, 64, 0))  # note-off as velocity 0
        t += 4000
    return ev


def dense_song():
    """Fast repeated chords on one pad: a note-on every few milliseconds, retriggers of
    sounding notes, constant stealing."""
    ev = [(0, 0xC0, 5)]
    for k in range(400):
        at = 5 + 7 * k + (k % 3)
        note = 30 + (k * 11) % 70
        ev.append((ms(at), 0x90, note, 30 + (k * 13) % 98))
        ev.append((ms(at + 40 + (k * 17) % 300), 0x80, note, 0))
    return ev


def idle_song():
    """Notes after long silences, with the chorus on (program 1) and off (program 0): the
    voices end and the chorus runs out between them, and the next note must sound as ever."""
    ev = []
    for program, t in ((1, 0), (0, 22000)):
        ev.append((ms(t), 0xC0, program))
        for at in (t + 100, t + 11000, t + 11900):
            ev.append((ms(at), 0x90, 57, 100))
            ev.append((ms(at + 400), 0x80, 57, 0))
    return ev


SONGS = {"programs": programs_song, "expression": expression_song, "dense": dense_song, "idle": idle_song}

# ---- renders ------------------------------------------------------------------------------
# (name, source, ostrel-render options)
RENDERS = [
    ("demo-44100", "demo", ["--rate", "44100"]),
    ("demo-48000-block37", "demo", ["--rate", "48000", "--block", "37"]),
    ("programs-44100", "programs", ["--rate", "44100"]),
    ("programs-48000-block8000", "programs", ["--rate", "48000", "--block", "8000"]),
    ("programs-96000-block100", "programs", ["--rate", "96000", "--block", "100"]),
    ("expression-44100-block64", "expression", ["--rate", "44100", "--block", "64"]),
    ("expression-48000", "expression", ["--rate", "48000"]),
    ("dense-44100-block1", "dense", ["--rate", "44100", "--block", "1", "--tail", "1"]),
    ("dense-48000", "dense", ["--rate", "48000"]),
    ("idle-44100", "idle", ["--rate", "44100"]),
    ("idle-48000-block100", "idle", ["--rate", "48000", "--block", "100"]),
]


def wav_data(path):
    """The bytes of a WAV file's data chunk."""
    with open(path, "rb") as f:
        d = f.read()
    i = 12
    while i + 8 <= len(d):
        size = struct.unpack("<I", d[i + 4:i + 8])[0]
        if d[i:i + 4] == b"data":
            return d[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
    raise SystemExit(f"render-check: {path} has no data chunk")


def render(tool, plugin, source, options, midi_dir, out):
    cmd = [tool, "--plugin", plugin, "--quiet", "--out", out] + options
    cmd += ["--demo"] if source == "demo" else ["--midi", os.path.join(midi_dir, source + ".mid")]
    subprocess.run(cmd, check=True)
    return wav_data(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--plugin", default=os.path.join(ROOT, "build", "plugin", "ostrel.so"))
    ap.add_argument("--tool", default=os.path.join(ROOT, "build", "tools", "render", "ostrel-render"))
    ap.add_argument("--update", action="store_true", help="write the sums file from this build")
    ap.add_argument("--against", metavar="PLUGIN", help="compare sample by sample with another plug-in")
    args = ap.parse_args()

    with tempfile.TemporaryDirectory(prefix="render-check-") as tmp:
        for name, song in SONGS.items():
            with open(os.path.join(tmp, name + ".mid"), "wb") as f:
                f.write(midi_file(song()))
        expected = {}
        if not args.update and not args.against:
            with open(SUMS) as f:
                for line in f:
                    if line.strip() and not line.startswith("#"):
                        digest, name = line.split()
                        expected[name] = digest
        sums = []
        failed = 0
        for name, source, options in RENDERS:
            out = os.path.join(tmp, name + ".wav")
            data = render(args.tool, args.plugin, source, options, tmp, out)
            digest = hashlib.sha256(data).hexdigest()
            sums.append(f"{digest}  {name}")
            if args.against:
                other = render(args.tool, args.against, source, options, tmp, out)
                n = min(len(data), len(other)) // 4
                a = struct.unpack(f"<{n}f", data[:4 * n])
                b = struct.unpack(f"<{n}f", other[:4 * n])
                differ = sum(1 for p, q in zip(a, b) if p != q)
                worst = max((abs(p - q) for p, q in zip(a, b)), default=0.0)
                peak = max((abs(p) for p in a), default=0.0)
                same = len(data) == len(other) and differ == 0
                failed += 0 if same else 1
                print(f"{name}: {n} samples, peak {peak:.6g}, {differ} differ, largest difference {worst:.3g}")
            elif not args.update:
                ok = expected.get(name) == digest
                failed += 0 if ok else 1
                print(f"{name}: {'same' if ok else 'DIFFERENT'}")
        if args.update:
            with open(SUMS, "w") as f:
                f.write("# SHA-256 of the samples of each render of tools/render-check.py\n")
                f.write("\n".join(sums) + "\n")
            print(f"render-check: wrote {SUMS}")
            return 0
        print(f"render-check: {len(RENDERS) - failed} of {len(RENDERS)} renders {'identical' if args.against else 'as the reference'}")
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
