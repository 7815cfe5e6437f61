// Metafiles and meta bitmaps: a table of classic bytes, record-and-play round
// trips, the recorded vector files, ownership and allocation failures.
#include <array>
#include <random>

#include <gtest/gtest.h>

#include "support/front_fixture.h"
#include "support/json_reader.h"
#include "support/paint_canvas.h"
#include "interchange/metafile_info.h"

namespace zelt::test {
namespace {

class Metafiles : public FrontTest {};

// The library plays an enhanced metafile into (0, 0, w - 1, h - 1), whose
// edges GDI documents as part of the picture; Wine reads them as exclusive
// and shrinks the picture by a pixel, so exact pixels are compared on the
// software platform only.
constexpr bool kInclusivePlayRect = kHostControls;

// A classic metafile of the given records ({function, parameters...}) and
// an end record, after a placeable header when `box` = {left, top, right,
// bottom, units per inch} has units.
std::vector<BYTE> Wmf(const std::vector<std::vector<int>> &records, std::array<int, 5> box = {}, int version = 0x300) {
    std::vector<int> words;
    if (box[4] != 0) words = {0xCDD7, 0x9AC6, 0, box[0], box[1], box[2], box[3], box[4], 0, 0, 0};
    const std::size_t start = words.size();
    words.insert(words.end(), {1, 9, version, 0, 0, 0, 0, 0, 0});
    for (const auto &record : records) {
        words.insert(words.end(), {int(record.size()) + 2, 0});
        words.insert(words.end(), record.begin(), record.end());
    }
    words.insert(words.end(), {3, 0, 0});
    words[start + 3] = int(words.size() - start);  // the size in words
    std::vector<BYTE> bytes;
    for (int word : words) bytes.insert(bytes.end(), {BYTE(word), BYTE(word >> 8)});
    return bytes;
}

std::vector<BYTE> Cut(std::vector<BYTE> bytes, std::size_t size) { return bytes.resize(size), bytes; }

TEST_F(Metafiles, ParseReadsPlacementAndRefusesWhatIsNoMetafile) {
    const std::vector<int> saveDc{0x001E};
    const struct {
        const char *name;
        std::vector<BYTE> bytes;
        int status;
        std::array<LONG, 7> want;  // window origin and extent, device extent, resolution
    } cases[] = {
        {"placeable box", Wmf({}, {0, 0, 1000, 500, 1440}), STATUS_OK, {0, 0, 1000, 500, 0, 0, 1440}},
        {"placeable wins over extents", Wmf({{0x020C, 7, 7}}, {10, 20, 110, 70, 96}), STATUS_OK, {10, 20, 100, 50, 0, 0, 96}},
        {"no extent records", Wmf({}), STATUS_OK, {0, 0, 640, 480, 0, 0, 96}},
        {"extents", Wmf({{0x020C, -200, 300}, {0x020E, 20, 30}}), STATUS_OK, {0, 0, 300, 200, 30, 20, 96}},
        {"fixed scale", Wmf({{0x0103, MM_TWIPS}, {0x020C, 720, 1440}}), STATUS_OK, {0, 0, 1440, 720, 1440, 720, 96}},
        {"MM_TEXT scales", Wmf({{0x0103, MM_TEXT}, {0x020C, 2, 4}}), STATUS_OK, {0, 0, 4, 2, 0, 0, 96}},
        {"ten records scanned", Wmf({saveDc, saveDc, saveDc, saveDc, saveDc, saveDc, saveDc, saveDc, saveDc, saveDc,
                                     {0x020E, 20, 30}}),
         STATUS_OK, {0, 0, 640, 480, 0, 0, 96}},
        {"truncated extent", Cut(Wmf({{0x020C, 1, 2}}), 26), STATUS_INVALID_DATA, {}},
        {"truncated mode", Cut(Wmf({{0x0103, 1}}), 24), STATUS_INVALID_DATA, {}},
        {"other version", Wmf({}, {}, 0x200), STATUS_INVALID_DATA, {}},
        {"garbage", std::vector<BYTE>(40, 0x5A), STATUS_INVALID_DATA, {}},
        {"17 bytes", Cut(Wmf({}), 17), STATUS_INVALID_DATA, {}},
        {"placeable and 17 bytes", Cut(Wmf({}, {0, 0, 4, 2, 96}), 39), STATUS_INVALID_DATA, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const int create : {0, 1}) {
            std::vector<BYTE> bytes = c.bytes;
            MetaBitmap meta{};
            ASSERT_EQ(Z_ParseMetaBits(bytes.data(), UINT(bytes.size()), &meta, create), c.status);
            if (c.status != STATUS_OK) continue;
            EXPECT_EQ((std::array<LONG, 7>{meta.WindowOrgX, meta.WindowOrgY, meta.WindowExtX, meta.WindowExtY,
                                           meta.DeviceExtX, meta.DeviceExtY, meta.XResolution}),
                      c.want);
            if (!create) continue;
            // The handle holds the bytes after the placeable header, as parsed.
            BYTE *bits = nullptr;
            UINT size = 0;
            ASSERT_EQ(Z_AllocateMetaBitmapBits(&meta, reinterpret_cast<void **>(&bits), &size), STATUS_OK);
            EXPECT_EQ(std::vector<BYTE>(bits, bits + size), std::vector<BYTE>(bytes.end() - size, bytes.end()));
            EXPECT_EQ(bytes.size() - size, c.bytes[0] == 0xD7 ? 22u : 0u) << "the placeable header is not kept";
            KrnFreeMem(bits);
            EXPECT_TRUE(Z_DeleteMetaBitmap(&meta) == STATUS_OK && meta.Handle == nullptr);
        }
    }
    std::vector<BYTE> text = Wmf({{0x0103, MM_TEXT}});
    MetaBitmap meta{};
    EXPECT_EQ(Z_ParseMetaBits(text.data(), UINT(text.size()), &meta, 0), STATUS_OK);
    EXPECT_EQ(text, Wmf({{0x0103, MM_ANISOTROPIC}})) << "MM_TEXT is rewritten in the caller's bytes";
}

TEST_F(Metafiles, RecordedBitmapsPlayBackAsTheyAreShown) {
    if (ScreenBitsPerPixel() < 24) GTEST_SKIP() << "an enhanced metafile records at the screen's depth";
    for (unsigned c = 0; c < 12; ++c) {
        std::mt19937 random(c);
        ScopedBitmap original, played, again;
        MakeRandomBitmap(original.get(), random, 1 + int(random() % 40), 1 + int(random() % 30), 24, int(c % 9));
        const int w = original->Width, h = original->Height, p = original->ViewPerspective, enhanced = int(c % 2);
        SCOPED_TRACE(::testing::Message() << "case " << c);
        MetaBitmap made{Z_ConvertToMetafile(original.get(), enhanced), enhanced};
        ASSERT_EQ(Z_ConvertFromMetafile(played.get(), made.Handle, 0, 0), STATUS_OK);
        ASSERT_TRUE(played->Width == (ExchangesAxes(p) ? h : w) && played->Height == (ExchangesAxes(p) ? w : h));
        for (int r = 0, mismatches = 0; r < h && (!enhanced || kInclusivePlayRect); ++r)
            for (int x = 0; x < w; ++x) {
                const Point shown = Displayed(p, w, h, x, r);
                if (KrnGetPixelColor(played.get(), shown.y, shown.x) != KrnGetPixelColor(original.get(), r, x) &&
                    ++mismatches <= 3)
                    ADD_FAILURE() << "displayed (" << shown.x << "," << shown.y << ")";
            }
        ScopedBitmap doubled;  // a zero side keeps the aspect ratio
        ASSERT_EQ(Z_ConvertFromMetafile(doubled.get(), made.Handle, c & 2 ? 2 * played->Width : 0, c & 2 ? 0 : 2 * played->Height), STATUS_OK);
        EXPECT_TRUE(doubled->Width == 2 * played->Width && doubled->Height == 2 * played->Height);
        // Convert keeps its inputs; Change consumes them, on success only.
        ASSERT_EQ(Z_ChangeFromMetafile(again.get(), made.Handle, 0, 0), STATUS_OK);
        EXPECT_EQ(Z_ConvertFromMetafile(played.get(), made.Handle, 0, 0), STATUS_BAD_PARAMETER) << "deleted";
        made.Handle = Z_ChangeToMetafile(original.get(), enhanced);
        EXPECT_TRUE(made.Handle != nullptr && !(original->Flags & BITMAP_ALLOCATED));
        EXPECT_EQ(Z_ChangeToMetafile(original.get(), enhanced), nullptr);
        Z_DeleteMetaBitmap(&made);
    }
}

// The 4 x 2 picture of the recorded vectors, top row first.
constexpr COLORREF kPicture[2][4] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)},
                                     {RGB(0, 0, 0), RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255)}};

TEST_F(Metafiles, RecordedVectorFilesPlayAsTheTestPicture) {
    ZELT_SKIP_WITHOUT_VECTORS();
    // An enhanced metafile's resolution is its reference screen's: 1024 pixels over 271 mm, truncated.
    const std::pair<const char *, LONG> files[] = {
        {"wmf_picture.wmf", 96}, {"wmf_picture_placeable.wmf", 96}, {"emf_picture.emf", 95}};
    for (const auto &[file, resolution] : files) {
        SCOPED_TRACE(file);
        MetaBitmap loaded{}, copy{};
        ASSERT_EQ(Z_LoadMetaBitmap(PlatformVectorPath(std::string("meta_user/") + file).c_str(), &loaded), STATUS_OK);
        EXPECT_EQ(loaded.XResolution, resolution);
        ASSERT_EQ(Z_CopyMetaBitmap(&copy, &loaded), STATUS_OK);
        EXPECT_EQ(Z_DeleteMetaBitmap(&loaded), STATUS_OK);
        ScopedBitmap played;
        ASSERT_EQ(Z_ConvertFromMetafile(played.get(), copy.Handle, 0, 0), STATUS_OK);
        ASSERT_TRUE(played->Width == 4 && played->Height == 2);
        for (int y = 0; y < 2 && (!copy.IsEnhanced || kInclusivePlayRect); ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(KrnGetPixelColor(played.get(), y, x), kPicture[y][x]) << x << "," << y;
        Z_DeleteMetaBitmap(&copy);
    }
    MetaBitmap none{};
    EXPECT_EQ(Z_LoadMetaBitmap(PlatformVectorPath("meta_user/none.wmf").c_str(), &none), STATUS_FILE_OPEN);
    // MM_TEXT in the file would pin the picture 1:1; rewritten, it scales.
    MetaBitmap text{};
    ASSERT_EQ(Z_LoadMetaBitmap(PlatformVectorPath("meta_user/wmf_mmtext.wmf").c_str(), &text), STATUS_OK);
    text.WindowExtX = 4, text.WindowExtY = 2;
    Canvas canvas(8, 4);
    const RECT whole{0, 0, 8, 4};
    EXPECT_NE(Z_PaintMetaBitmap(canvas.dc(), &text, &whole), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const COLORREF c = kPicture[y / 2][x / 2];
            EXPECT_EQ(canvas.At(x, y), DWORD(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c))) << x << "," << y;
        }
    Z_DeleteMetaBitmap(&text);
}

// Pixel sizes of clipboard metafile pictures on a 96-dpi screen, worked out
// by hand from each mapping mode's unit.
TEST_F(Metafiles, PictureSizesFollowTheirMappingModes) {
    const struct {
        LONG mm, xExt, yExt, width, height;
    } cases[] = {
        {MM_TEXT, -300, 200, 300, 200},  {MM_LOMETRIC, 254, -508, 96, 192}, {MM_HIMETRIC, 2540, 1270, 96, 48},
        {MM_LOENGLISH, 100, 250, 96, 240}, {MM_HIENGLISH, 1000, 500, 96, 48}, {MM_TWIPS, 1440, 720, 96, 48},
        {MM_ISOTROPIC, 1000, 500, 96, 48}, {MM_ANISOTROPIC, 0, 0, 61, 46},     {MM_ANISOTROPIC, -40, 20, 640, -320},
        {9, 1, 1, 640, 480},
    };
    for (const auto &c : cases) {
        METAFILEPICT picture{c.mm, c.xExt, c.yExt, nullptr};
        const SIZE size = MetafilePictSize(&picture, 96, 96);
        EXPECT_TRUE(size.cx == c.width && size.cy == c.height) << "mode " << c.mm << ": " << size.cx << " x " << size.cy;
    }
}

TEST_F(Metafiles, FailuresLeaveNothingBehind) {
    MetaBitmap meta{};
    EXPECT_EQ(Z_GetMetafileInfo(nullptr, &meta), STATUS_BAD_PARAMETER);
    EXPECT_EQ(Z_ConvertToEMF(nullptr), nullptr);
    std::mt19937 random(5);
    ScopedBitmap source;
    MakeRandomBitmap(source.get(), random, 6, 4, 8, 5);
    std::vector<BYTE> bytes = Wmf({{0x020C, 2, 4}});
    ForEachAllocationFailure(
        [&] {
            for (const int enhanced : {0, 1})
                if (HANDLE metafile = Z_ConvertToMetafile(source.get(), enhanced)) {
                    ScopedBitmap played;
                    MetaBitmap owned{metafile, enhanced};
                    if (Z_ChangeFromMetafile(played.get(), metafile, 0, 0) != STATUS_OK) Z_DeleteMetaBitmap(&owned);
                }
            MetaBitmap parsed{}, copy{};
            if (Z_ParseMetaBits(bytes.data(), UINT(bytes.size()), &parsed, 1) != STATUS_OK) return;
            if (Z_CopyMetaBitmap(&copy, &parsed) == STATUS_OK) Z_DeleteMetaBitmap(&copy);
            Z_DeleteMetaBitmap(&parsed);
        },
        [&](long) { EXPECT_TRUE(source->Flags & BITMAP_ALLOCATED); });
}

}  // namespace
}  // namespace zelt::test
