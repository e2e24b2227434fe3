#!/usr/bin/env python3
"""Checks a batch run of bench/batch_thousand.sh: every good input (f0000 to
f0949) done with an output that holds its own tone for its own length, every
corrupt one (f0950 on) failed. Input n holds 200 + 3 n Hz for (10 + n % 11) / 10 s."""
import array
import multiprocessing
import os
import subprocess
import sys


def tone(path):
    """(frequency from zero crossings, seconds) of a file decoded at 8 kHz."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-ac", "1", "-ar", "8000",
                          "-f", "s16le", "-"], capture_output=True).stdout
    samples = array.array("h", raw[:len(raw) // 2 * 2])
    n = len(samples)
    if n < 800:
        return 0.0, n / 8000
    middle = samples[n // 10: n - n // 10]  # away from the codecs' edges
    crossings = sum(1 for a, b in zip(middle, middle[1:]) if (a < 0) != (b < 0))
    return crossings / 2 / (len(middle) / 8000), n / 8000


def main(inputs, outputs, summary):
    rows = {}
    for line in open(summary):
        parts = line.split()
        if parts and parts[0].startswith(inputs):
            rows[os.path.basename(parts[0])] = line
    names = sorted(os.listdir(inputs))
    good = [n for n in names if n[:5] < "f0950"]
    bad = [n for n in names if n[:5] >= "f0950"]
    expected_fail = sum(1 for n in bad if "failed" in rows.get(n, ""))
    done = [n for n in good if " done" in rows.get(n, "")]
    wrong = [(n, "not done: " + rows.get(n, "no row").strip()) for n in good if n not in done]
    outs = [os.path.join(outputs, n.rsplit(".", 1)[0] + ".mp3") for n in done]
    with multiprocessing.Pool(4) as pool:
        tones = pool.map(tone, outs)
    for name, (fo, to) in zip(done, tones):
        n = int(name[1:5])
        fi, ti = 200 + 3 * n, (10 + n % 11) / 10
        if abs(fi - fo) > 1.5 or abs(ti - to) > 0.15:
            wrong.append((name, "input %.1f Hz %.2f s, output %.1f Hz %.2f s" % (fi, ti, fo, to)))
    for name, why in wrong[:20]:
        print("wrong:", name, why)
    print("files %d, good %d, corrupt %d failed as expected %d/%d, wrong outputs %d"
          % (len(names), len(good), len(bad), expected_fail, len(bad), len(wrong)))


main(sys.argv[1].rstrip("/") , sys.argv[2], sys.argv[3])
