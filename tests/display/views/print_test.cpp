// The print exports end to end: each print becomes a PDF, rendered back at
// the printer's resolution and compared pixel by pixel with the same bitmap
// painted by Z_PaintDC into a memory DC at the rectangle the placement model
// predicts.
#include <filesystem>
#include <random>

#include "support/front_fixture.h"
#include "support/paint_canvas.h"
#include "support/print_model.h"

namespace zelt::test {
namespace {

constexpr int kDpi = 100, kPageWidth = 850, kPageHeight = 1100;
constexpr const char *kColorPrinter = "Test Printer";
constexpr const char *kMonoPrinter = "Mono Printer";

struct Progress {
    std::vector<int> heard;
    int stopAt = 1000;  // the first percentage at or above this is refused
    explicit Progress(int stop = 1000) : stopAt(stop) { KrnSetStatusCallback(Record, this); }
    ~Progress() { KrnSetStatusCallback(nullptr, nullptr); }
    static int ZELT_CDECL Record(int percent, void *self) {
        static_cast<Progress *>(self)->heard.push_back(percent);
        return percent >= static_cast<Progress *>(self)->stopAt ? -77 : 1;
    }
};

class PrintTest : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        ZELT_REQUIRE_HOST_CONTROLS("printers are registered through the host");
        dir_ = (std::filesystem::temp_directory_path() / ("zelt-print-" + std::to_string(std::random_device{}())))
                   .string();
        ASSERT_TRUE(std::filesystem::create_directories(dir_));
        ASSERT_TRUE(ZeltHostAddPrinter(kColorPrinter, kDpi, kPageWidth, kPageHeight, 24, (dir_ + "/color-%d.pdf").c_str()));
        ASSERT_TRUE(ZeltHostAddPrinter(kMonoPrinter, kDpi, kPageWidth, kPageHeight, 1, (dir_ + "/mono-%d.pdf").c_str()));
        UseDefault(kColorPrinter);
    }
    void TearDown() override {
        if (!dir_.empty()) {
            ZeltHostRemovePrinters();
            ZeltHostResetProfile();
            if (!std::getenv("ZELT_KEEP_PRINTS")) std::filesystem::remove_all(dir_);
        }
        FrontTest::TearDown();
    }
    static void UseDefault(const char *printer) {
        ZeltHostSetProfileString("windows", "device", (std::string(printer) + ",winspool,LPT1:").c_str());
    }
    static int Documents(const char *printer, std::string *last = nullptr) {
        char path[512];
        const int count = ZeltHostPrintedDocuments(printer, path, sizeof path);
        if (last != nullptr) *last = path;
        return count;
    }
    int FilesLeft() const { return int(std::distance(std::filesystem::directory_iterator(dir_), {})); }
    RenderedPage LastPage(const char *printer) {
        std::string path;
        Documents(printer, &path);
        return RenderPdfPage(path, kDpi);
    }

    std::string dir_;
};

// A white page-sized canvas painted as the printer would paint at `at`: in
// one paint, or (`byRows`) one destination row at a time.
void PaintExpected(Canvas &canvas, BitmapRecord *bitmap, const RECT &at, bool byRows = false) {
    std::fill(canvas.Data(), canvas.Data() + canvas.width() * canvas.height(), 0xFFFFFF);
    for (LONG y = at.top; y < (byRows ? at.bottom : at.top + 1); ++y) {
        const RECT row{at.left, y, at.right, y + 1};
        EXPECT_EQ(Z_PaintDC(canvas.dc(), bitmap, nullptr, nullptr, &at, byRows ? &row : nullptr, SRCCOPY), STATUS_OK);
    }
}

int ComparePages(const RenderedPage &page, const Canvas &expected, const std::string &label) {
    if (page.width != expected.width() || page.height != expected.height()) return -1;
    int mismatches = 0;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (page.At(x, y) != expected.At(x, y) && ++mismatches <= 5)
                ADD_FAILURE() << label << ": pixel (" << x << "," << y << ") is " << std::hex << page.At(x, y)
                              << ", want " << expected.At(x, y);
    return mismatches;
}

#define REQUIRE_RENDERER() \
    if (!HavePdfRenderer()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed: PDF pages not compared"

struct PlacementCase {
    int printerBits, width, height, bits, perspective, x, y, w, h;
    bool progress;
};

// Fit by height and by width, exchanged axes, one size given, a derived size
// clipped to the page (the image is squeezed), an explicit size not clipped
// (the image runs off the page), a bitonal printer's clustered dither.
constexpr PlacementCase kPlacements[] = {
    {24, 120, 80, 24, 0, 0, 0, 0, 0, false},     {24, 60, 90, 8, 0, 0, 0, 0, 0, true},
    {24, 80, 50, 24, 4, 0, 0, 0, 0, false},      {24, 64, 64, 8, 2, 30, 40, 0, 200, false},
    {24, 100, 40, 24, 7, 0, 0, 1000, 0, false},  {24, 50, 50, 4, 0, 700, 900, 300, 300, true},
    {24, 33, 17, 1, 0, 0, 25, 0, 0, false},      {1, 64, 64, 8, 0, 0, 0, 0, 0, false},
    {1, 90, 40, 24, 5, 0, 0, 500, 0, true},
};

TEST_F(PrintTest, PlacesAndPaintsAsThePlacementModelPredicts) {
    REQUIRE_RENDERER();
    std::mt19937 random(13);
    for (const PlacementCase &c : kPlacements) {
        const std::string label = "case " + std::to_string(&c - kPlacements);
        ScopedBitmap bitmap;
        MakeRandomBitmap(bitmap.get(), random, c.width, c.height, c.bits, c.perspective);
        const bool mono = c.printerBits == 1;
        UseDefault(mono ? kMonoPrinter : kColorPrinter);
        std::vector<int> heard;
        if (c.progress) {
            Progress progress;
            EXPECT_NE(Z_PrintBitmapExt(nullptr, bitmap.get(), c.x, c.y, c.w, c.h, 1), 0u) << label;
            heard = progress.heard;
        } else {
            EXPECT_NE(Z_PrintBitmapExt(nullptr, bitmap.get(), c.x, c.y, c.w, c.h, 1), 0u) << label;
        }
        const bool exchanged = c.perspective == 4 || c.perspective == 5 || c.perspective == 7 || c.perspective == 8;
        const RECT at = ModelPrintRect(kPageWidth, kPageHeight, exchanged ? c.height : c.width,
                                       exchanged ? c.width : c.height, c.x, c.y, c.w, c.h);
        EXPECT_EQ(heard, c.progress ? ModelProgress(at.bottom - at.top) : std::vector<int>{}) << label;
        // The modes the print paints with: no palette indices, and on a
        // bitonal device clustered ordered dither.
        ScreenScope screen(mono ? 1 : 32);
        const UINT mode = Z_GetDisplayMode();
        ModeScope paintMode(mono ? ((mode & ~0x25u) | 0x21u) : (mode & ~0x0Cu));
        Canvas expected(kPageWidth, kPageHeight);
        PaintExpected(expected, bitmap.get(), at, c.progress);
        EXPECT_EQ(ComparePages(LastPage(mono ? kMonoPrinter : kColorPrinter), expected, label), 0);
    }
}

TEST_F(PrintTest, ProgressStepsThroughEveryPercentOnceAndAbortLeavesNothing) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 40, 30, 24), STATUS_OK);
    for (int rows : {300, 50, 7, 100}) {
        Progress progress;
        EXPECT_NE(Z_PrintBitmapExt(nullptr, bitmap.get(), 10, 10, 200, rows, 1), 0u) << rows;
        EXPECT_EQ(progress.heard, ModelProgress(rows)) << rows << " rows";
    }
    {
        // Derived height, placed below the page: no rows, nothing painted.
        Progress progress;
        EXPECT_NE(Z_PrintBitmapExt(nullptr, bitmap.get(), 10, 5000, 100, 0, 1), 0u);
        EXPECT_EQ(progress.heard, (std::vector<int>{0, 100}));
    }
    const int before = Documents(kColorPrinter), filesBefore = FilesLeft();
    Progress refusing(40);
    EXPECT_EQ(Z_PrintBitmapExt(nullptr, bitmap.get(), 10, 10, 200, 300, 1), 0u);
    EXPECT_EQ(refusing.heard.back(), 40);
    EXPECT_EQ(Documents(kColorPrinter), before);
    EXPECT_EQ(FilesLeft(), filesBefore) << "an aborted job leaves no file";

    // A caller's job survives an abort when it is not to be ended.
    HDC dc = CreateDCA("winspool", "TEST PRINTER", nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    DOCINFOA info{sizeof(DOCINFOA), "caller", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(dc, &info), 0);
    ASSERT_GT(StartPage(dc), 0);
    refusing.heard.clear();
    EXPECT_EQ(Z_PrintBitmapExt(dc, bitmap.get(), 0, 0, 0, 0, 0), 0u);
    EXPECT_GT(EndPage(dc), 0) << "the caller's page is still open";
    EXPECT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    EXPECT_EQ(Documents(kColorPrinter), before + 1);
}

TEST_F(PrintTest, SeveralCallsFillOnePageOfOneDocument) {
    std::mt19937 random(7);
    ScopedBitmap first, second;
    MakeRandomBitmap(first.get(), random, 30, 20, 24, 0);
    MakeRandomBitmap(second.get(), random, 16, 24, 8, 2);
    const int before = Documents(kColorPrinter);
    EXPECT_NE(Z_PrintBitmap(first.get(), 50, 60, 300, 200, 0), 0u);
    EXPECT_NE(Z_PrintBitmap(second.get(), 400, 500, 0, 0, 0), 0u);
    EXPECT_EQ(Documents(kColorPrinter), before) << "nothing is written before the job ends";
    EXPECT_NE(Z_PrintBitmap(nullptr, 0, 0, 0, 0, 1), 0u);
    EXPECT_EQ(Documents(kColorPrinter), before + 1);
    REQUIRE_RENDERER();
    std::string path;
    Documents(kColorPrinter, &path);
    EXPECT_EQ(PdfPageCount(path), 1);
    ModeScope mode(Z_GetDisplayMode() & ~0x0Cu);
    Canvas expected(kPageWidth, kPageHeight);
    PaintExpected(expected, first.get(), RECT{50, 60, 350, 260});
    const RECT secondAt = ModelPrintRect(kPageWidth, kPageHeight, 16, 24, 400, 500, 0, 0);
    EXPECT_EQ(Z_PaintDC(expected.dc(), second.get(), nullptr, nullptr, &secondAt, nullptr, SRCCOPY), STATUS_OK);
    EXPECT_EQ(ComparePages(RenderPdfPage(path, kDpi), expected, "two images"), 0);
}

TEST_F(PrintTest, FastPathHandsRowsOverUnchangedAndKeepsTheBitmap) {
    std::mt19937 random(21);
    ScopedBitmap flat, indexed;
    MakeRandomBitmap(flat.get(), random, 40, 30, 24, 2);
    MakeRandomBitmap(indexed.get(), random, 37, 23, 8, 0);
    const int before = Documents(kColorPrinter);
    // A zero-width transfer prints nothing but the job still runs.
    EXPECT_NE(Z_PrintBitmapFast(nullptr, flat.get(), 10, 10, 0, 30, 1), 0u);
    EXPECT_EQ(Documents(kColorPrinter), before + 1);
    const auto bytes = [&] { return std::string(static_cast<char *>(indexed->Data), indexed->DataSize); };
    const std::string stored = bytes();
    EXPECT_NE(Z_PrintBitmapFast(nullptr, indexed.get(), 100, 120, 37, 23, 1), 0u);
    EXPECT_EQ(bytes(), stored) << "the rows are flipped back after the transfer";
    REQUIRE_RENDERER();
    const RenderedPage page = LastPage(kColorPrinter);
    ModeScope colors(Z_GetDisplayMode() & ~0x0Cu);
    Canvas expected(kPageWidth, kPageHeight);
    PaintExpected(expected, indexed.get(), RECT{100, 120, 137, 143});
    EXPECT_EQ(ComparePages(page, expected, "fast 8-bit"), 0);
}

TEST_F(PrintTest, NoDefaultPrinterOpensNothing) {
    ScopedBitmap bitmap;
    ASSERT_EQ(CreateBitmap(bitmap.get(), 8, 8, 24), STATUS_OK);
    for (const char *device : {"", "Nobody,winspool,LPT1:", ",winspool"}) {
        ZeltHostSetProfileString("windows", "device", device);
        EXPECT_EQ(Z_PrintBitmapExt(nullptr, bitmap.get(), 0, 0, 0, 0, 1), 0u) << device;
        EXPECT_EQ(Z_PrintBitmapFast(nullptr, bitmap.get(), 0, 0, 8, 8, 1), 0u) << device;
        EXPECT_EQ(Z_PrintBitmap(bitmap.get(), 0, 0, 0, 0, 0), 0u) << device;
        // No job was kept: ending one finds none to end.
        EXPECT_EQ(Z_PrintBitmap(nullptr, 0, 0, 0, 0, 1), 0u) << device;
    }
    EXPECT_EQ(FilesLeft(), 0);
}

TEST_F(PrintTest, AllocationFailuresLeaveNothingBehind) {
    ASSERT_TRUE(ZeltHostAddPrinter("Small", 50, 100, 120, 24, (dir_ + "/small-%d.pdf").c_str()));
    UseDefault("Small");
    std::mt19937 random(3);
    ScopedBitmap bitmap;
    MakeRandomBitmap(bitmap.get(), random, 24, 18, 8, 0);
    UINT result = 0;
    int before = 0;
    const long allocations = ForEachAllocationFailure(
        [&] {
            before = Documents("Small");
            result = Z_PrintBitmapExt(nullptr, bitmap.get(), 0, 0, 0, 0, 1);
        },
        [&](long failedAt) {
            EXPECT_EQ(Documents("Small"), before + (result != 0 ? 1 : 0)) << "allocation " << failedAt;
            EXPECT_EQ(FilesLeft(), Documents("Small")) << failedAt << ": one file per document, no partial file";
        });
    EXPECT_GT(allocations, 0);
}

}  // namespace
}  // namespace zelt::test
