#!/usr/bin/env python3
"""tarnwick-case against Python's own str methods, in the same run.

Generates a mixed text (Latin, accented, Greek and Cyrillic words, sentence
punctuation, CR LF) and an ASCII one, pipes each through the filter from a
file to a new file (`tarnwick-case RULE < in > out`) and times Python's str
method on the same text (decoded beforehand, its encode counted), the two in
turn. Prints the median of the runs and the ratios; asserts nothing.

Usage: filter_bench.py [--filter PATH] [--mixed-mib 16] [--ascii-mib 256]
                       [--runs 5] [--dir DIR]
"""

import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

ENGLISH = ("the of and to in is that it was for on are with as his they be at one have this "
           "from word clipboard window letter case text change program copy paste sentence every "
           "first NASA John London version 2.5 e.g. file.txt o'neil jean-luc (note) 42").split()
LATIN1 = ("café élève déjà über größe straße français garçon año niño señor où être Ärger Öl "
          "Übung naïve fiancée").split()
GREEK = ("καλημέρα κόσμος Ελλάδα θάλασσα ήλιος γράμμα λέξη ΑΘΗΝΑ πρόγραμμα κείμενο αλλαγή "
         "σελίδα ψυχή ώρα").split()
CYRILLIC = ("привет мир Москва книга вода солнце буква слово ТЕКСТ программа окно изменение "
            "предложение каждый Россия щука").split()
ENDS = [". ", ". ", ". ", "? ", "! ", ": "]

# Each rule of the filter and the str method that does the nearest thing.
RULES = [("upper", "upper"), ("lower", "lower"), ("toggle", "swapcase"),
         ("proper", "title"), ("sentence", "title")]
GOALS = {"upper": 2, "lower": 2, "toggle": 5, "proper": 4, "sentence": 4}
ASCII_GOAL_GBPS = 1.0


def text_of(pools, weights, size, seed):
    """Paragraphs of sentences from the word pools, about `size` UTF-8 bytes."""
    rng = random.Random(seed)
    parts, length = [], 0
    while length < size:
        paragraph = ["\t"] if rng.random() < 0.3 else []
        for _ in range(rng.randint(2, 6)):
            words = [rng.choice(rng.choices(pools, weights)[0]) for _ in range(rng.randint(4, 16))]
            words[0] = words[0][:1].upper() + words[0][1:]
            sentence = ""
            for k, word in enumerate(words):
                sentence += word + ("" if k + 1 == len(words) else ", " if rng.random() < 0.1 else " ")
            paragraph.append(sentence + rng.choice(ENDS))
        paragraph.append("\r\n\r\n" if rng.random() < 0.25 else "\r\n")
        piece = "".join(paragraph)
        parts.append(piece)
        length += len(piece.encode("utf-8"))
    data = "".join(parts).encode("utf-8")[:size]
    return data.decode("utf-8", errors="ignore").encode("utf-8")  # no character cut in two


def median_seconds(run, runs, before=lambda: None):
    times = []
    for _ in range(runs):
        before()
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def interleaved_medians(first, second, runs, before):
    """Both timed in turn, run after run, so that a neighbour's load on the
    machine falls on both alike."""
    times = ([], [])
    for _ in range(runs):
        for k, run in enumerate((first, second)):
            before()
            start = time.perf_counter()
            run()
            times[k].append(time.perf_counter() - start)
    return statistics.median(times[0]), statistics.median(times[1])


def remove(path):
    """A new output file for every run: rewriting a file that was truncated
    makes ext4 write it out at close, and that disk time is no filter's."""
    if os.path.exists(path):
        os.unlink(path)


def run_filter(exe, rule, source, target):
    with open(source, "rb") as fin, open(target, "wb") as fout:
        status = subprocess.run([exe, rule], stdin=fin, stdout=fout).returncode
    if status != 0:
        sys.exit(f"tarnwick-case {rule} exited with {status}")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_exe = os.path.join(here, "..", "..", "build", "bench", "tools", "tarnwick-case", "tarnwick-case")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--filter", default=os.path.normpath(default_exe))
    parser.add_argument("--mixed-mib", type=int, default=16)
    parser.add_argument("--ascii-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dir", default=None, help="folder for the texts (default: a temporary one)")
    args = parser.parse_args()
    if not os.access(args.filter, os.X_OK):
        sys.exit(f"no filter at {args.filter}: cmake --preset bench && cmake --build --preset bench")

    with tempfile.TemporaryDirectory(dir=args.dir) as work:
        mixed = os.path.join(work, "mixed.txt")
        ascii_path = os.path.join(work, "ascii.txt")
        out = os.path.join(work, "out.txt")
        data = text_of([ENGLISH, LATIN1, GREEK, CYRILLIC], [48, 14, 19, 19], args.mixed_mib << 20, 2026)
        with open(mixed, "wb") as f:
            f.write(data)
        text = data.decode("utf-8")
        non_ascii = sum(1 for b in data if b >= 0x80) / len(data)
        print(f"filter-bench: {args.filter}")
        print(f"python {sys.version.split()[0]}; median of {args.runs} runs each, filter and python in turn\n")
        print(f"Mixed text: {len(data) / 2**20:.1f} MiB, {100 * non_ascii:.0f}% of its bytes non-ASCII")
        print(f"  {'rule':<9} {'filter':>9} {'python':>18} {'ratio':>7} {'goal':>6}")
        for rule, method in RULES:
            convert = getattr(str, method)
            python, ours = interleaved_medians(lambda: convert(text).encode("utf-8"),
                                               lambda: run_filter(args.filter, rule, mixed, out), args.runs,
                                               lambda: remove(out))
            ratio = python / ours
            print(f"  {rule:<9} {1000 * ours:7.1f} ms {f'str.{method}':>12} {1000 * python:5.0f} ms "
                  f"{ratio:6.1f}x {GOALS[rule]:5}x {'' if ratio >= GOALS[rule] else ' (below the goal)'}")
        del text, data

        with open(ascii_path, "wb") as f:
            f.write(text_of([ENGLISH], [1], args.ascii_mib << 20, 2027))
        size = os.path.getsize(ascii_path)
        print(f"\nASCII text: {size / 2**20:.0f} MiB, file to file")
        copy = median_seconds(lambda: subprocess.run(["cp", ascii_path, out], check=True), args.runs,
                              lambda: remove(out))
        print(f"  {'cp':<9} {1000 * copy:7.1f} ms {size / copy / 1e9:6.2f} GB/s")
        for rule in ("upper", "lower", "toggle", "proper", "sentence"):
            ours = median_seconds(lambda: run_filter(args.filter, rule, ascii_path, out), args.runs,
                                  lambda: remove(out))
            rate = size / ours / 1e9
            print(f"  {rule:<9} {1000 * ours:7.1f} ms {rate:6.2f} GB/s (goal {ASCII_GOAL_GBPS:.1f}"
                  f"{'' if rate >= ASCII_GOAL_GBPS else ', below it'})")


if __name__ == "__main__":
    main()
