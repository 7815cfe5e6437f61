#!/usr/bin/env python3
"""Metafiles from a real vector editor, rendered by the players and by an
office suite.

Every drawing in the drawings folder is exported to EMF and to WMF by the
vector editor; each file is rendered by the office suite (PNG) and by
zeltpaint (the display library's metafile loading and playback) at the same size, and the two pictures are compared: the
mean absolute difference per channel and the share of pixels where some
channel differs by more than 64. Anti-aliasing makes edges differ; a
missing or misplaced shape makes the figures jump past the limits.

Usage: compare_metafiles.py zeltpaint drawings_dir work_dir
Exits 77 (skipped) when a program it needs is not installed.
"""
import glob
import os
import shutil
import subprocess
import sys

SKIPPED = 77
# Limits per file: mean absolute difference (0..255) and share of pixels
# off by more than 64. Measured: 3 to 8 and 3 to 6.5 %, edges mostly (the
# suite smooths edges and scaled images, and fills a self-crossing star by
# the even-odd rule where the file asks for winding); a missing shape of
# the drawings costs 10 % or more.
MAX_MEAN_DIFFERENCE = 10.0
MAX_SHARE_FAR_OFF = 0.08


def need(program):
    path = shutil.which(program)
    if path is None:
        print(f"skipped: {program} is not installed")
        sys.exit(SKIPPED)
    return path


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)


def rgb(convert, png, width, height):
    """The picture on white as width x height x 3 bytes."""
    out = subprocess.run([convert, png, "-background", "white", "-flatten", "-resize", f"{width}x{height}!",
                          "-depth", "8", "rgb:-"], check=True, capture_output=True, timeout=120).stdout
    assert len(out) == width * height * 3, png
    return out


def main():
    render, drawings, work = sys.argv[1:4]
    editor, office, convert, identify = need("inkscape"), need("soffice"), need("convert"), need("identify")
    os.makedirs(work, exist_ok=True)
    files = []
    for svg in sorted(glob.glob(os.path.join(drawings, "*.svg"))):
        stem = os.path.splitext(os.path.basename(svg))[0]
        for kind in ("emf", "wmf"):
            out = os.path.join(work, f"{stem}_{kind}.{kind}")
            run(editor, svg, f"--export-type={kind}", f"--export-filename={out}")
            files.append(out)
    # One run for every file, with a profile of its own so that other runs
    # of the suite on the machine do not interfere.
    office_dir = os.path.join(work, "office")
    run(office, f"-env:UserInstallation=file://{os.path.abspath(work)}/profile", "--headless", "--convert-to", "png",
        "--outdir", office_dir, *files)

    failed = []
    for path in files:
        name = os.path.splitext(os.path.basename(path))[0]
        page = os.path.join(office_dir, name + ".png")
        # The suite centres the picture on a page; every drawing has a
        # background over its whole frame, so trimming the page leaves the frame.
        framed = os.path.join(work, name + "_office.png")
        run(convert, page, "-background", "white", "-flatten", "-trim", "+repage", framed)
        width, height = (int(v) for v in subprocess.run([identify, "-format", "%w %h", framed], check=True,
                                                         capture_output=True, text=True).stdout.split())
        ours = os.path.join(work, name + "_players.png")
        run(render, path, "--device", "24", "--size", f"{width}x{height}", "-o", ours)
        a, b = rgb(convert, ours, width, height), rgb(convert, framed, width, height)
        mean = sum(abs(x - y) for x, y in zip(a, b)) / len(a)
        far = sum(1 for i in range(0, len(a), 3) if max(abs(a[i + c] - b[i + c]) for c in range(3)) > 64)
        share = far / (width * height)
        ok = mean <= MAX_MEAN_DIFFERENCE and share <= MAX_SHARE_FAR_OFF
        print(f"{name}: {width}x{height}, mean difference {mean:.2f}/255 per channel, "
              f"{100 * share:.2f}% of pixels off by more than 64{'' if ok else '  <- past the limits'}")
        if not ok:
            failed.append(name)
    if failed:
        print("differ too much: " + ", ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
