#!/usr/bin/env python3
"""Animated GIFs played by zeltpaint --play against ImageMagick's -coalesce.

    gif_playback.py ZELTPAINT WORKDIR

GIFs covering every disposal method, transparency, frames smaller than and
offset on the logical screen, local colour tables, interlacing and the
user-input flag, and seeded random mixes, are written by hand and then
rewritten by ImageMagick and by gifsicle -O3. Every file is played whole,
--progressive and on a bottom-up canvas (--perspective 2); every frame
shown must equal ImageMagick's coalesced frame pixel for pixel, and for the
hand-written files delays.txt must list the delays and input flags.
ImageMagick ignores the GIF's background colour (docs/playback.md): it is
given the colour the file declares and its frames are flattened onto it. Exit 0 when all match, 1 when not, 77 when ImageMagick or GIF
support in zeltpaint is missing.
"""
import os
import random
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gif_writer import write_gif  # noqa: E402

WIDTH, HEIGHT = 23, 17
PALETTE = [(0, 0, 0), (255, 255, 255), (200, 30, 30), (30, 160, 40), (40, 60, 220), (250, 210, 0),
           (120, 0, 140), (0, 170, 170), (90, 90, 90), (250, 130, 190)]
BACKGROUND = 8


def frame(rng, left, top, width, height, colors=None, **fields):
    count = len(colors) if colors else len(PALETTE)
    pixels = [rng.randrange(count) for _ in range(width * height)]
    return dict(left=left, top=top, width=width, height=height, pixels=pixels, colors=colors, **fields)


def random_frame(rng):
    width, height = rng.randint(1, WIDTH), rng.randint(1, HEIGHT)
    colors = None
    if rng.random() < 0.4:
        colors = [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(rng.choice([2, 3, 7, 16]))]
    count = len(colors) if colors else len(PALETTE)
    return frame(rng, rng.randint(0, WIDTH - width), rng.randint(0, HEIGHT - height), width, height, colors,
                 delay=rng.choice([0, 1, 7, 50]), disposal=rng.randrange(4),
                 transparent=rng.randrange(count) if rng.random() < 0.5 else None,
                 interlace=rng.random() < 0.3, user_input=rng.random() < 0.15)


def animations():
    rng = random.Random(2024)
    yield "keep", [frame(rng, 0, 0, WIDTH, HEIGHT, delay=10, disposal=0),
                   frame(rng, 3, 2, 9, 7, delay=20, disposal=1),
                   frame(rng, 14, 9, 9, 8, delay=0, disposal=0, transparent=2),
                   frame(rng, 1, 10, 5, 3, delay=5, disposal=1)]
    yield "background", [frame(rng, 2, 1, 19, 15, delay=10, disposal=2),
                         frame(rng, 0, 0, 12, 10, delay=10, disposal=2, transparent=1),
                         frame(rng, 8, 5, 15, 12, delay=10, disposal=1, transparent=0),
                         frame(rng, 5, 3, 6, 6, delay=10, disposal=2)]
    yield "previous", [frame(rng, 4, 4, 10, 8, delay=10, disposal=3),
                       frame(rng, 0, 0, WIDTH, HEIGHT, delay=10, disposal=1, transparent=3),
                       frame(rng, 6, 2, 12, 12, delay=10, disposal=3, transparent=4),
                       frame(rng, 10, 8, 13, 9, delay=10, disposal=3),
                       frame(rng, 1, 1, 4, 15, delay=10, disposal=0)]
    # A local table repeating a colour at the transparent index: only that
    # index is transparent, not every pixel of its colour.
    twins = [(10, 20, 30), (10, 20, 30), (255, 0, 0), (0, 0, 255)]
    yield "local-interlaced", [frame(rng, 0, 0, WIDTH, HEIGHT, colors=[(5, 5, 5), (250, 250, 0)], interlace=True,
                                     delay=3, disposal=1),
                               frame(rng, 2, 3, 17, 13, colors=twins, transparent=1, interlace=True, delay=4,
                                     disposal=2, user_input=True),
                               frame(rng, 7, 0, 9, 17, interlace=True, delay=6, disposal=3, transparent=5),
                               frame(rng, 0, 9, 23, 8, colors=twins[::-1], delay=8, disposal=1, user_input=True)]
    for case in range(6):
        rng = random.Random(case)
        yield "random-%d" % case, [random_frame(rng) for _ in range(rng.randint(2, 9))]


def rgb(path_and_options):
    return subprocess.run(["convert"] + path_and_options + ["-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout


def background_color(gif):
    """The logical screen's background colour as the file declares it: the
    global table's entry at the background index (black without a table)."""
    with open(gif, "rb") as f:
        head = f.read(13 + 3 * 256)
    flags, index = head[10], head[11]
    if not flags & 0x80 or index >= 2 << (flags & 7):
        return (0, 0, 0)
    return tuple(head[13 + 3 * index:16 + 3 * index])


def coalesced(gif):
    color = "#%02x%02x%02x" % background_color(gif)
    # The colour before the file also fills what ImageMagick clears opaque
    # (its own background, white unless set, when a frame has no alpha).
    data = rgb(["-background", color, gif, "-coalesce", "-background", color, "-alpha", "remove", "-alpha", "off"])
    size = WIDTH * HEIGHT * 3
    return [data[i:i + size] for i in range(0, len(data), size)]


def first_difference(ours, theirs):
    for at in range(0, len(ours), 3):
        if ours[at:at + 3] != theirs[at:at + 3]:
            return "first at (%d, %d): ours %s, ImageMagick %s" % (at // 3 % WIDTH, at // 3 // WIDTH,
                                                                   tuple(ours[at:at + 3]), tuple(theirs[at:at + 3]))
    return ""


def compare(zeltpaint, work, name, gif, count, delays):
    """Plays `gif` three ways against its coalesced frames; `delays` is the
    expected delays.txt, or None for a file another encoder rewrote (they
    keep the delays but not always the input flag)."""
    expected = coalesced(gif)
    if len(expected) != count:
        print("%s: ImageMagick made %d frames of %d" % (name, len(expected), count))
        return False
    ok = True
    for mode, options in (("whole", []), ("progressive", ["--progressive"]), ("bottom-up", ["--perspective", "2"])):
        out = os.path.join(work, name, mode)
        run = subprocess.run([zeltpaint, "--play", gif, "-o", out] + options, capture_output=True, text=True)
        if run.returncode != 0:
            print("%s (%s): zeltpaint failed: %s" % (name, mode, run.stderr.strip()))
            ok = False
            continue
        with open(os.path.join(out, "delays.txt")) as listed:
            if delays is not None and listed.read() != delays:
                print("%s (%s): delays.txt differs" % (name, mode))
                ok = False
        for i, theirs in enumerate(expected):
            ours = rgb([os.path.join(out, "frame-%03d.png" % i)])
            if ours != theirs:
                diff = sum(ours[a:a + 3] != theirs[a:a + 3] for a in range(0, len(ours), 3))
                print("%s (%s) frame %d: %d pixels differ, %s" % (name, mode, i, diff, first_difference(ours, theirs)))
                ok = False
    print("%s: %d frames, %s" % (name, count, "identical" if ok else "DIFFERENT"))
    return ok


# Real encoders rewrite the hand-built files with their own LZW streams, code
# sizes and colour tables: ImageMagick as it stands, gifsicle with its
# strongest optimisation (frames cropped to what changes, unchanged pixels
# made transparent, disposal methods chosen anew).
ENCODERS = (("imagemagick", lambda src, dst: ["convert", src, dst]),
            ("gifsicle", lambda src, dst: ["gifsicle", "-O3", "--no-extensions", src, "-o", dst]))


def check(zeltpaint, work, name, frames):
    gif = os.path.join(work, name + ".gif")
    write_gif(gif, WIDTH, HEIGHT, PALETTE, BACKGROUND, frames)
    delays = "".join("frame-%03d.png %d%s\n" % (i, f.get("delay", 0) * 10, " input" if f.get("user_input") else "")
                     for i, f in enumerate(frames))
    ok = compare(zeltpaint, work, name, gif, len(frames), delays)
    for encoder, command in ENCODERS:
        if shutil.which(command("", "")[0]) is None:
            print("%s: %s is not installed, its rewrite is not played" % (name, encoder))
            continue
        rewritten = os.path.join(work, "%s-%s.gif" % (name, encoder))
        subprocess.run(command(gif, rewritten), check=True, capture_output=True)
        ok = compare(zeltpaint, work, "%s-%s" % (name, encoder), rewritten, len(frames), None) and ok
    return ok


def main():
    zeltpaint, work = sys.argv[1], sys.argv[2]
    if shutil.which("convert") is None:
        print("skipped: ImageMagick is not installed (scripts/zelt.sh test installs it)")
        return 77
    if "not built" in subprocess.run([zeltpaint, "--play", "-", "-o", work], capture_output=True, text=True).stderr:
        print("skipped: this zeltpaint was built without GIF support")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    results = [check(zeltpaint, work, name, frames) for name, frames in animations()]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
