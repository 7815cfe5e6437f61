/* stretch_diff: seeded random StretchDIBits and StretchBlt calls into DIB
 * sections, the same on every Win32. One line per case:
 *
 *   ID HASH CALL
 *
 * HASH covers the destination's pixels after the call (visual order, raw
 * values, padding excluded) and the call's return value; CALL spells out the
 * call. Sources and destinations of 1, 4, 8, 16, 24 and 32 bits, bottom-up and
 * top-down, with random colour tables and pixels; extents enlarge, shrink and
 * mirror; placements run off the bitmap and through a clip rectangle; stretch
 * modes BLACKONWHITE, WHITEONBLACK and COLORONCOLOR; a few ROPs, the pattern
 * ones with a solid brush. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zelt/win32.h"

#define CASES 3000

static unsigned int rng_state;
static unsigned int next(void)
{
    unsigned int x = rng_state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return rng_state = x;
}
static int pick(int n) { return (int)(next() % (unsigned int)n); }
static int between(int lo, int hi) { return lo + pick(hi - lo + 1); }

typedef struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
} Info;

typedef struct {
    int bpp, width, height; /* height < 0: top-down */
} Format;

static int stride(const Format *f) { return (f->width * f->bpp + 31) / 32 * 4; }
static int rows(const Format *f) { return f->height < 0 ? -f->height : f->height; }

/* A header for f with a colour table: black and white either way round, or
   random colours. */
static void describe(Info *info, const Format *f)
{
    int i, n = f->bpp <= 8 ? 1 << f->bpp : 0, kind = pick(4);
    memset(info, 0, sizeof *info);
    info->h.biSize = sizeof info->h;
    info->h.biWidth = f->width;
    info->h.biHeight = f->height;
    info->h.biPlanes = 1;
    info->h.biBitCount = (WORD)f->bpp;
    info->h.biCompression = BI_RGB;
    info->h.biSizeImage = (DWORD)(stride(f) * rows(f));
    for (i = 0; i < n; i++) {
        unsigned int c = next() >> 8;
        if (n == 2 && kind < 2) c = (i ^ kind) ? 0xFFFFFF : 0;
        info->colors[i].rgbRed = (BYTE)(c >> 16);
        info->colors[i].rgbGreen = (BYTE)(c >> 8);
        info->colors[i].rgbBlue = (BYTE)c;
    }
}

static void fill(BYTE *bits, const Format *f)
{
    int i, n = stride(f) * rows(f);
    for (i = 0; i < n; i++) bits[i] = (BYTE)(next() >> 24);
}

static unsigned int pixel(const BYTE *bits, const Format *f, int x, int y)
{
    const BYTE *r = bits + (size_t)stride(f) * (f->height > 0 ? rows(f) - 1 - y : y);
    switch (f->bpp) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (r[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    case 8: return r[x];
    case 16: return r[2 * x] | (unsigned int)r[2 * x + 1] << 8;
    case 24: return r[3 * x] | (unsigned int)r[3 * x + 1] << 8 | (unsigned int)r[3 * x + 2] << 16;
    }
    return r[4 * x] | (unsigned int)r[4 * x + 1] << 8 | (unsigned int)r[4 * x + 2] << 16 |
           (unsigned int)r[4 * x + 3] << 24;
}

static unsigned int hash(unsigned int h, unsigned int v)
{
    int i;
    for (i = 0; i < 4; i++, v >>= 8) h = (h ^ (v & 0xFF)) * 16777619u;
    return h;
}

typedef struct {
    int blt; /* 0 StretchDIBits, 1 StretchBlt */
    Format src, dst;
    int x, y, w, h, sx, sy, sw, sh, mode;
    DWORD rop;
    COLORREF brush;
    int clip; /* IntersectClipRect(cl, ct, cr, cb) when set */
    int cl, ct, cr, cb;
} Case;

static const DWORD rops[] = {SRCCOPY, SRCAND, SRCPAINT, SRCINVERT, NOTSRCCOPY, MERGECOPY};
static const int modes[] = {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR};

static Format random_format(int most)
{
    static const int depths[] = {1, 4, 8, 16, 24, 32};
    Format f;
    f.bpp = depths[pick(6)];
    f.width = between(1, most);
    f.height = between(1, most) * (pick(2) ? -1 : 1);
    return f;
}

/* A destination extent for source extent s: 1:1, enlarged or shrunk. */
static int extent_for(int s)
{
    switch (pick(4)) {
    case 0: return s;
    case 1: return between(s, 3 * s + 2);
    }
    return between(1, s);
}

/* Whether the span (p, e) lies in [0, length); a negative extent includes
   its start. */
static int span_inside(int p, int e, int length)
{
    return e >= 0 ? p >= 0 && p + e <= length : p + e + 1 >= 0 && p + 1 <= length;
}

/* Whether the call reads its source rectangle from inside the source: for
   StretchDIBits after the adjustments of extents and of the vertical origin
   that the call makes. */
static int source_inside(const Case *c)
{
    int sx = c->sx, sy = c->sy, sw = c->sw, sh = c->sh, h = rows(&c->src);
    int copy = c->rop == SRCCOPY, origin = !sx && !sy && sw == c->w && sh == c->h;
    if (!c->blt) {
        if (!copy || origin) {
            if (c->w == 1 && sw > 1) sw--;
            if (c->h == 1 && sh > 1) sh--;
        }
        if (!copy && c->w < 0 && c->w == sw) sx += sw, sw = -sw;
        if (!copy && c->h < 0 && c->h == sh) sy += sh, sh = -sh;
        if (c->src.height > 0 || (copy && !origin)) sy = h - sy - sh;
        if (sh < 0 && sy >= h && sy + sh + 1 < h)
            sy = h - 1;
        else if (sh < 0 && sy > 0 && sy + sh + 1 < 0)
            sy = -sh - 1;
    }
    return span_inside(sx, sw, c->src.width) && span_inside(sy, sh, h);
}

static void random_case(Case *c)
{
    /* One call in 32 may read past the source's edges. */
    int outside = pick(32) == 0, tries;
    memset(c, 0, sizeof *c);
    c->blt = pick(4) == 0;
    c->src = random_format(20);
    c->dst = random_format(28);
    c->mode = modes[pick(3)];
    c->rop = pick(2) ? SRCCOPY : rops[pick(6)];
    for (tries = 0; tries < 100; tries++) {
        c->sx = between(-2, c->src.width);
        c->sy = between(-2, rows(&c->src));
        c->sw = between(1, c->src.width + 2);
        c->sh = between(1, rows(&c->src) + 2);
        c->w = extent_for(c->sw);
        c->h = extent_for(c->sh);
        if (pick(4) == 0) c->sw = -c->sw;
        if (pick(4) == 0) c->sh = -c->sh;
        if (pick(3) == 0) c->w = -c->w;
        if (pick(3) == 0) c->h = -c->h;
        if (outside || source_inside(c)) break;
    }
    c->x = between(-c->dst.width / 2, c->dst.width);
    c->y = between(-rows(&c->dst) / 2, rows(&c->dst));
    c->brush = next() >> 8;
    if (pick(4) == 0) {
        c->clip = 1;
        c->cl = between(0, c->dst.width);
        c->ct = between(0, rows(&c->dst));
        c->cr = between(c->cl, c->dst.width);
        c->cb = between(c->ct, rows(&c->dst));
    }
}

static int show_pixels;

static void print_pixels(const char *title, const BYTE *bits, const Format *f)
{
    int x, y;
    printf("%s\n", title);
    for (y = 0; y < rows(f); y++)
        for (x = 0; x < f->width; x++)
            printf("%*x%s", f->bpp / 4 + 1, pixel(bits, f, x, y), x + 1 < f->width ? "" : "\n");
}

/* Runs c with pixels and tables from the generator's current state; prints
   its line (with show_pixels also the source and the destination before and
   after). */
static void run(int id, const Case *c)
{
    Info si, di;
    BYTE *sbits = NULL, *dbits = NULL, *memory = NULL;
    HDC dc = CreateCompatibleDC(NULL), sdc = NULL;
    HBITMAP dbm, sbm = NULL;
    HBRUSH brush = CreateSolidBrush(c->brush);
    int x, y, result;
    unsigned int h = 2166136261u;

    describe(&di, &c->dst);
    dbm = CreateDIBSection(dc, (BITMAPINFO *)&di, DIB_RGB_COLORS, (void **)&dbits, NULL, 0);
    SelectObject(dc, dbm);
    fill(dbits, &c->dst);
    describe(&si, &c->src);
    if (c->blt) {
        sdc = CreateCompatibleDC(NULL);
        sbm = CreateDIBSection(sdc, (BITMAPINFO *)&si, DIB_RGB_COLORS, (void **)&sbits, NULL, 0);
        SelectObject(sdc, sbm);
    } else {
        sbits = memory = (BYTE *)malloc((size_t)stride(&c->src) * rows(&c->src));
    }
    fill(sbits, &c->src);
    if (show_pixels) {
        print_pixels("source", sbits, &c->src);
        print_pixels("before", dbits, &c->dst);
    }
    SetStretchBltMode(dc, c->mode);
    SelectObject(dc, brush);
    if (c->clip) IntersectClipRect(dc, c->cl, c->ct, c->cr, c->cb);
    if (c->blt)
        result = StretchBlt(dc, c->x, c->y, c->w, c->h, sdc, c->sx, c->sy, c->sw, c->sh, c->rop);
    else
        result = StretchDIBits(dc, c->x, c->y, c->w, c->h, c->sx, c->sy, c->sw, c->sh, sbits,
                               (BITMAPINFO *)&si, DIB_RGB_COLORS, c->rop);
    GdiFlush();
    h = hash(h, (unsigned int)result);
    for (y = 0; y < rows(&c->dst); y++)
        for (x = 0; x < c->dst.width; x++) h = hash(h, pixel(dbits, &c->dst, x, y));

    printf("%d %08x %s %d:%dx%d -> %d:%dx%d dst %d,%d %dx%d src %d,%d %dx%d %s rop %06x", id, h,
           c->blt ? "StretchBlt" : "StretchDIBits", c->src.bpp, c->src.width, c->src.height, c->dst.bpp,
           c->dst.width, c->dst.height, c->x, c->y, c->w, c->h, c->sx, c->sy, c->sw, c->sh,
           c->mode == BLACKONWHITE ? "BLACKONWHITE" : c->mode == WHITEONBLACK ? "WHITEONBLACK" : "COLORONCOLOR",
           (unsigned int)c->rop);
    if (c->rop == MERGECOPY) printf(" brush %06x", (unsigned int)c->brush);
    if (c->clip) printf(" clip %d,%d,%d,%d", c->cl, c->ct, c->cr, c->cb);
    printf("\n");
    if (show_pixels) print_pixels("after", dbits, &c->dst);

    DeleteDC(dc);
    DeleteObject(dbm);
    DeleteObject(brush);
    if (sdc) DeleteDC(sdc);
    if (sbm) DeleteObject(sbm);
    free(memory);
}

/* With a case number, runs that case alone and shows its pixels. */
int main(int argc, char **argv)
{
    /* First a 1-bit 15 x 12 picture drawn upside down and shrunk to 15 x 9
       into rows -4..4 of a 24 x 18 1-bit section (so rows 0 and 3 each merge
       two source rows), with eight sets of pixels and colour tables; then
       the same mirrored by either width and with a negative source height. */
    static const int known[][3] = {{15, 15, 12}, {-15, 15, 12}, {15, -15, 12}, {15, 15, -12}};
    Case c;
    int id = 0, only = argc > 1 ? atoi(argv[1]) : -1;

    show_pixels = only >= 0;
    for (; id < 11; id++) {
        const int *k = known[id < 8 ? 0 : id - 7];
        memset(&c, 0, sizeof c);
        c.src.bpp = c.dst.bpp = 1;
        c.src.width = 15;
        c.src.height = 12;
        c.dst.width = 24;
        c.dst.height = 18;
        c.x = 1;
        c.y = 4;
        c.w = k[0];
        c.h = -9;
        c.sw = k[1];
        c.sh = k[2];
        c.mode = BLACKONWHITE;
        c.rop = SRCCOPY;
        rng_state = 0x5D1F0000u + (unsigned int)id;
        if (only < 0 || only == id) run(id, &c);
    }
    for (; id < CASES; id++) {
        rng_state = 0x5D1F0000u + (unsigned int)id;
        random_case(&c);
        if (only < 0 || only == id) run(id, &c);
    }
    return 0;
}
