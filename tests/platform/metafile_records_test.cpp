// The drawing records of both metafile formats, in the layouts the format
// documentation gives (each call recorded alone and compared with the
// documented bytes), their round trip through the handle calls with the
// header totals walked again, the bounds of an enhanced metafile, and
// recording and closing under every injected allocation failure.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/host_controls.h"
#include "support/leak_guard.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

using Bytes = std::vector<unsigned char>;

std::string Hex(const unsigned char *data, std::size_t size) {
    std::string hex;
    char pair[3];
    for (std::size_t i = 0; i < size; ++i) std::snprintf(pair, sizeof pair, "%02x", data[i]), hex += pair;
    return hex;
}
std::string Compact(std::string hex) { return std::erase(hex, ' '), hex; }
unsigned U32(const Bytes &b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | unsigned(b[at + 3]) << 24;
}

Bytes Recorded(HANDLE metafile, bool enhanced) {
    Bytes bytes(enhanced ? GetEnhMetaFileBits(HENHMETAFILE(metafile), 0, nullptr)
                         : GetMetaFileBitsEx(HMETAFILE(metafile), 0, nullptr));
    enhanced ? GetEnhMetaFileBits(HENHMETAFILE(metafile), UINT(bytes.size()), bytes.data())
             : GetMetaFileBitsEx(HMETAFILE(metafile), UINT(bytes.size()), bytes.data());
    return bytes;
}

// Walks the records from the first to the end: their count and the
// longest, or false when a size runs past the end or is too small.
bool Walk(const Bytes &bytes, bool enhanced, std::size_t &records, std::size_t &longest) {
    std::size_t at = enhanced ? 0 : 18;
    records = longest = 0;
    while (at + 6 <= bytes.size()) {
        const std::size_t size = enhanced ? U32(bytes, at + 4) : 2 * std::size_t{U32(bytes, at)};
        if (size < (enhanced ? 8u : 6u) || size > bytes.size() - at) return false;
        ++records, longest = std::max(longest, size), at += size;
    }
    return at == bytes.size();
}

// The records walk to the end and the header's totals agree with them.
bool Consistent(const Bytes &bytes, bool enhanced) {
    std::size_t records = 0, longest = 0;
    if (!Walk(bytes, enhanced, records, longest)) return false;
    if (enhanced) return U32(bytes, 48) == bytes.size() && U32(bytes, 52) == records;
    const Bytes header(bytes.begin(), bytes.begin() + 18);
    return U32(Bytes(header.begin() + 6, header.end()), 0) == bytes.size() / 2 &&
           U32(Bytes(header.begin() + 12, header.end()), 0) == longest / 2;
}

HANDLE Record(bool enhanced, const std::function<void(HDC)> &calls, const char *file = nullptr) {
    HDC dc = enhanced ? CreateEnhMetaFileA(nullptr, file, nullptr, nullptr) : CreateMetaFileA(file);
    calls(dc);
    return enhanced ? HANDLE(CloseEnhMetaFile(dc)) : HANDLE(CloseMetaFile(dc));
}

void Delete(HANDLE metafile, bool enhanced) {
    enhanced ? DeleteEnhMetaFile(HENHMETAFILE(metafile)) : DeleteMetaFile(HMETAFILE(metafile));
}

// A memory DC over a 2 x 1 32-bit DIB section holding 0x112233, 0x445566.
struct TwoPixels {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ old;
    TwoPixels() {
        BITMAPINFOHEADER header{sizeof header, 2, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bits != nullptr) static_cast<DWORD *>(bits)[0] = 0x112233, static_cast<DWORD *>(bits)[1] = 0x445566;
        old = SelectObject(dc, bitmap);
    }
    ~TwoPixels() { SelectObject(dc, old), DeleteObject(bitmap), DeleteDC(dc); }
};

// One call (or a few) and the records it gives, classic then enhanced,
// written out from the documented layouts: classic records are the size in
// words, the function and 16-bit parameters (y before x); enhanced ones the
// type, the size and 32-bit fields.
struct DrawingCase {
    const char *name;
    std::function<void(HDC)> calls;
    const char *classic;
    const char *enhanced;
};

const char kEmfXform[] = "0000803f 00000000 00000000 0000803f 00000000 00000000";
const char kTwoPixelDib[] =
    "28000000 02000000 01000000 0100 2000 00000000 08000000 00000000 00000000 00000000 00000000 "
    "33221100 66554400";

const DrawingCase kCases[] = {
    {"Rectangle", [](HDC dc) { Rectangle(dc, 1, 2, 30, 40); }, "07000000 1b04 2800 1e00 0200 0100",
     "2b000000 18000000 01000000 02000000 1e000000 28000000"},
    {"Ellipse", [](HDC dc) { Ellipse(dc, 0, 0, 8, 4); }, "07000000 1804 0400 0800 0000 0000",
     "2a000000 18000000 00000000 00000000 08000000 04000000"},
    {"RoundRect", [](HDC dc) { RoundRect(dc, 0, 0, 8, 4, 2, 3); }, "09000000 1c06 0300 0200 0400 0800 0000 0000",
     "2c000000 20000000 00000000 00000000 08000000 04000000 02000000 03000000"},
    {"MoveToEx LineTo", [](HDC dc) { MoveToEx(dc, 1, 2, nullptr), LineTo(dc, 3, 4); },
     "05000000 1402 0200 0100 05000000 1302 0400 0300",
     "1b000000 10000000 01000000 02000000 36000000 10000000 03000000 04000000"},
    {"Polyline",
     [](HDC dc) {
         const POINT p[3] = {{0, 0}, {5, 1}, {2, 7}};
         Polyline(dc, p, 3);
     },
     "0a000000 2503 0300 0000 0000 0500 0100 0200 0700",
     "57000000 28000000 00000000 00000000 05000000 07000000 03000000 0000 0000 0500 0100 0200 0700"},
    {"Polygon",
     [](HDC dc) {
         const POINT p[3] = {{0, 0}, {5, 1}, {2, 70000}};
         Polygon(dc, p, 3);
     },
     "0a000000 2403 0300 0000 0000 0500 0100 0200 7011",
     "03000000 34000000 00000000 00000000 05000000 70110100 03000000 00000000 00000000 05000000 01000000 02000000 "
     "70110100"},
    {"PatBlt", [](HDC dc) { PatBlt(dc, 1, 2, 3, 4, PATCOPY); }, "09000000 1d06 2100f000 0400 0300 0200 0100",
     "4c000000 64000000 01000000 02000000 03000000 05000000 01000000 02000000 03000000 04000000 2100f000 00000000 "
     "00000000"
     " 0000803f 00000000 00000000 0000803f 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000"},
    {"attributes",
     [](HDC dc) {
         SetBkColor(dc, RGB(1, 2, 3)), SetTextColor(dc, RGB(4, 5, 6)), SetBkMode(dc, TRANSPARENT);
         SetROP2(dc, R2_XORPEN), SetStretchBltMode(dc, COLORONCOLOR);
     },
     "05000000 0102 01020300 05000000 0902 04050600 04000000 0201 0100 04000000 0401 0700 04000000 0701 0300",
     "19000000 0c000000 01020300 18000000 0c000000 04050600 12000000 0c000000 01000000 14000000 0c000000 07000000 "
     "15000000 0c000000 03000000"},
    {"clip rectangles", [](HDC dc) { IntersectClipRect(dc, 1, 2, 3, 4), ExcludeClipRect(dc, 1, 2, 3, 4); },
     "07000000 1604 0400 0300 0200 0100 07000000 1504 0400 0300 0200 0100",
     "1e000000 18000000 01000000 02000000 03000000 04000000 1d000000 18000000 01000000 02000000 03000000 04000000"},
    {"pen selected then deleted",
     [](HDC dc) {
         HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
         SelectObject(dc, pen), DeleteObject(pen);
     },
     "08000000 fa02 0000 0300 0000 01020300 04000000 2d01 0000 04000000 f001 0000",
     "26000000 1c000000 01000000 00000000 03000000 00000000 01020300 25000000 0c000000 01000000 "
     "28000000 0c000000 01000000"},
    {"brushes, stock and made",
     [](HDC dc) {
         HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
         SelectObject(dc, GetStockObject(BLACK_BRUSH)), SelectObject(dc, brush),
             SelectObject(dc, GetStockObject(BLACK_BRUSH));
         DeleteObject(brush);
     },
     "07000000 fc02 0000 00000000 0000 04000000 2d01 0000 07000000 fc02 0000 04050600 0000 04000000 2d01 0100 "
     "04000000 2d01 0000 04000000 f001 0100",
     "25000000 0c000000 04000080 27000000 18000000 01000000 00000000 04050600 00000000 25000000 0c000000 01000000 "
     "25000000 0c000000 04000080 28000000 0c000000 01000000"},
    {"region as clip",
     [](HDC dc) {
         HRGN region = CreateRectRgn(1, 2, 5, 6);
         SelectClipRgn(dc, region), DeleteObject(region);
     },
     "14000000 ff06 0000 0600 00000000 2200 0100 0200 0100 0200 0500 0600 0200 0200 0600 0100 0500 0200 "
     "04000000 2c01 0000 04000000 f001 0000",
     "4b000000 40000000 30000000 05000000 20000000 01000000 01000000 10000000 01000000 02000000 05000000 06000000 "
     "01000000 02000000 05000000 06000000"},
    {"BitBlt from a memory DC",
     [](HDC dc) {
         TwoPixels source;
         BitBlt(dc, 0, 0, 2, 1, source.dc, 0, 0, SRCCOPY);
     },
     "25000000 410b 2000cc00 0100 0200 0000 0000 0100 0200 0000 0000",
     "4c000000 94000000 00000000 00000000 01000000 00000000 "
     "00000000 00000000 02000000 01000000 2000cc00 00000000 00000000"},
};

std::string ClassicRecords(const Bytes &bytes) { return Hex(bytes.data() + 18, bytes.size() - 18 - 6); }
std::string EnhancedRecords(const Bytes &bytes) {
    const std::size_t header = U32(bytes, 4);
    return Hex(bytes.data() + header, bytes.size() - header - 20);
}

class MetafileRecords : public LeakCheckedTest {};

TEST_F(MetafileRecords, DrawingCallsGiveTheDocumentedRecords) {
    for (const DrawingCase &c : kCases) {
        SCOPED_TRACE(c.name);
        HANDLE classic = Record(false, c.calls), enhanced = Record(true, c.calls);
        ASSERT_TRUE(classic != nullptr && enhanced != nullptr);
        std::string wantClassic = Compact(c.classic), wantEnhanced = Compact(c.enhanced);
        // The blit's records end with the captured DIB.
        if (std::string(c.name).starts_with("BitBlt")) {
            wantClassic += Compact(kTwoPixelDib);
            wantEnhanced += Compact(std::string(kEmfXform) + "ffffff00 00000000 64000000 28000000 8c000000 08000000" +
                                    kTwoPixelDib);
        }
        EXPECT_EQ(ClassicRecords(Recorded(classic, false)), wantClassic);
        EXPECT_EQ(EnhancedRecords(Recorded(enhanced, true)), wantEnhanced);
        Delete(classic, false), Delete(enhanced, true);
    }
}

// Every case recorded into one metafile of each kind, also written to a
// file, through the handle calls and the file and back: the same bytes, and
// header totals that agree with the records walked one by one.
TEST_F(MetafileRecords, RecordsSurviveTheRoundTripWithConsistentHeaders) {
    const std::string file = testing::TempDir() + "zelt_recorded_metafile";
    for (const bool enhanced : {false, true}) {
        HANDLE metafile = Record(
            enhanced, [](HDC dc) {
                for (const DrawingCase &c : kCases) c.calls(dc);
            },
            file.c_str());
        const Bytes bytes = Recorded(metafile, enhanced);
        HANDLE again = enhanced ? HANDLE(SetEnhMetaFileBits(UINT(bytes.size()), bytes.data()))
                                : HANDLE(SetMetaFileBitsEx(UINT(bytes.size()), bytes.data()));
        HANDLE read = enhanced ? HANDLE(GetEnhMetaFileA(file.c_str())) : HANDLE(GetMetaFileA(file.c_str()));
        EXPECT_EQ(Recorded(again, enhanced), bytes);
        EXPECT_EQ(Recorded(read, enhanced), bytes);
        Delete(read, enhanced);
        EXPECT_TRUE(DeleteFileA(file.c_str()));
        EXPECT_TRUE(Consistent(bytes, enhanced));
        if (enhanced)
            EXPECT_EQ(bytes[56] | bytes[57] << 8, 2) << "nHandles: the metafile and one object at a time";
        else
            EXPECT_EQ(bytes[10] | bytes[11] << 8, 2) << "mtNoObjects: the stock brush kept, the others reusing a slot";
        Delete(metafile, enhanced), Delete(again, enhanced);
    }
}

// Bounds in device pixels through the DC's mapping, pens included, and the
// frame computed from them.
TEST_F(MetafileRecords, EnhancedBoundsFollowTheMappingAndThePen) {
    HANDLE metafile = Record(true, [](HDC dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1, 1, nullptr), SetViewportExtEx(dc, 2, 3, nullptr), SetViewportOrgEx(dc, 10, 20, nullptr);
        Rectangle(dc, 1, 1, 5, 4);
        HPEN pen = CreatePen(PS_SOLID, 4, 0);
        SelectObject(dc, pen), LineTo(dc, 8, 0);
        SelectObject(dc, GetStockObject(BLACK_PEN)), DeleteObject(pen);
    });
    ENHMETAHEADER header{};
    ASSERT_EQ(GetEnhMetaFileHeader(HENHMETAFILE(metafile), sizeof header, &header), 108u);
    // The rectangle covers device (12, 23)..(18, 29); the line from (0, 0)
    // to (8, 0), device (10, 20)..(26, 20), reaches 4 pixels further.
    EXPECT_EQ(std::vector<LONG>(
                  {header.rclBounds.left, header.rclBounds.top, header.rclBounds.right, header.rclBounds.bottom}),
              std::vector<LONG>({6, 16, 30, 29}));
    const auto frame = [&](LONG pixels, LONG mm, LONG device) { return LONG(pixels * mm * 100LL / device); };
    EXPECT_EQ(header.rclFrame.right, frame(30, header.szlMillimeters.cx, header.szlDevice.cx));
    EXPECT_EQ(header.rclFrame.top, frame(16, header.szlMillimeters.cy, header.szlDevice.cy));
    DeleteEnhMetaFile(HENHMETAFILE(metafile));
}

// Recording every case and closing, with each allocation failing in turn:
// a consistent metafile or none, and nothing left behind.
TEST_F(MetafileRecords, RecordingAndClosingLeakNothingWhenMemoryRunsOut) {
    for (const bool enhanced : {false, true}) {
        Bytes made;
        const long allocations = ForEachAllocationFailure(
            [&] {
                HANDLE metafile = Record(enhanced, [](HDC dc) {
                    if (dc != nullptr)
                        for (const DrawingCase &c : kCases) c.calls(dc);
                });
                made = metafile != nullptr ? Recorded(metafile, enhanced) : Bytes();
                Delete(metafile, enhanced);
            },
            // A call that failed leaves its record out; what was made is whole.
            [&](long failedAt) { EXPECT_TRUE(made.empty() || Consistent(made, enhanced)) << failedAt; });
        EXPECT_TRUE(!kHostControls || allocations > 10) << allocations << " allocations: the walk did not run";
    }
}

}  // namespace
}  // namespace zelt::test
