#!/usr/bin/env python3
"""tarnwick-case against Python's own str methods, in the same run.

Generates two mixed-script texts built differently: prose (Latin, accented,
Greek and Cyrillic words in sentences of 4 to 16 words, paragraphs, CR LF)
and short words (mixed-script words of mostly 2 to 6 letters, sentences of 1 to 4
words, so that a sentence end comes every few words). Pipes each through the
filter from a file to a new file (`tarnwick-case RULE < in > out`) and times
Python's str method on the same text (decoded beforehand, its encode
counted), the two in turn. Then times large files of mixed prose and of
ASCII from a file to a file, beside cp. Prints the median of the runs and
the ratios; asserts nothing.

Usage: filter_bench.py [--filter PATH] [--mixed-mib 16] [--file-mib 256]
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
# Short words of every script, as a user's notes, lists and chat hold them.
SHORT = ("Straße déjà Привет Ελλάδα o'neil NASA été Öl çà où мир да нет ώρα και ναι Ok so it is "
         "an ok él año über Bär Λέξη Ёж Юг Щи IBM USB e.g. 3.5 x2").split()
SHORT_ENDS = [". ", "! ", "? ", ": ", "... ", ".\n", "!\n"]

# Each rule of the filter and the str method that does the nearest thing.
RULES = [("upper", "upper"), ("lower", "lower"), ("toggle", "swapcase"),
         ("proper", "title"), ("sentence", "title")]
GOAL_RATIO = 5
FILE_GOAL_GBPS = 1.0


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
    return whole_characters("".join(parts).encode("utf-8")[:size])


def whole_characters(data):
    """The bytes without a character that the cut split in two."""
    return data.decode("utf-8", errors="ignore").encode("utf-8")


def short_words_of(size, seed):
    """Sentences of one to four short words, about `size` UTF-8 bytes."""
    rng = random.Random(seed)
    parts, length = [], 0
    while length < size:
        words = [rng.choice(SHORT) for _ in range(rng.randint(1, 4))]
        piece = " ".join(words) + rng.choice(SHORT_ENDS)
        parts.append(piece)
        length += len(piece.encode("utf-8"))
    return whole_characters("".join(parts).encode("utf-8")[:size])


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
    parser.add_argument("--file-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dir", default=None, help="folder for the texts (default: a temporary one)")
    args = parser.parse_args()
    if not os.access(args.filter, os.X_OK):
        sys.exit(f"no filter at {args.filter}: cmake --preset bench && cmake --build --preset bench")

    with tempfile.TemporaryDirectory(dir=args.dir) as work:
        source = os.path.join(work, "in.txt")
        out = os.path.join(work, "out.txt")
        print(f"filter-bench: {args.filter}")
        print(f"python {sys.version.split()[0]}; median of {args.runs} runs each, filter and python in turn")
        mixed = text_of([ENGLISH, LATIN1, GREEK, CYRILLIC], [48, 14, 19, 19], args.mixed_mib << 20, 2026)
        short = short_words_of(args.mixed_mib << 20, 2028)
        for name, data in (("Mixed prose", mixed), ("Short mixed-script words, many sentence ends", short)):
            compare_with_python(args, name, data, source, out)
        del mixed, short

        print(f"\nFrom a file to a file (goal {FILE_GOAL_GBPS:.1f} GB/s):")
        files = (("mixed prose", [ENGLISH, LATIN1, GREEK, CYRILLIC], [48, 14, 19, 19], 2027),
                 ("ASCII prose", [ENGLISH], [1], 2029))
        for name, pools, weights, seed in files:
            with open(source, "wb") as f:
                f.write(text_of(pools, weights, args.file_mib << 20, seed))
            size = os.path.getsize(source)
            copy = median_seconds(lambda: subprocess.run(["cp", source, out], check=True), args.runs,
                                  lambda: remove(out))
            print(f"  {name}, {size / 2**20:.0f} MiB: cp {size / copy / 1e9:.2f} GB/s")
            for rule, _ in RULES:
                ours = median_seconds(lambda: run_filter(args.filter, rule, source, out), args.runs,
                                      lambda: remove(out))
                rate = size / ours / 1e9
                print(f"    {rule:<9} {1000 * ours:7.1f} ms {rate:6.2f} GB/s"
                      f"{'' if rate >= FILE_GOAL_GBPS else '  (below the goal)'}")


def compare_with_python(args, name, data, source, out):
    with open(source, "wb") as f:
        f.write(data)
    text = data.decode("utf-8")
    non_ascii = sum(1 for b in data if b >= 0x80) / len(data)
    ends = sum(text.count(end) for end in ".!?:")
    print(f"\n{name}: {len(data) / 2**20:.1f} MiB, {100 * non_ascii:.0f}% of its bytes non-ASCII, "
          f"a delimiter every {len(text) / max(ends, 1):.0f} characters")
    print(f"  {'rule':<9} {'filter':>9} {'python':>18} {'ratio':>7} {'goal':>6}")
    for rule, method in RULES:
        convert = getattr(str, method)
        python, ours = interleaved_medians(lambda: convert(text).encode("utf-8"),
                                           lambda: run_filter(args.filter, rule, source, out), args.runs,
                                           lambda: remove(out))
        ratio = python / ours
        print(f"  {rule:<9} {1000 * ours:7.1f} ms {f'str.{method}':>12} {1000 * python:5.0f} ms "
              f"{ratio:6.1f}x {GOAL_RATIO:5}x {'' if ratio >= GOAL_RATIO else ' (below the goal)'}")


if __name__ == "__main__":
    main()
