#!/usr/bin/python3
"""Measures the default bank as a musician meets it.

Renders every program of the built plug-in through ostrel-render with fixed MIDI (written by
this script into a scratch folder) and prints tables of what was measured:

  levels   peak of an 8-note chord at velocity 127 (the worse of an open and a close voicing),
           of a held 4-note chord, of a melody and of everything rendered (sample peak, dBFS);
           loudness of the held 4-note chord (K-weighted, ungated, over the 4 s the keys are
           down; LUFS) and its difference from "Sawpad1" (LU); loudness of the melody
  tone     spectral centroid (power-weighted, Hz) of a held middle C at 0.1 .. 8 s, and the
           left/right balance (dB, left minus right) of single notes C1..C7 played one after
           the other (so each note takes the next voice)
  details  the measurements a few programs are judged by: level dips and vowel movement of
           "Wavevox2", pitch swing of "Fastchorus", inharmonicity and decay of "Thebells2",
           how far each harmonic of "Pulse sweep" drops and where its lowest notch lies, and the
           stored "48 Oohh" and "49 Eehh" waves (harmonic centroid, 2nd against 3rd harmonic)

Usage: tools/measure-bank.py [--build DIR] [--programs 1,8,...] [--keep DIR]
Needs numpy (python3-numpy, installed by tools/setup-deps.sh) and a build with OSTREL_TOOLS=ON.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

import numpy as np

RATE = 44100
C4 = 60


def note_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


# ---------------------------------------------------------------------------------------------
# MIDI files: format 0, 1000 ticks a quarter at 60 bpm, so one tick is one millisecond.

def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def write_midi(path, notes):
    """notes: (start s, length s, key, velocity)."""
    events = []
    for start, length, key, velocity in notes:
        on = int(round(start * 1000))
        events.append((on, 1, bytes([0x90, key, velocity])))
        events.append((on + int(round(length * 1000)), 0, bytes([0x80, key, 64])))
    events.sort(key=lambda e: (e[0], e[1]))
    track = bytearray(vlq(0) + b"\xff\x51\x03" + (1000000).to_bytes(3, "big"))
    now = 0
    for tick, _, message in events:
        track += vlq(tick - now) + message
        now = tick
    track += vlq(0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 1000))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


HOLD = 4.0  # chords are held this long
LONG_HOLD = 20.0  # the single middle C
SINGLES = [24, 36, 48, 60, 72, 84, 96]  # C1..C7
SINGLE_STEP = 3.0  # a new single note every 3 s, each held 2 s
MELODY = [60, 62, 64, 67, 69, 67, 64, 62, 60, 64, 67, 72, 71, 67, 65, 62, 60]

SCENES = {
    # name: (notes, tail seconds)
    "chord4": ([(0.0, HOLD, k, 127) for k in (48, 55, 64, 71)], 3.0),
    "chord8open": ([(0.0, HOLD, k, 127) for k in (36, 48, 55, 60, 64, 67, 71, 74)], 3.0),
    "chord8close": ([(0.0, HOLD, k, 127) for k in (60, 62, 64, 65, 67, 69, 71, 72)], 3.0),
    "melody": ([(0.3 * i, 0.28, k, 100 if i % 4 == 0 else 80) for i, k in enumerate(MELODY)], 3.0),
    "long": ([(0.0, LONG_HOLD, C4, 100)], 4.0),
    "singles": ([(SINGLE_STEP * i, 2.0, k, 100) for i, k in enumerate(SINGLES)], 3.0),
}


# ---------------------------------------------------------------------------------------------
# Rendering and reading WAV files.

def read_wav(path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise RuntimeError(path + " is not a WAV file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif cid == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    tag, channels, _, _, _, bits = fmt
    if bits == 32 and tag in (3, 0xFFFE):
        x = np.frombuffer(samples, dtype="<f4").astype(np.float64)
    elif bits == 24:
        b = np.frombuffer(samples, dtype=np.uint8).reshape(-1, 3).astype(np.int32)
        x = ((b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)) << 8 >> 8) / 8388608.0
    else:
        raise RuntimeError(path + ": unexpected sample format")
    return x.reshape(-1, channels)


class Renderer:
    def __init__(self, build, scratch):
        self.tool = os.path.join(build, "tools/render/ostrel-render")
        self.plugin = os.path.join(build, "plugin/ostrel.so")
        self.scratch = scratch
        for name, (notes, _) in SCENES.items():
            write_midi(os.path.join(scratch, name + ".mid"), notes)

    def render(self, program, scene):
        out = os.path.join(self.scratch, "p%02d-%s.wav" % (program, scene))
        subprocess.run([self.tool, "--plugin", self.plugin, "--program", str(program), "--midi",
                        os.path.join(self.scratch, scene + ".mid"), "--tail", str(SCENES[scene][1]),
                        "--out", out, "--quiet"], check=True)
        return read_wav(out)

    def program_names(self):
        out = os.path.join(self.scratch, "names.wav")
        names = []
        text = subprocess.run([self.tool, "--plugin", self.plugin, "--demo", "--out", out, "--tail", "0"],
                              check=True, capture_output=True, text=True).stdout
        for line in text.splitlines():
            if " program " in line:
                names.append(line.split(" program ", 1)[1].strip().split(None, 1)[1])
        return names


# ---------------------------------------------------------------------------------------------
# Measurements.

def db(x, floor=-200.0):
    return max(floor, 10.0 * np.log10(x)) if x > 0 else floor


def peak_dbfs(x):
    return db(float(np.max(np.abs(x))) ** 2)


def span(x, start, end):
    return x[int(start * RATE):int(end * RATE)]


def k_weighting_power(n):
    """|H|^2 of the K-weighting filter (shelf and high-pass of ITU-R BS.1770) at the rfft bins."""
    w = 2.0 * np.pi * np.fft.rfftfreq(n, 1.0 / RATE) / RATE
    z = np.exp(-1j * w)

    def biquad(b, a):
        return (b[0] + b[1] * z + b[2] * z * z) / (a[0] + a[1] * z + a[2] * z * z)

    k = np.tan(np.pi * 1681.974450955533 / RATE)
    q = 0.7071752369554196
    vh = 10.0 ** (3.999843853973347 / 20.0)
    vb = vh ** 0.4996667741545416
    shelf = biquad([vh + vb * k / q + k * k, 2.0 * (k * k - vh), vh - vb * k / q + k * k],
                   [1.0 + k / q + k * k, 2.0 * (k * k - 1.0), 1.0 - k / q + k * k])
    k = np.tan(np.pi * 38.13547087602444 / RATE)
    q = 0.5003270373238773
    highpass = biquad([1.0, -2.0, 1.0], [1.0 + k / q + k * k, 2.0 * (k * k - 1.0), 1.0 - k / q + k * k])
    return np.abs(shelf * highpass) ** 2


def loudness(x):
    """Ungated K-weighted loudness of a stereo span, LUFS (mean square through Parseval)."""
    n = len(x)
    h = k_weighting_power(n)
    total = 0.0
    for c in range(2):
        spectrum = np.abs(np.fft.rfft(x[:, c])) ** 2
        weights = np.full(len(spectrum), 2.0)
        weights[0] = 1.0
        if n % 2 == 0:
            weights[-1] = 1.0
        total += float(np.sum(spectrum * h * weights)) / (n * n)
    return -0.691 + db(total)


def power_spectrum(mono, start, size):
    a = int(start * RATE)
    frame = mono[a:a + size]
    if len(frame) < size:
        frame = np.pad(frame, (0, size - len(frame)))
    return np.abs(np.fft.rfft(frame * np.hanning(size))) ** 2, np.fft.rfftfreq(size, 1.0 / RATE)


def centroid(mono, t, size=4096):
    p, f = power_spectrum(mono, t, size)
    band = (f >= 20.0) & (f <= 20000.0)
    total = float(np.sum(p[band]))
    return float(np.sum(p[band] * f[band]) / total) if total > 1e-20 else 0.0


def levels_db(x, frame=0.02):
    """Mean-square level (dB) in frames of a mono signal, or of both channels of a stereo one."""
    n = int(frame * RATE)
    count = len(x) // n
    squares = x[:count * n] ** 2
    if squares.ndim == 2:
        squares = squares.sum(axis=1)
    ms = np.mean(squares.reshape(count, n), axis=1)
    return 10.0 * np.log10(np.maximum(ms, 1e-20))


def balance(x, start, end):
    s = span(x, start, end)
    return db(float(np.mean(s[:, 0] ** 2))) - db(float(np.mean(s[:, 1] ** 2)))


def harmonic_levels(mono, t, f0, count, size=16384):
    """Level (dB) of harmonics 1..count of f0: the strongest bin within 1.5 % of each."""
    p, f = power_spectrum(mono, t, size)
    out = []
    for k in range(1, count + 1):
        band = (f > k * f0 * 0.985) & (f < k * f0 * 1.015)
        out.append(db(float(np.max(p[band])) if band.any() else 0.0))
    return np.array(out)


# Details of single programs ------------------------------------------------------------------

def wavevox_details(long):
    mono = long.mean(axis=1)
    lv = levels_db(span(mono, 0.3, LONG_HOLD))  # 20 ms frames while the key is down
    half = 25  # a running median over 1 s is the reference a dip is measured against
    dips = [np.median(lv[max(0, i - half):i + half]) - lv[i] for i in range(len(lv))]
    f0 = note_hz(C4)
    times = np.arange(0.5, LONG_HOLD, 0.5)
    track = [centroid(mono, t) / f0 for t in times]
    late = [c for t, c in zip(times, track) if t >= 2.0]
    return ("Wavevox2: deepest dip %.1f dB below the running level (held middle C, 0.3..%g s); "
            "centroid in harmonics every 0.5 s: %s; moves by %.2f harmonics after 2 s"
            % (max(dips), LONG_HOLD, " ".join("%.1f" % c for c in track), max(late) - min(late)))


def fastchorus_details(long):
    # The chorus is linear: isolating the fundamental is the same as chorusing a sine.
    mono = span(long.mean(axis=1), 0.0, LONG_HOLD)
    f0 = note_hz(C4)
    spectrum = np.fft.fft(mono)
    f = np.abs(np.fft.fftfreq(len(mono), 1.0 / RATE))
    spectrum[(f < 0.75 * f0) | (f > 1.35 * f0)] = 0.0
    spectrum[np.fft.fftfreq(len(mono)) < 0] = 0.0  # analytic signal
    analytic = np.fft.ifft(spectrum)
    phase = np.unwrap(np.angle(analytic))
    inst = np.diff(phase) * RATE / (2.0 * np.pi)
    smooth = np.convolve(inst, np.ones(441) / 441.0, mode="same")  # 10 ms
    cents = 1200.0 * np.log2(np.maximum(smooth[int(0.3 * RATE):int((LONG_HOLD - 0.3) * RATE)], 1.0) / f0)
    return ("Fastchorus: pitch of the chorused fundamental (held middle C): swing %+.1f .. %+.1f cents "
            "(1st..99th percentile %+.1f .. %+.1f)"
            % (cents.min(), cents.max(), np.percentile(cents, 1), np.percentile(cents, 99)))


def bells_details(long):
    mono = long.mean(axis=1)
    f0 = note_hz(C4)
    p, f = power_spectrum(mono, 0.15, 65536)
    band = (f > 60.0) & (f < 12000.0)
    top = float(np.max(p[band]))
    peaks = []
    for i in np.nonzero(band)[0]:
        if p[i] > top * 1e-4 and p[i] >= p[i - 1] and p[i] > p[i + 1]:
            # Parabolic interpolation of the log spectrum for the peak frequency.
            a, b, c = np.log(p[i - 1] + 1e-30), np.log(p[i]), np.log(p[i + 1] + 1e-30)
            shift = 0.5 * (a - c) / (a - 2.0 * b + c) if a - 2.0 * b + c != 0 else 0.0
            peaks.append((float(p[i]), (i + shift) * RATE / 65536.0))
    # Off the grid: further than 10 cents from any multiple of half the note (the hum an octave
    # below, octaves and twelfths all lie on that grid).
    grid = f0 / 2.0
    off, total, worst = 0.0, 0.0, []
    for power, freq in peaks:
        k = max(1, round(freq / grid))
        deviation = 1200.0 * np.log2(freq / (k * grid))
        total += power
        if abs(deviation) > 10.0:
            off += power
        worst.append((power, freq / f0, deviation))
    worst.sort(reverse=True)
    strongest = ", ".join("%.3f (%+.0f c)" % (r, d) for _, r, d in worst[:8])
    lv = levels_db(long, 0.05)  # both channels: the chorus moves level between them
    ref = lv.max()

    def at(t):  # mean power over up to half a second around t (partials beat)
        half = min(0.25, t / 2.0)
        frames = lv[int(round((t - half) / 0.05)):int(round((t + half) / 0.05)) + 1]
        return db(float(np.mean(10.0 ** (frames / 10.0)))) - ref

    times = [0.1, 0.5, 1.0, 2.0, 4.0, 8.0, 12.0, 16.0, 20.0]
    marks = [at(t) for t in times]
    rates = ["%.1f" % ((marks[i] - marks[i + 1]) / (times[i + 1] - times[i])) for i in range(len(times) - 1)]
    below = [t for t in np.arange(0.1, LONG_HOLD, 0.05) if at(t) < -40.0]
    return ("Thebells2: %.0f %% of the partial energy off the harmonic grid (>10 cents); strongest partials "
            "(ratio to the note): %s\n"
            "  level (dB re its peak) at %s s: %s; decay dB/s between them: %s; below -40 dB from %s"
            % (100.0 * off / total if total else 0.0, strongest, "/".join("%g" % t for t in times),
               " ".join("%.1f" % m for m in marks), " ".join(rates),
               ("%.1f s" % below[0]) if below else "never while held"))


def pulse_details(long):
    mono = long.mean(axis=1)
    f0 = note_hz(C4)
    # Harmonics 1..17 of a held middle C every 0.25 s from 0.5 to 8 s (93 ms frames). A
    # crossfade of fixed waves can only drop a harmonic where one of the waves has a null of its
    # own; a sweeping width (or phase) takes every harmonic through a null in turn.
    levels = np.array([harmonic_levels(mono, t, f0, 17, 4096) for t in np.arange(0.5, 8.01, 0.25)])
    drops = [np.median(levels[:, k - 1]) - levels[:, k - 1].min() for k in range(2, 17)]
    lowest = []
    for frame in levels:
        notches = [k for k in range(2, 17) if (frame[k - 2] + frame[k]) / 2.0 - frame[k - 1] >= 12.0]
        lowest.append(notches[0] if notches else 0)
    return ("Pulse sweep: deepest drop below its median of harmonics 2..16 of a held middle C (0.5..8 s, dB): %s "
            "(%d of 15 by 15 dB or more); lowest notch every 0.25 s: %s"
            % (" ".join("%.0f" % d for d in drops), sum(d >= 15.0 for d in drops),
               " ".join(str(k) if k else "-" for k in lowest)))


def vowel_waves(source):
    data = open(os.path.join(source, "resources/waves.bin"), "rb").read()

    def harmonics(index):
        codes = np.frombuffer(data[256 * index:256 * index + 256], dtype="<i2").astype(np.float64) - 2048.0
        return np.abs(np.fft.rfft(codes))[1:64]

    def power_centroid(h):
        k = np.arange(1, len(h) + 1)
        return float(np.sum(k * h * h) / np.sum(h * h))

    oo, ee = harmonics(16), harmonics(17)
    c_oo, c_ee = power_centroid(oo), power_centroid(ee)
    rel = lambda h, k: 20.0 * np.log10(h[k - 1] / h.max())
    return ("waves: 49 Eehh centroid %.2f harmonics, 48 Oohh %.2f (ratio %.2f); "
            "Oohh 2nd %.1f dB, 3rd %.1f dB; Eehh strongest of 8..12 %.1f dB"
            % (c_ee, c_oo, c_ee / c_oo, rel(oo, 2), rel(oo, 3), max(rel(ee, k) for k in range(8, 13))))


# ---------------------------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(here, "build"), help="build folder (default build/)")
    parser.add_argument("--programs", help="comma list of program numbers (default all)")
    parser.add_argument("--keep", help="write the MIDI files and renders here and keep them")
    args = parser.parse_args()

    scratch = args.keep or tempfile.mkdtemp(prefix="ostrel-measure-")
    os.makedirs(scratch, exist_ok=True)
    renderer = Renderer(args.build, scratch)
    names = renderer.program_names()
    programs = [int(p) for p in args.programs.split(",")] if args.programs else list(range(len(names)))
    if 1 not in programs:
        programs = [1] + programs  # "Sawpad1" is the loudness reference

    rows, tone, details = {}, {}, []
    for p in programs:
        r = {s: renderer.render(p, s) for s in SCENES}
        held = span(r["chord4"], 0.0, HOLD)
        mel_end = 0.3 * len(MELODY)
        long_mono = r["long"].mean(axis=1)
        rows[p] = dict(
            pk8=max(peak_dbfs(r["chord8open"]), peak_dbfs(r["chord8close"])),
            pk4=peak_dbfs(r["chord4"]), pkm=peak_dbfs(r["melody"]),
            pka=max(peak_dbfs(x) for x in r.values()),
            lufs=loudness(held), mel=loudness(span(r["melody"], 0.0, mel_end)))
        tone[p] = ([centroid(long_mono, t) for t in (0.1, 0.5, 1.0, 2.0, 4.0, 8.0)],
                   [balance(r["singles"], SINGLE_STEP * i + 0.2, SINGLE_STEP * i + 2.0) for i in range(len(SINGLES))])
        name = names[p]
        if name == "Wavevox2":
            details.append(wavevox_details(r["long"]))
        elif name == "Fastchorus":
            details.append(fastchorus_details(r["long"]))
        elif name == "Thebells2":
            details.append(bells_details(r["long"]))
        elif name == "Pulse sweep":
            details.append(pulse_details(r["long"]))

    reference = rows[1]["lufs"]
    print("levels: peaks in dBFS (8-note chord: the worse of two voicings), loudness K-weighted ungated")
    print("%-3s %-16s %7s %7s %7s %7s %8s %7s %8s" % ("#", "program", "pk8", "pk4", "pkMel", "pkAll",
                                                       "LUFS4", "dLU", "LUFSmel"))
    for p in programs:
        v = rows[p]
        flag = " !" if v["pk8"] > -1.0 or (p >= 2 and abs(v["lufs"] - reference) > 2.5) else ""
        print("%-3d %-16s %7.1f %7.1f %7.1f %7.1f %8.1f %+7.1f %8.1f%s" % (
            p, names[p], v["pk8"], v["pk4"], v["pkm"], v["pka"], v["lufs"], v["lufs"] - reference, v["mel"], flag))
    spread = [rows[p]["lufs"] for p in programs if p >= 1]
    print("held-chord loudness spread over programs 1..15: %.1f LU" % (max(spread) - min(spread)))
    print()
    print("tone: centroid (Hz) of a held middle C at 0.1/0.5/1/2/4/8 s; balance L-R (dB) of single notes C1..C7")
    for p in programs:
        cents, bal = tone[p]
        print("%-3d %-16s %s | %s" % (p, names[p], " ".join("%5.0f" % c for c in cents),
                                      " ".join("%+5.1f" % b for b in bal)))
    print()
    print("details:")
    for line in details:
        print(line)
    print(vowel_waves(here))
    if not args.keep:
        for f in os.listdir(scratch):
            os.remove(os.path.join(scratch, f))
        os.rmdir(scratch)


if __name__ == "__main__":
    sys.exit(main())
