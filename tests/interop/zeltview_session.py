#!/usr/bin/env python3
"""A scripted zeltview session under Xvfb, checked on what a person sees.

    zeltview_session.py ZELTVIEW WORKDIR

A 1024 x 1024 image whose pixels spell their own coordinates (R = x & 255,
G = y & 255, B = (x >> 8) << 4 | y >> 8) is opened at 100 %; the script
opens the pan window, drags its rectangle, starts the magnifying glass and
holds the button down. The X display is then captured by ImageMagick's
`import` (independent of zeltview) and checked: the view scrolled by what the
drag and the pan window's scale give, the view shows the bitmap 1:1, the
glass shows the bitmap around the cursor enlarged three times, and the
desktop window equals the platform's own screenshot. Ctrl+P must leave a
PDF whose page shows the image. Exit 0 when all holds, 1 when not, 77 when
Xvfb or ImageMagick is missing.
"""
import os
import random
import shutil
import subprocess
import sys
import time
import zlib
import struct

SIZE = 1024
DRAG = (40, 25)          # pan-window pixels
PRESS = (300, 240)       # client point the glass is held at
GLASS_W, GLASS_H = 160, 120
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def write_coordinate_png(path):
    rows = []
    high_x = bytes(((x >> 8) << 4) for x in range(SIZE))
    low_x = bytes(x & 255 for x in range(SIZE))
    for y in range(SIZE):
        row = bytearray(3 * SIZE)
        row[0::3] = low_x
        row[1::3] = bytes([y & 255]) * SIZE
        row[2::3] = bytes(b | (y >> 8) for b in high_x)
        rows.append(b"\0" + bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b""))


class Image:
    """An RGB picture read through ImageMagick as binary PPM."""

    def __init__(self, path):
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def rgb(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def coordinates(self, x, y):
        r, g, b = self.rgb(x, y)
        return ((b >> 4) << 8) | r, ((b & 15) << 8) | g


def parse_geometry(text):
    blocks, current, mirror = {}, None, (0, 0)
    for line in text.splitlines():
        words = line.split()
        if not words:
            continue
        if words[0] == "mirror-origin":
            mirror = (int(words[1]), int(words[2]))
        elif words[0] == "geometry":
            current = blocks.setdefault(" ".join(words[1:]), {})
        elif words[0] == "end":
            current = None
        elif current is not None:
            current[words[0]] = [int(w) for w in words[1:]]
    return mirror, blocks


def fit(width, height, image_w, image_h):
    """The pan window's image area: the client fitted to the image's aspect."""
    h = height
    w = h * image_w // image_h
    if w > width:
        w = width
        h = w * image_h // image_w
    return w, h


def expected_scroll(before):
    """Where dragging the pan rectangle from its centre by DRAG leaves the view."""
    left, top, right, bottom = before["pan-rect"]
    area_w, area_h = fit(*before["pan-client-size"], *before["image-size"])
    w, h = right - left, bottom - top
    cx, cy = (left + right) // 2, (top + bottom) // 2
    new_left = min(max(cx + DRAG[0] - w // 2, 0), area_w - w)
    new_top = min(max(cy + DRAG[1] - h // 2, 0), area_h - h)
    image_w, image_h = before["image-size"]
    client_w, client_h = before["client-size"]
    sx = min(new_left * image_w // area_w, max(0, image_w - client_w))
    sy = min(new_top * image_w // area_w, max(0, image_h - client_h))
    return sx, sy, -(-image_w // area_w) + 1


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                              pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        return None, None
    return server, ":" + number


def wait_for(path, process, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if os.path.exists(path):
            return True
        if process.poll() is not None:
            return False
        time.sleep(0.05)
    return False


def check_view(shot, origin, client, scroll, rng):
    """The view shows the bitmap 1:1 from the scroll position (outside the glass)."""
    wrong = 0
    for _ in range(3000):
        cx, cy = rng.randrange(client[0]), rng.randrange(client[1])
        if abs(cx - PRESS[0]) <= GLASS_W and abs(cy - PRESS[1]) <= GLASS_H:
            continue
        expected = (scroll[0] + cx, scroll[1] + cy)
        if expected[0] >= SIZE or expected[1] >= SIZE:
            continue
        if shot.coordinates(origin[0] + cx, origin[1] + cy) != expected:
            wrong += 1
    check(wrong == 0, f"{wrong} sampled view pixels do not show the bitmap 1:1 from the scroll position")


def runs(values):
    """Lengths of runs of equal values, and whether each run is one more than the last."""
    lengths, steps_ok = [1], True
    for previous, value in zip(values, values[1:]):
        if value == previous:
            lengths[-1] += 1
        else:
            steps_ok &= value == previous + 1
            lengths.append(1)
    return lengths, steps_ok


def check_glass(shot, origin, bitmap_point):
    px, py = origin[0] + PRESS[0], origin[1] + PRESS[1]
    # Inside the outline, along the row and the column through the cursor.
    row = [shot.coordinates(x, py) for x in range(px - GLASS_W // 2 + 3, px + GLASS_W // 2 - 3)]
    column = [shot.coordinates(px, y) for y in range(py - GLASS_H // 2 + 3, py + GLASS_H // 2 - 3)]
    for name, values, axis in (("row", row, 0), ("column", column, 1)):
        along = [v[axis] for v in values]
        across = {v[1 - axis] for v in values}
        lengths, steps_ok = runs(along)
        check(steps_ok, f"glass {name}: enlarged pixels are not consecutive bitmap pixels: {along}")
        inner = lengths[1:-1]
        check(inner and all(n in (3, 4) for n in inner),
              f"glass {name}: bitmap pixels are not repeated three times (3.5 at most): {lengths}")
        check(len(across) <= 1 and all(abs(a - bitmap_point[1 - axis]) <= 2 for a in across),
              f"glass {name}: crosses bitmap {'rows' if axis == 0 else 'columns'} {sorted(across)}")
    centre = shot.coordinates(px, py)
    check(abs(centre[0] - bitmap_point[0]) <= 2 and abs(centre[1] - bitmap_point[1]) <= 2,
          f"glass shows bitmap {centre} under the cursor, expected about {bitmap_point}")
    outside = shot.coordinates(px + GLASS_W // 2 + 8, py)
    check(outside == (bitmap_point[0] + GLASS_W // 2 + 8, bitmap_point[1]),
          f"beside the glass the view shows {outside}, not the unmagnified bitmap")


def check_mirror(shot, platform, mirror):
    """The desktop window is the platform's screen, pixel for pixel."""
    differing = 0
    for y in range(platform.height):
        a = 3 * ((mirror[1] + y) * shot.width + mirror[0])
        b = 3 * y * platform.width
        if shot.pixels[a:a + 3 * platform.width] != platform.pixels[b:b + 3 * platform.width]:
            differing += sum(1 for x in range(platform.width)
                             if shot.rgb(mirror[0] + x, mirror[1] + y) != platform.rgb(x, y))
    check(differing == 0, f"{differing} pixels of the desktop window differ from the platform's screenshot")


def check_pdf(work, stdout):
    pdf = os.path.join(work, "zeltview-1.pdf")
    if not check(os.path.exists(pdf) and "printed" in stdout, "Ctrl+P wrote no zeltview-1.pdf"):
        return
    if shutil.which("pdftoppm") is None:
        return
    subprocess.run(["pdftoppm", "-r", "150", "-png", "-singlefile", pdf, os.path.join(work, "page")], check=True)
    page = Image(os.path.join(work, "page.png"))
    # The image is where the page is not white; sampled points of it must
    # show their bitmap pixel (within the blur of scaling), away from the
    # places where a coordinate byte wraps.
    inked = [(x, y) for y in range(0, page.height, 4) for x in range(0, page.width, 4)
             if page.rgb(x, y) != (255, 255, 255)]
    if not check(inked, "the printed page is blank"):
        return
    left, right = min(x for x, _ in inked), max(x for x, _ in inked) + 4
    top, bottom = min(y for _, y in inked), max(y for _, y in inked) + 4
    rng, wrong = random.Random(7), []
    for _ in range(500):
        bx, by = rng.randrange(SIZE), rng.randrange(SIZE)
        if min(bx % 256, 255 - bx % 256, by % 256, 255 - by % 256) < 8:
            continue
        x = left + (2 * bx + 1) * (right - left) // (2 * SIZE)
        y = top + (2 * by + 1) * (bottom - top) // (2 * SIZE)
        seen = page.coordinates(x, y)
        if abs(seen[0] - bx) > 6 or abs(seen[1] - by) > 6:
            wrong.append(((bx, by), seen))
    check(not wrong, f"{len(wrong)} sampled points of the printed page show other bitmap pixels: {wrong[:5]}")
    check(abs((right - left) - page.width) <= 8, f"the printed image is {right - left} wide on a {page.width} page")


def check_headless(zeltview, work, image):
    """The same views opened and closed with no display at all: nothing fails
    and, in a sanitizer build, nothing leaks."""
    with open(os.path.join(work, "headless.txt"), "w") as script:
        script.write("pan\ndrag-pan 10 10\nmagnify on\npress-view 100 100\nrelease-view 100 100\n"
                     "key M\nkey Plus\nkey P\nkey Minus\nquit\n")
    env = dict(os.environ, SDL_VIDEODRIVER="dummy")
    env.pop("DISPLAY", None)
    result = subprocess.run([zeltview, image, "--script", "headless.txt", "--screenshot", "headless.png"],
                            cwd=work, env=env, capture_output=True, text=True, timeout=120)
    check(result.returncode == 0 and os.path.exists(os.path.join(work, "headless.png")),
          f"the session without a display ended with {result.returncode}: {result.stderr[-2000:]}")


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    zeltview, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    missing = [tool for tool in ("Xvfb", "import", "convert") if shutil.which(tool) is None]
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    image = os.path.join(work, "coordinates.png")
    write_coordinate_png(image)
    done = os.path.join(work, "x-captured")
    with open(os.path.join(work, "session.txt"), "w") as script:
        script.write(f"pan\ngeometry\ndrag-pan {DRAG[0]} {DRAG[1]}\ngeometry\nmagnify on\n"
                     f"press-view {PRESS[0]} {PRESS[1]}\nscreenshot platform.png\nwait-for {done} 20000\n"
                     f"release-view {PRESS[0]} {PRESS[1]}\nmagnify off\nkey Ctrl+P\nquit\n")

    server, display = start_xvfb()
    if server is None:
        print("skipped: Xvfb did not start")
        return 77
    try:
        env = dict(os.environ, DISPLAY=display, SDL_VIDEODRIVER="x11", SDL_RENDER_DRIVER="software")
        # In a sanitizer build: the D-Bus connection SDL opens for the X
        # desktop outlives the program; zeltview's own memory is checked
        # for leaks by the sessions that run without a display.
        env["ASAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "detect_leaks=0"]))
        viewer = subprocess.Popen([zeltview, image, "--zoom", "100", "--script", "session.txt", "--print-geometry"],
                                  cwd=work, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        platform_png = os.path.join(work, "platform.png")
        if wait_for(platform_png, viewer, 30):
            time.sleep(0.5)  # the frame after the screenshot reaches the X server
            x_png = os.path.join(work, "x-screen.png")
            subprocess.run(["import", "-display", display, "-window", "root", x_png], check=True)
        open(done, "w").close()
        try:
            stdout, stderr = viewer.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            viewer.kill()
            stdout, stderr = viewer.communicate()
    finally:
        server.terminate()
        server.wait()
    if viewer.returncode != 0:
        sys.stderr.write(stderr)
    if not check(viewer.returncode == 0 and os.path.exists(platform_png),
                 f"zeltview ended with {viewer.returncode} before the screenshots"):
        print("\n".join(failures))
        return 1

    mirror, blocks = parse_geometry(stdout)
    before, after = blocks.get("line 2"), blocks.get("line 4")
    if not check(before and after and "pan-rect" in before, "zeltview printed no geometry for the pan window"):
        print("\n".join(failures))
        return 1
    shot, platform = Image(x_png), Image(platform_png)
    origin = (mirror[0] + after["client-origin"][0], mirror[1] + after["client-origin"][1])
    sx, sy, tolerance = expected_scroll(before)
    seen = shot.coordinates(*origin)
    check(abs(seen[0] - sx) <= tolerance and abs(seen[1] - sy) <= tolerance,
          f"after the drag the view starts at bitmap {seen}, expected about ({sx}, {sy}) (within {tolerance})")
    check(seen == tuple(after["scroll"]), f"the view starts at {seen}, zeltview reports scroll {after['scroll']}")
    check_view(shot, origin, after["client-size"], seen, random.Random(13))
    check_glass(shot, origin, (seen[0] + PRESS[0], seen[1] + PRESS[1]))
    check_mirror(shot, platform, mirror)
    check_pdf(work, stdout)
    check_headless(zeltview, work, image)
    if failures:
        print("\n".join(failures))
        return 1
    print(f"zeltview session: scrolled to {seen} (expected ~({sx}, {sy})), glass and mirror checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
