// The players against the DC itself: seeded random drawing programs made
// with the drawing calls on one DC, encoded as classic and as enhanced
// records played 1:1 into two others, must give the same pixels. Damaged
// metafiles (flipped bytes, garbage and truncated records, absurd sizes,
// coordinates and transforms) must neither read past their bytes (the
// sanitizers watch) nor draw outside the clip, and playback under failing
// allocations leaks nothing.
#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/metafile/play_emf.h"
#include "gdi/metafile/play_wmf.h"
#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr int kWidth = 32, kHeight = 24;

void Put(Bytes &out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(BYTE(value >> (8 * i)));
}

// Classic records: size in words, function, 16-bit parameters.
struct WmfWriter {
    Bytes bytes{1, 0, 9, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<bool> slots;
    void Record(WORD function, const std::vector<int> &words) {
        Put(bytes, unsigned(3 + words.size()), 4), Put(bytes, function, 2);
        for (int w : words) Put(bytes, unsigned(w), 2);
    }
    // The lowest free slot, as creation records take it.
    int Create(WORD function, const std::vector<int> &words) {
        Record(function, words);
        size_t slot = 0;
        while (slot < slots.size() && slots[slot]) ++slot;
        if (slot == slots.size()) slots.push_back(false);
        slots[slot] = true;
        return int(slot);
    }
    Bytes Finish() {
        Record(0, {});
        return bytes;
    }
};

// Enhanced records. The reference device has 1 pixel per 0.01 mm x 100, so
// a frame of kWidth x kHeight pixels played into (0, 0, kWidth - 1,
// kHeight - 1) maps 1:1.
struct EmfWriter {
    Bytes bytes;
    EmfWriter() {
        for (unsigned v : {1u, 108u, 0u, 0u, unsigned(kWidth - 1), unsigned(kHeight - 1), 0u, 0u, kWidth * 100u,
                           kHeight * 100u, 0x464D4520u, 0x10000u, 0u, 0u, 8u, 0u, 0u, 0u, 100u, 100u, 100u, 100u, 0u, 0u,
                           0u, 100000u, 100000u})
            Put(bytes, v, 4);
    }
    void Record(DWORD type, const std::vector<long long> &dwords) {
        Put(bytes, type, 4), Put(bytes, unsigned(8 + 4 * dwords.size()), 4);
        for (long long d : dwords) Put(bytes, unsigned(d), 4);
    }
    Bytes Finish() {
        Record(14, {0, 16, 20});
        const unsigned size = unsigned(bytes.size());
        std::memcpy(&bytes[48], &size, 4);
        return bytes;
    }
};

// One drawing program, made three ways.
struct Program {
    HDC direct;
    WmfWriter wmf;
    EmfWriter emf;
    HGDIOBJ pen = nullptr, brush = nullptr;
    int wmfPen = -1, wmfBrush = -1, emfPen = 0, emfBrush = 0;

    void Pen(int style, int width, COLORREF colour) {
        HGDIOBJ made = CreatePen(style, width, colour);
        SelectObject(direct, made);
        if (pen != nullptr) DeleteObject(pen);
        pen = made;
        const int slot = wmf.Create(0x02FA, {style, width, 0, int(colour & 0xFFFF), int(colour >> 16)});
        wmf.Record(0x012D, {slot});
        if (wmfPen >= 0) wmf.Record(0x01F0, {wmfPen}), wmf.slots[size_t(wmfPen)] = false;
        wmfPen = slot;
        const int index = emfPen == 1 ? 2 : 1;
        emf.Record(38, {index, style, width, 0, colour});
        emf.Record(37, {index});
        if (emfPen != 0) emf.Record(40, {emfPen});
        emfPen = index;
    }
    void Brush(int style, COLORREF colour, int hatch) {
        const LOGBRUSH logical{UINT(style), colour, ULONG_PTR(hatch)};
        HGDIOBJ made = CreateBrushIndirect(&logical);
        SelectObject(direct, made);
        if (brush != nullptr) DeleteObject(brush);
        brush = made;
        const int slot = wmf.Create(0x02FC, {style, int(colour & 0xFFFF), int(colour >> 16), hatch});
        wmf.Record(0x012D, {slot});
        if (wmfBrush >= 0) wmf.Record(0x01F0, {wmfBrush}), wmf.slots[size_t(wmfBrush)] = false;
        wmfBrush = slot;
        const int index = emfBrush == 3 ? 4 : 3;
        emf.Record(39, {index, style, colour, hatch});
        emf.Record(37, {index});
        if (emfBrush != 0) emf.Record(40, {emfBrush});
        emfBrush = index;
    }
    void End() {
        SelectObject(direct, GetStockObject(BLACK_PEN));
        SelectObject(direct, GetStockObject(WHITE_BRUSH));
        DeleteObject(pen);
        DeleteObject(brush);
    }
};

// Random calls of every kind both players draw; with `mapping`, classic
// mapping records too (the enhanced copy is then not comparable).
void MakeProgram(std::mt19937 &rng, Program &p, bool mapping) {
    std::uniform_int_distribution<int> coord(-4, kWidth + 3), any(0, 0x7FFFFFFF);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const auto colour = [&] { return COLORREF(any(rng) & 0xFFFFFF); };
    p.Pen(PS_SOLID, 0, 0);
    p.Brush(BS_SOLID, 0x00FF00, 0);
    for (int step = 0, steps = 4 + pick(12); step < steps; ++step) {
        const int l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
        switch (pick(mapping ? 13 : 12)) {
            case 0: {
                // Plain dashed pens draw solid from two pixels on, as the DC draws every width.
                const int style = std::array{PS_SOLID, PS_NULL, PS_INSIDEFRAME, PS_DASH}[size_t(pick(4))];
                p.Pen(style, style == PS_DASH ? 2 + pick(4) : pick(6), colour());
                break;
            }
            case 1: p.Brush(std::array{BS_SOLID, BS_HATCHED, BS_NULL}[size_t(pick(3))], colour(), pick(6)); break;
            case 2: {
                const int rop2 = 1 + pick(16);
                SetROP2(p.direct, rop2), p.wmf.Record(0x0104, {rop2}), p.emf.Record(20, {rop2});
                break;
            }
            case 3: {
                const int mode = 1 + pick(2), bk = 1 + pick(2);
                const COLORREF c = colour();
                SetPolyFillMode(p.direct, mode), p.wmf.Record(0x0106, {mode}), p.emf.Record(19, {mode});
                SetBkMode(p.direct, bk), p.wmf.Record(0x0102, {bk}), p.emf.Record(18, {bk});
                SetBkColor(p.direct, c), p.wmf.Record(0x0201, {int(c & 0xFFFF), int(c >> 16)}), p.emf.Record(25, {c});
                break;
            }
            case 4: Rectangle(p.direct, l, t, r, b), p.wmf.Record(0x041B, {b, r, t, l}), p.emf.Record(43, {l, t, r, b}); break;
            case 5: Ellipse(p.direct, l, t, r, b), p.wmf.Record(0x0418, {b, r, t, l}), p.emf.Record(42, {l, t, r, b}); break;
            case 6: {
                const int w = pick(14), h = pick(14);
                RoundRect(p.direct, l, t, r, b, w, h);
                p.wmf.Record(0x061C, {h, w, b, r, t, l}), p.emf.Record(44, {l, t, r, b, w, h});
                break;
            }
            case 7:
            case 8: {
                const bool closed = pick(2) == 0;
                std::vector<POINT> points(size_t(2 + closed + pick(4)));
                std::vector<int> words{int(points.size())};
                std::vector<long long> wide{0, 0, 0, 0, (long long)points.size()}, narrow = wide;
                for (POINT &pt : points) {
                    pt = POINT{coord(rng), coord(rng)};
                    words.insert(words.end(), {int(pt.x), int(pt.y)});
                    wide.insert(wide.end(), {pt.x, pt.y});
                    narrow.push_back((pt.x & 0xFFFF) | (long long)(pt.y & 0xFFFF) << 16);
                }
                (closed ? Polygon : Polyline)(p.direct, points.data(), int(points.size()));
                p.wmf.Record(closed ? 0x0324 : 0x0325, words);
                if (pick(2)) p.emf.Record(closed ? 3 : 4, wide);
                else p.emf.Record(closed ? 86 : 87, narrow);
                break;
            }
            case 9:
            case 10:
                MoveToEx(p.direct, l, t, nullptr), LineTo(p.direct, r, b);
                p.wmf.Record(0x0214, {t, l}), p.wmf.Record(0x0213, {b, r});
                p.emf.Record(27, {l, t}), p.emf.Record(54, {r, b});
                break;
            case 11: {
                const DWORD rop = std::array{PATCOPY, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS}[size_t(pick(5))];
                PatBlt(p.direct, l, t, r - l, b - t, rop);
                p.wmf.Record(0x061D, {int(rop & 0xFFFF), int(rop >> 16), b - t, r - l, t, l});
                p.emf.Record(76, {0, 0, 0, 0, l, t, r - l, b - t, rop, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0, 0, 0, 0, 0});
                break;
            }
            default: {
                const int wx = 1 + pick(8), wy = 1 + pick(8), vx = (pick(2) ? 1 : -1) * (1 + pick(16)), vy = 1 + pick(16);
                SetMapMode(p.direct, MM_ANISOTROPIC), p.wmf.Record(0x0103, {MM_ANISOTROPIC});
                SetWindowExtEx(p.direct, wx, wy, nullptr), p.wmf.Record(0x020C, {wy, wx});
                SetViewportExtEx(p.direct, vx, vy, nullptr), p.wmf.Record(0x020E, {vy, vx});
                SetViewportOrgEx(p.direct, l, t, nullptr), p.wmf.Record(0x020D, {t, l});
            }
        }
    }
    p.End();
}

SurfaceModel Grey() { return SurfaceModel(kWidth, kHeight, 32, {}, true, 0x7F7F7F); }

class MetafilePlayModel : public LeakCheckedTest {};

TEST_F(MetafilePlayModel, RecordsDrawWhatTheCallsDrawOnTheDc) {
    for (unsigned n = 0; n < 600; ++n) {
        std::mt19937 rng{n};
        ModelDc direct(Grey()), classic(Grey()), enhanced(Grey());
        Program program{direct.dc()};
        MakeProgram(rng, program, n % 2 == 0);
        const Bytes wmf = program.wmf.Finish(), emf = program.emf.Finish();
        ASSERT_TRUE(zelt::platform::PlayWmfBytes(classic.dc(), wmf.data(), wmf.size())) << "case " << n;
        EXPECT_EQ(classic.Read().pixels, direct.Read().pixels) << "classic, case " << n;
        if (n % 2 == 0) continue;
        const RECT rect{0, 0, kWidth - 1, kHeight - 1};
        ASSERT_TRUE(zelt::platform::PlayEmfBytes(enhanced.dc(), emf.data(), emf.size(), &rect)) << "case " << n;
        EXPECT_EQ(enhanced.Read().pixels, direct.Read().pixels) << "enhanced, case " << n;
    }
}

// Records that stress bounds: garbage types and sizes, counts past the end,
// huge coordinates, transforms and pens.
void AddHostileRecords(std::mt19937 &rng, Program &p) {
    std::uniform_int_distribution<int> word(-32768, 32767), any(0, 0x7FFFFFFF), kind(0, 6);
    const long long huge = 1LL << 30;
    for (int i = 0, count = kind(rng); i < count; ++i) {
        switch (kind(rng)) {
            case 0: p.wmf.Record(0x020E, {32767, 32767}), p.wmf.Record(0x020C, {1, 1}), p.wmf.Record(0x0103, {8}); break;
            case 1: p.wmf.Record(WORD(any(rng)), {word(rng), word(rng), word(rng), word(rng), word(rng)}); break;
            case 2: p.wmf.Record(0x0538, {3, 40000, 2, 9, word(rng), word(rng)}); break;
            case 3: p.emf.Record(35, {0x4E800000, 0, any(rng), 0x4E800000, rng() % 2 ? 0x7FC00000 : 0, 0}); break;  // 2^30, NaN
            case 4: p.emf.Record(38, {1, 0, huge, 0, 0xFF}), p.emf.Record(37, {1}), p.emf.Record(42, {-huge, -huge, huge, huge}); break;
            case 5: p.emf.Record(2, {0, 0, 0, 0, 4, -huge, 0, huge, huge, -huge, huge, 3, 3}); break;
            default: p.emf.Record(DWORD(any(rng) % 130), {any(rng), any(rng), 1000000, any(rng), any(rng), any(rng), any(rng)});
        }
    }
}

void Damage(std::mt19937 &rng, Bytes &bytes, size_t header) {
    if (bytes.size() <= header) return;
    std::uniform_int_distribution<size_t> at(header, bytes.size() - 1);
    switch (rng() % 4) {
        case 0: bytes[at(rng)] ^= BYTE(1 + rng() % 255); break;
        case 1: bytes.resize(at(rng)); break;
        case 2: bytes[at(rng)] = 0xFF; break;
        default: break;
    }
}

TEST_F(MetafilePlayModel, DamagedMetafilesStayInsideTheirBytesAndTheClip) {
    HRGN clip = CreateRectRgn(3, 2, kWidth - 5, kHeight - 4);
    for (unsigned n = 0; n < 400; ++n) {
        std::mt19937 rng{n + 1000};
        ModelDc scratch(Grey()), classic(Grey()), enhanced(Grey());
        Program program{scratch.dc()};
        MakeProgram(rng, program, false);
        AddHostileRecords(rng, program);
        Bytes wmf = program.wmf.Finish(), emf = program.emf.Finish();
        for (int d = 0; d < 3; ++d) Damage(rng, wmf, 18), Damage(rng, emf, 108);
        // Exactly the metafile's bytes, so that any read past them is caught.
        const auto exact = [](const Bytes &b) {
            std::unique_ptr<unsigned char[]> copy(new unsigned char[b.size()]);
            std::memcpy(copy.get(), b.data(), b.size());
            return copy;
        };
        const HGDIOBJ pen = GetCurrentObject(classic.dc(), OBJ_PEN), brush = GetCurrentObject(classic.dc(), OBJ_BRUSH);
        zelt::platform::PlayWmfBytes(classic.dc(), exact(wmf).get(), wmf.size());
        EXPECT_EQ(GetCurrentObject(classic.dc(), OBJ_PEN), pen) << "case " << n;
        EXPECT_EQ(GetCurrentObject(classic.dc(), OBJ_BRUSH), brush) << "case " << n;

        SelectClipRgn(enhanced.dc(), clip);
        const RECT rect{-2, -1, kWidth + 1, kHeight + 2};
        zelt::platform::PlayEmfBytes(enhanced.dc(), exact(emf).get(), emf.size(), &rect);
        EXPECT_EQ(GetMapMode(enhanced.dc()), MM_TEXT) << "case " << n;
        const SurfaceModel after = enhanced.Read();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (!PtInRegion(clip, x, y)) {
                    ASSERT_EQ(after.At(x, y) & 0xFFFFFF, 0x7F7F7Fu) << "case " << n << " at " << x << "," << y;
                }
    }
    DeleteObject(clip);
}

TEST_F(MetafilePlayModel, UserStyleDashesFollowTheirEntries) {
    for (const auto &[on, off] : {std::pair{4, 2}, std::pair{1, 3}, std::pair{7, 5}}) {
        EmfWriter emf;
        // A cosmetic pen of user style with entries (on, off), then a line from (2, 5) to (30, 5).
        emf.Record(95, {1, 0, 0, 0, 0, 7, 1, BS_SOLID, 0, 0, 2, on, off});
        emf.Record(37, {1}), emf.Record(27, {2, 5}), emf.Record(54, {30, 5});
        const Bytes bytes = emf.Finish();
        ModelDc canvas(Grey());
        const RECT rect{0, 0, kWidth - 1, kHeight - 1};
        ASSERT_TRUE(zelt::platform::PlayEmfBytes(canvas.dc(), bytes.data(), bytes.size(), &rect));
        const SurfaceModel after = canvas.Read();
        for (int x = 0; x < kWidth; ++x) {
            const bool dash = x >= 2 && x < 30 && (x - 2) % (on + off) < on;
            EXPECT_EQ(after.At(x, 5) & 0xFFFFFF, dash ? 0u : 0x7F7F7Fu) << on << "/" << off << " at " << x;
        }
    }
}

TEST_F(MetafilePlayModel, FailingAllocationsLeakNothing) {
    std::mt19937 rng{7};
    ModelDc scratch(Grey()), canvas(Grey());
    Program program{scratch.dc()};
    MakeProgram(rng, program, true);
    program.emf.Record(59, {}), program.emf.Record(27, {1, 1}), program.emf.Record(88, {0, 0, 0, 0, 3, 0x50020, 0x40030, 0x10010});
    program.emf.Record(60, {}), program.emf.Record(63, {0, 0, 0, 0});
    const Bytes wmf = program.wmf.Finish(), emf = program.emf.Finish();
    const RECT rect{0, 0, kWidth - 1, kHeight - 1};
    const long allocations = ForEachAllocationFailure(
        [&] {
            zelt::platform::PlayWmfBytes(canvas.dc(), wmf.data(), wmf.size());
            zelt::platform::PlayEmfBytes(canvas.dc(), emf.data(), emf.size(), &rect);
        },
        [&](long failedAt) {
            SetMapMode(canvas.dc(), MM_TEXT);
            EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), GetStockObject(BLACK_PEN)) << "allocation " << failedAt;
        });
    if (kHostControls) {
        EXPECT_GT(allocations, 4);
    }
}

}  // namespace
}  // namespace zelt::test
