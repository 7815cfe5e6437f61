// Every operation that changes a selection against the per-pixel model over
// seeded random inputs (pictures in every stored layout), and each again
// with every allocation it makes failing in turn.
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/host_controls.h"
#include "pixel_image.h"
#include "region_model.h"

namespace zelt::test {
namespace {

using namespace zelt::region;
using Image = PixelImage;

constexpr LONG kW = 40, kH = 30;
constexpr int kViews[] = {0, 1, 2, 3, 4, 5, 7, 8};
constexpr LONG kScales[][4] = {{1, 2, 1, 2}, {2, 1, 3, 2}, {3, 2, 2, 3}, {1, 3, 5, 4}, {7, 5, 1, 1}};
constexpr RECT kClips[] = {{5, 3, 20, 17}, {-10, -10, 100, 100}, {0, 12, kW, 13}, {60, 0, 70, kH}};
constexpr int kTurns[][2] = {{9000, 4}, {18000, 3}, {-9000, 8}, {45000, 4}, {-27000, 4}};  // angle, perspective
constexpr LONG kShears[] = {0, 4500, -4500, 1000, 3000};
constexpr UINT kTolerances[] = {0, 9, 30, 0x1FF};  // only the low byte counts

// The operations, in groups of consecutive numbers.
enum Op : int {
    kCombine = 0,  // by mode 0..6
    kCombineScaled = 7,
    kCombineFrom = 8,  // a shape given in perspective kViews[i]
    kIntersect = 16,
    kUnion,
    kSubtract,
    kOffset,
    kOffsetColumns,
    kFlipInTallerSpace,
    kScale = 22,  // kScales[i]
    kClip = 27,   // kClips[i]
    kFlipRows = 31,
    kMirrorColumns,
    kQuarterTurn = 33,  // kTurns[i]
    kSteppedHalfTurn = 38,
    kRect,
    kEllipse,
    kRoundRect,
    kPolygon,
    kHandle,
    kOffsetExport,
    kColour,
    kWand,
    kWandAgain,
    kFromMask,
    kResize,
    kShear = 50,  // kShears[i]
    kOpCount = 55
};

// The position of an operation within its numbered group.
int IndexInGroup(int op) {
    for (const int first : {kShear, kQuarterTurn, kClip, kScale, kCombineFrom})
        if (op >= first) return op - first;
    return 0;
}

// One seeded case: a picture with a selection `a` (or none), a fresh shape
// `b` hanging over the picture's edges, a mode and shape parameters.
struct Inputs {
    uint32_t seed = 0;
    const PixelLayout *layout = &kPixelLayouts[7];
    PixelMask canvas{150, 150, -40, -40}, a, b;  // every result lies on the canvas
    bool hasRegion = true;
    LONG view = 0, dx = 0, dy = 0, cornerW = 0, cornerH = 0;
    int mode = 0, fillMode = 0;
    RECT box{};
    std::vector<POINT> polygon;
    POINT at{};
    UINT tolerance = 0;
    std::shared_ptr<void> gdi;  // a GDI region, made before any allocation is failed

    bool InBitmap(LONG x, LONG y) const { return x >= 0 && y >= 0 && x < kW && y < kH; }
    bool A(LONG x, LONG y) const { return hasRegion ? a.Get(x, y) : InBitmap(x, y); }
    POINT WandAt(bool again) const { return again ? POINT{kW - 1 - at.x, kH - 1 - at.y} : at; }
};

Inputs MakeInputs(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return LONG(lo + int(rng() % uint32_t(hi - lo + 1))); };
    Inputs in;
    in.seed = seed;
    in.layout = &kPixelLayouts[seed % std::size(kPixelLayouts)];
    in.hasRegion = seed % 4 != 3;
    in.view = kViews[(seed / 3) % 8];
    in.a = seed % 11 == 5 ? PixelMask(kW, kH) : RandomShape(2 * seed, kW, kH, 3);
    const LONG bx = pick(-12, 28), by = pick(-10, 20);
    in.b = seed % 13 == 7 ? PixelMask(24, 20, bx, by) : RandomShape(2 * seed + 1, 24, 20, 3, bx, by);
    in.mode = int(seed % 7);
    in.dx = pick(-20, 20), in.dy = pick(-12, 12);
    in.box = RECT{pick(-10, 30), pick(-10, 25), 0, 0};
    in.box.right = in.box.left + pick(1, 40), in.box.bottom = in.box.top + pick(1, 30);
    if (seed % 9 == 4) in.box = RECT{-100, -50, 400, 300};  // larger than the bitmap
    if (seed % 9 == 7) std::swap(in.box.left, in.box.right);  // inverted: an empty shape, not none
    in.cornerW = pick(-5, 30), in.cornerH = pick(-5, 30);
    for (LONG n = pick(3, 9); n > 0; --n) in.polygon.push_back(POINT{pick(-10, 50), pick(-10, 40)});
    in.fillMode = int(seed % 2);
    in.at = POINT{pick(0, kW - 1), pick(0, kH - 1)};
    in.tolerance = kTolerances[seed % 4];
    // For the handle: the polygon (crossing edges, winding) and a wider rounded rectangle combined by GDI.
    HRGN gdi = CreatePolygonRgn(in.polygon.data(), int(in.polygon.size()), WINDING);
    HRGN round = CreateRoundRectRgn(in.box.left - 9, in.box.top, in.box.right + 9, in.box.bottom, in.cornerW, 4);
    CombineRgn(gdi, gdi, round, RGN_AND + int(seed % 4));
    DeleteObject(round);
    in.gdi.reset(gdi, [](void *h) { DeleteObject(HRGN(h)); });
    return in;
}

std::unique_ptr<Image> Subject(const Inputs &in) {
    auto image = std::make_unique<Image>(*in.layout, kW, kH, in.seed);
    image->bitmap.ViewPerspective = in.view;
    if (in.hasRegion) image->bitmap.Region = RecordFromMask(in.a).release();
    return image;
}

// ---- applying the operations ----------------------------------------------------

int Combine(BitmapRecord &bitmap, const RegionXForm *xform, const PixelMask &shape, int mode) {
    RegionRecord *fresh = RecordFromMask(shape).release();
    return fresh ? CombineBitmapRgn(&bitmap, xform, fresh, mode) : STATUS_NO_MEMORY;
}

// Changes a record of `shape` in place (it keeps its address) and gives it to the bitmap.
int OnRecord(BitmapRecord &bitmap, const PixelMask &shape, const std::function<int(RegionRecord *)> &change) {
    RecordPtr record = RecordFromMask(shape);
    RegionRecord *const address = record.get();
    const int status = record ? change(address) : STATUS_NO_MEMORY;
    if (status == STATUS_OK) AttachRegion(bitmap, record.release());
    EXPECT_TRUE(status != STATUS_OK || bitmap.Region == address);
    return status;
}

int SetOp(BitmapRecord &bitmap, const Inputs &in,
          int (*run)(RegionRecord **, const RegionRecord *, const RegionRecord *)) {
    RecordPtr a = RecordFromMask(in.a), b = RecordFromMask(in.b);
    RegionRecord *out = nullptr;
    const int status = a && b ? run(&out, a.get(), b.get()) : STATUS_NO_MEMORY;
    if (status == STATUS_OK) AttachRegion(bitmap, out);
    return status;
}

// A mask of the fresh shape, by seed: made from a selection (all white from
// a bitmap without one), a one-bit picture with white as index 0, or an
// 8-bit gray picture, light inside. The caller's mask is left alone.
int FromMask(BitmapRecord &bitmap, const Inputs &in) {
    BitmapRecord mask{};
    const bool fromRegion = in.seed % 3 == 0, bits1 = in.seed % 3 == 1;
    const RGBQUAD inverted[] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    RegionBitmap source(kW, kH, in.seed % 2 ? nullptr : RecordFromMask(in.b), in.view);
    int status = fromRegion && in.seed % 2 == 0 && !source.record.Region ? STATUS_NO_MEMORY
                 : fromRegion ? Z_CreateMaskFromBitmapRgn(source.get(), &mask)
                              : KrnCreateBitmap(&mask, KRN_MEMORY_CONVENTIONAL, kW, kH, bits1 ? 1 : 8, 0,
                                                bits1 ? inverted : nullptr, 0, nullptr, 0);
    EXPECT_TRUE(status == STATUS_OK ? !fromRegion || (mask.BitsPerPixel == 1 && mask.ViewPerspective == in.view)
                                    : !mask.Data);
    for (LONG y = 0; status == STATUS_OK && !fromRegion && y < kH; ++y)
        for (LONG x = 0; x < kW; ++x) {
            BYTE *row = static_cast<BYTE *>(mask.Data) + y * mask.BytesPerLine;
            if (bits1 && !in.b.Get(x, y)) row[x / 8] |= BYTE(0x80 >> (x & 7));
            if (!bits1) row[x] = in.b.Get(x, y) ? BYTE(220 + 35 * (x & 1)) : BYTE(40 * (y & 1));
        }
    if (status == STATUS_OK) status = Z_SetBitmapRgnFromMask(&bitmap, nullptr, &mask, in.mode);
    EXPECT_EQ(mask.Region, nullptr);
    KrnFreeBitmap(&mask);
    return status;
}

// Packed pictures match by index: the first palette entry of the colour
// (none for a colour not in the palette) or the entry the index form names
// (3 repeats entry 1).
COLORREF ColourOf(const Inputs &in, Image &s) {
    if (in.layout->bits >= 2 && in.layout->bits <= 8 && in.seed % 2 == 1) return 0x01000003;
    COLORREF c = s.ColorAt(in.at.x, in.at.y);
    for (size_t i = 0; in.seed % 4 == 0 && i < s.palette.size(); ++i)
        if (RGB(s.palette[i].rgbRed, s.palette[i].rgbGreen, s.palette[i].rgbBlue) == c) c = c + 1, i = size_t(-1);
    return c;
}

int Apply(int op, Image &s, const Inputs &in) {
    BitmapRecord &b = s.bitmap;
    const int i = IndexInGroup(op);
    if (op < kCombineScaled) return Combine(b, nullptr, in.b, op);
    if (op < kIntersect) {
        const RegionXForm scaled{in.view, 3, 2, 2, 1, -3, 5}, given{kViews[i], 1, 1, 1, 1, 0, 0};  // scaled: no turn
        return Combine(b, op == kCombineScaled ? &scaled : &given, in.b, in.mode);
    }
    if (op >= kScale && op < kClip)
        return OnRecord(b, in.b, [&](RegionRecord *r) {
            return ScaleRgnRecord(r, kScales[i][0], kScales[i][1], kScales[i][2], kScales[i][3]);
        });
    if (op >= kClip && op < kFlipRows)
        return OnRecord(b, in.b, [&](RegionRecord *r) { return ClipRgnRecord(r, &kClips[i]); });
    if (op >= kQuarterTurn && op < kSteppedHalfTurn) {
        const bool exchange = ExchangesAxes(kTurns[i][1]);
        return OnRecord(b, in.hasRegion ? in.a : WholeCanvas(kW, kH), [&](RegionRecord *r) {
            return RotateRgnRecord90(r, exchange ? kH : kW, exchange ? kW : kH, kW, kH, kTurns[i][0]);
        });
    }
    if (op >= kShear) return ShearBitmapRgn(&b, kShears[i]);
    const RECT &r = in.box;
    switch (op) {
        case kIntersect: return SetOp(b, in, IntersectRgnRecords);
        case kUnion: return SetOp(b, in, UnionRgnRecords);
        case kSubtract: return SetOp(b, in, SubtractRgnRecords);
        case kOffset: return OnRecord(b, in.b, [](RegionRecord *rec) { return OffsetRgnRecord(rec, 7, -5); });
        case kOffsetColumns: return OnRecord(b, in.b, [](RegionRecord *rec) { return OffsetRgnRecord(rec, -9, 0); });
        case kFlipInTallerSpace:
            return OnRecord(b, in.b, [](RegionRecord *rec) { return FlipRgnRecordVert(rec, kH + 10); });
        case kFlipRows: return FlipBitmapRgnVert(&b);
        case kMirrorColumns: return FlipBitmapRgnHorz(&b);
        case kSteppedHalfTurn: return RotateBitmapRgn(&b, kW, kH, 18000);
        case kRect: return Z_SetBitmapRgnRect(&b, nullptr, &r, in.mode);
        case kEllipse: return Z_SetBitmapRgnEllipse(&b, nullptr, &r, in.mode);
        case kRoundRect: return Z_SetBitmapRgnRoundRect(&b, nullptr, &r, in.cornerW, in.cornerH, in.mode);
        case kPolygon:
            return Z_SetBitmapRgnPolygon(&b, nullptr, in.polygon.data(), int(in.polygon.size()), in.fillMode, in.mode);
        case kHandle: return Z_SetBitmapRgnHandle(&b, nullptr, HRGN(in.gdi.get()), in.mode);  // read, never changed
        case kOffsetExport: return Z_OffsetBitmapRgn(&b, in.dy, in.dx);
        case kColour: return Z_SetBitmapRgnColor(&b, ColourOf(in, s), in.mode);
        case kWand:
        case kWandAgain: {
            const POINT at = in.WandAt(op == kWandAgain);  // the second time with the next tolerance
            return Z_SetBitmapRgnMagicWand(&b, at.x, at.y, in.tolerance + (op == kWandAgain ? 9 : 0), in.mode);
        }
        case kFromMask: return FromMask(b, in);
        default: return ResizeBitmapRgn(&b, 31, 23);
    }
}

// ---- the model --------------------------------------------------------------------

// Whether (x, y) lies in the block a source pixel scales to (edges rounded
// up); source blocks tile the plane, so at most one source pixel qualifies.
bool ScaledGet(const PixelMask &src, LONG xn, LONG xd, LONG yn, LONG yd, LONG x, LONG y) {
    LONG sx = src.originX, sy = src.originY;
    while (sx < src.originX + src.width && x >= ScaleEdgeModel(sx + 1, xn, xd)) ++sx;
    while (sy < src.originY + src.height && y >= ScaleEdgeModel(sy + 1, yn, yd)) ++sy;
    return x >= ScaleEdgeModel(sx, xn, xd) && y >= ScaleEdgeModel(sy, yn, yd) && src.Get(sx, sy);
}

// A row moves right by the whole part of tan(angle) per row, plus one pixel
// each time the accumulated remainder passes a full step.
LONG ShearShift(LONG rowIndex, LONG angle) {
    const int64_t c = KrnCosFixed(angle), s = KrnSinFixed(angle), rest = rowIndex * (s % c);
    return LONG(rowIndex * (s / c) + (rest > 0 ? (rest - 1) / c : 0));
}

// The fresh shape an operation merges in, on the bitmap: by GDI's pixels, a
// flood fill, the colours the kernel reports or the scaling rule.
PixelMask FreshShape(int op, const Inputs &in, Image &s) {
    const RECT &r = in.box;
    HRGN gdi = op == kEllipse     ? CreateEllipticRgnIndirect(&r)
               : op == kRoundRect ? CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, in.cornerW, in.cornerH)
               : op == kPolygon
                   ? CreatePolygonRgn(in.polygon.data(), int(in.polygon.size()), in.fillMode ? ALTERNATE : WINDING)
               : op == kHandle ? HRGN(in.gdi.get())
                               : nullptr;
    const COLORREF c = op == kColour ? ColourOf(in, s) : 0;
    int first = c == 0x01000003 ? 3 : -1;
    for (size_t i = s.palette.size(); i-- > 0 && first != 3;)
        if (RGB(s.palette[i].rgbRed, s.palette[i].rgbGreen, s.palette[i].rgbBlue) == c) first = int(i);
    const POINT at = in.WandAt(op == kWandAgain);
    const PixelMask &b = in.b, moved = ModelOf(b.width, b.height, b.originX - 3, b.originY + 5,
                                               [&](LONG x, LONG y) { return b.Get(x + 3, y - 5); });  // combine scaled
    const PixelMask flood =
        op == kWand || op == kWandAgain
            ? FloodModel(s.bitmap, at.x, at.y, int((in.tolerance + (op == kWandAgain ? 9 : 0)) & 0xFF))
            : PixelMask();
    const PixelMask shape = ModelOf(kW, kH, 0, 0, [&](LONG x, LONG y) {
        if (gdi) return PtInRegion(gdi, x, y) != FALSE;
        if (op == kColour)
            return s.palette.empty() ? s.ColorAt(x, y) == c : int(s.pool[size_t(s.Choice(x, y))]) == first;
        if (op == kRect) return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        if (op == kCombineScaled) return ScaledGet(moved, 3, 2, 2, 1, x, y);
        return op == kFromMask ? (in.seed % 6 == 3 || in.b.Get(x, y)) : flood.Get(x, y);
    });
    if (gdi && op != kHandle) DeleteObject(gdi);
    return shape;
}

// What operation `op` leaves selected at (x, y); `fresh` is its FreshShape.
bool After(int op, const Inputs &in, const PixelMask &fresh, LONG x, LONG y) {
    auto merged = [&](bool shape, int mode) { return in.InBitmap(x, y) && CombinedPixel(mode, in.A(x, y), shape); };
    const int i = IndexInGroup(op);
    if (op < kCombineScaled) return merged(in.b.Get(x, y), op);
    if (op > kCombineScaled && op < kIntersect) {
        const Point p = Restored(int(in.view), kViews[i], kW, kH, x, y);
        return merged(in.InBitmap(x, y) && in.b.Get(p.x, p.y), in.mode);
    }
    if (op >= kScale && op < kClip)
        return ScaledGet(in.b, kScales[i][0], kScales[i][1], kScales[i][2], kScales[i][3], x, y);
    const RECT &k = kClips[op >= kClip && op < kFlipRows ? i : 0];
    if (op >= kClip && op < kFlipRows)
        return in.b.Get(x, y) && x >= k.left && x < k.right && y >= k.top && y < k.bottom;
    if (op >= kQuarterTurn && op <= kSteppedHalfTurn) {  // stored the way perspective p shows it
        const int p = op == kSteppedHalfTurn ? 3 : kTurns[i][1], w = ExchangesAxes(p) ? kH : kW,
                  h = ExchangesAxes(p) ? kW : kH;
        const Point source = Displayed(p == 4 ? 8 : p == 8 ? 4 : p, w, h, x, y);  // the turn undone
        return x >= 0 && y >= 0 && x < w && y < h && in.A(source.x, source.y);
    }
    if (op >= kShear) {  // from the bottom row up unless the view shows rows top down
        const bool fromTop = in.view == 1 || in.view == 2 || in.view == 5 || in.view == 7;
        const LONG shift = in.hasRegion ? ShearShift(fromTop ? y : kH - 1 - y, std::abs(kShears[i])) : 0;
        return in.InBitmap(x, y) && in.A(x - shift, y);
    }
    switch (op) {
        case kIntersect: return in.a.Get(x, y) && in.b.Get(x, y);
        case kUnion: return in.a.Get(x, y) || in.b.Get(x, y);
        case kSubtract: return in.a.Get(x, y) && !in.b.Get(x, y);
        case kOffset: return in.b.Get(x - 7, y + 5);
        case kOffsetColumns: return in.b.Get(x + 9, y);
        case kFlipInTallerSpace: return in.b.Get(x, kH + 9 - y);
        case kFlipRows: return in.A(x, kH - 1 - y);
        case kMirrorColumns: return in.A(kW - 1 - x, y);
        case kOffsetExport: return in.InBitmap(x, y) && in.A(x - in.dx, y - in.dy);
        case kResize: return in.hasRegion ? ScaledGet(in.a, 31, kW, 23, kH, x, y) : in.A(x, y);
        default: return merged(fresh.Get(x, y), in.mode);
    }
}

PixelMask Expected(int op, const Inputs &in, Image &image) {
    const bool merges = op == kCombineScaled || (op >= kRect && op <= kFromMask && op != kOffsetExport);
    const PixelMask fresh = merges ? FreshShape(op, in, image) : PixelMask();
    const PixelMask &c = in.canvas;
    return ModelOf(c.width, c.height, c.originX, c.originY, [&](LONG x, LONG y) { return After(op, in, fresh, x, y); });
}

::testing::AssertionResult Same(const PixelMask &got, const PixelMask &want) {
    if (got.outside == 0 && want.outside == 0 && got == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.Count() << " selected, want " << want.Count() << " (" << got.outside
                                         << " and " << want.outside << " off the canvas)";
}

class SelectionOps : public LeakCheckedTest {};

TEST_F(SelectionOps, MatchThePixelModel) {
    for (uint32_t seed = 1; seed <= 2 * std::size(kPixelLayouts); ++seed) {
        const Inputs in = MakeInputs(seed);
        for (int op = 0; op < kOpCount; ++op) {
            SCOPED_TRACE(::testing::Message() << "operation " << op << ", seed " << seed << ", layout "
                                              << in.layout->name << ", view " << in.view << ", mode " << in.mode);
            auto subject = Subject(in);
            const PixelMask want = Expected(op, in, *subject);
            ASSERT_EQ(Apply(op, *subject, in), STATUS_OK);
            EXPECT_TRUE(Same(SelectionOf(subject->bitmap, &in.canvas), want));
            RECT box;
            EXPECT_TRUE(op != kHandle || GetRgnBox(HRGN(in.gdi.get()), &box) != ERROR) << "the handle stays";
        }
    }
}

// Allocation 1, 2, ... fails on a fresh subject until a run makes fewer
// allocations than that: a failed run answers NO_MEMORY and keeps the
// selection, a completed one gives the model's answer, and nothing leaks.
// Returns the number of failed runs.
long WalkAllocationFailures(const Inputs &in, const std::function<std::unique_ptr<Image>()> &make,
                            const std::function<int(Image &)> &apply, const PixelMask &want) {
    for (long n = 1, failed = 0;; ++n) {
        const LiveCounts start = LiveCounts::Now();
        long made = 0;
        {
            auto subject = make();
            const PixelMask before = SelectionOf(subject->bitmap, &in.canvas);
            ZeltHostFailAllocationAfter(n);
            const int status = apply(*subject);
            made = ZeltHostFailAllocationAfter(-1);
            failed += status != STATUS_OK;
            EXPECT_TRUE(status == STATUS_OK || status == STATUS_NO_MEMORY) << status;
            EXPECT_TRUE(Same(SelectionOf(subject->bitmap, &in.canvas), status == STATUS_OK ? want : before))
                << "allocation " << n;
        }
        EXPECT_EQ(LiveCounts::Now(), start) << "allocation " << n;
        if (made < n) return failed;
    }
}

TEST_F(SelectionOps, EveryAllocationFailureKeepsTheSelection) {
    ZELT_REQUIRE_HOST_CONTROLS("failing each allocation of every selection operation");
    long failedRuns = 0;
    for (const uint32_t seed : {3u, 6u, 14u}) {
        const Inputs in = MakeInputs(seed);
        for (int op = 0; op < kOpCount; ++op) {
            SCOPED_TRACE("operation " + std::to_string(op) + ", seed " + std::to_string(seed));
            failedRuns += WalkAllocationFailures(
                in, [&] { return Subject(in); }, [&](Image &s) { return Apply(op, s, in); },
                Expected(op, in, *Subject(in)));
        }
    }
    EXPECT_GT(failedRuns, 300);
}

// Below a full first row columns alternate in and out, so one span leaves
// more run starts pending than the wand's stack holds at first.
TEST_F(SelectionOps, MagicWandGrowsItsStack) {
    constexpr LONG kWide = 60010;
    Inputs in;
    in.canvas = PixelMask(kWide, 3);
    in.a = RandomShape(12, kWide, 3);
    auto make = [&] {
        auto image = std::make_unique<Image>(kPixelLayouts[7], kWide, 3, 4, 1);  // 8 bits, one colour
        for (LONG x = 1; x < kWide; x += 2) image->WritePixel(x, 1, 1), image->WritePixel(x, 2, 1);
        image->bitmap.Region = RecordFromMask(in.a).release();
        return image;
    };
    const PixelMask flood = FloodModel(make()->bitmap, 5, 0, 0);
    EXPECT_EQ(flood.Count(), kWide + 2 * (kWide / 2));
    const PixelMask want = ModelOf(kWide, 3, 0, 0, [&](LONG x, LONG y) { return in.a.Get(x, y) != flood.Get(x, y); });
    const auto wand = [](Image &s) { return Z_SetBitmapRgnMagicWand(&s.bitmap, 5, 0, 0, RGNMODE_XOR); };
    if (!kHostControls) {  // Windows: the undisturbed flood only
        auto subject = make();
        ASSERT_EQ(wand(*subject), STATUS_OK);
        EXPECT_TRUE(Same(SelectionOf(subject->bitmap, &in.canvas), want));
        return;
    }
    EXPECT_GT(WalkAllocationFailures(in, make, wand, want), 8);
}

}  // namespace
}  // namespace zelt::test
