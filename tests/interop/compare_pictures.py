#!/usr/bin/env python3
"""Compares what another program made of our picture with our own rendering.

    compare_pictures.py REFERENCE CANDIDATE [--mae LEVELS] [--slack LEVELS]
                        [--outliers FRACTION]

Both images are flattened onto white and brought to the reference's size by
ImageMagick, then compared per channel: the mean absolute difference must be
at most --mae levels, and a candidate pixel counts as an outlier when it
lies outside the range its reference neighbourhood (3 x 3) spans, widened by
--slack levels: a difference resampling can explain stays inside. At most
--outliers of the pixels may be outliers. Prints the figures; exit 1 when a
limit is exceeded, 2 when an image cannot be read.
"""
import argparse
import subprocess
import sys


def rgb_of(path, size=None, morphology=None):
    args = ["convert", path, "-background", "white", "-alpha", "remove", "-alpha", "off"]
    if size:
        args += ["-filter", "Triangle", "-resize", "%dx%d!" % size]
    if morphology:
        # Per-channel minimum or maximum over each pixel's 3 x 3 neighbourhood.
        args += ["-morphology", morphology, "Square:1"]
    args += ["-depth", "8", "rgb:-"]
    return subprocess.run(args, check=True, capture_output=True).stdout


def size_of(path):
    out = subprocess.run(["identify", "-format", "%w %h\n", path], check=True, capture_output=True, text=True)
    w, h = out.stdout.split()[:2]
    return int(w), int(h)


def compare(reference, low, high, candidate, slack):
    total = sum(abs(a - b) for a, b in zip(candidate, reference))
    outliers = 0
    for at in range(0, len(reference), 3):
        for c in range(at, at + 3):
            if candidate[c] < low[c] - slack or candidate[c] > high[c] + slack:
                outliers += 1
                break
    return total / len(reference), outliers / (len(reference) // 3)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("reference")
    parser.add_argument("candidate")
    parser.add_argument("--mae", type=float, default=2.0)
    parser.add_argument("--slack", type=int, default=8)
    parser.add_argument("--outliers", type=float, default=0.0)
    args = parser.parse_args()
    try:
        size = size_of(args.reference)
        reference = rgb_of(args.reference)
        low, high = rgb_of(args.reference, morphology="Erode"), rgb_of(args.reference, morphology="Dilate")
        candidate = rgb_of(args.candidate, size)
    except (subprocess.CalledProcessError, ValueError) as error:
        print("cannot read the pictures: %s" % error, file=sys.stderr)
        return 2
    mae, outliers = compare(reference, low, high, candidate, args.slack)
    print("%s: mean difference %.3f levels, %.4f %% of pixels beyond what resampling explains"
          % (args.candidate, mae, outliers * 100))
    return 0 if mae <= args.mae and outliers <= args.outliers else 1


if __name__ == "__main__":
    sys.exit(main())
