#!/usr/bin/env python3
"""Writes the drawing behind inkscape_paths.emf: filled and stroked closed
Bezier shapes at seeded random places. The EMF itself was exported from it
with `inkscape paths.svg --export-type=emf --export-filename=inkscape_paths.emf`."""
import random
import sys

COUNT = int(sys.argv[1]) if len(sys.argv) > 1 else 600
r = random.Random(7)
print('<svg xmlns="http://www.w3.org/2000/svg" width="800" height="600" viewBox="0 0 800 600">')
print('<rect width="800" height="600" fill="#ffffff"/>')
for _ in range(COUNT):
    x, y = r.uniform(0, 800), r.uniform(0, 600)
    curves = " ".join(
        "C{:.1f},{:.1f} {:.1f},{:.1f} {:.1f},{:.1f}".format(*(v + r.uniform(-40, 40) for v in (x, y, x, y, x, y)))
        for _ in range(3))
    colour = "#%02x%02x%02x" % (r.randrange(256), r.randrange(256), r.randrange(256))
    print(f'<path d="M{x:.1f},{y:.1f} {curves} Z" fill="{colour}" stroke="#202020" '
          f'stroke-width="{r.uniform(0.5, 3):.1f}"/>')
print('</svg>')
