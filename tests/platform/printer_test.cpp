// Printer DCs: capabilities, the order of the job calls, and what a job
// leaves on disk (one file per finished document, none for an abandoned one).
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/host_controls.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

class PrinterTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ZELT_REQUIRE_HOST_CONTROLS("printers are registered through the host");
        dir_ = (std::filesystem::temp_directory_path() / ("zelt-printer-" + std::to_string(std::random_device{}())))
                   .string();
        ASSERT_TRUE(std::filesystem::create_directories(dir_));
        ASSERT_TRUE(ZeltHostAddPrinter("Laser", 300, 2550, 3300, 1, (dir_ + "/laser-%d.pdf").c_str()));
        ASSERT_TRUE(ZeltHostAddPrinter("Photo", 150, 1275, 1650, 24, (dir_ + "/photo-%d.pdf").c_str()));
    }
    void TearDown() override {
        if (!dir_.empty()) ZeltHostRemovePrinters(), std::filesystem::remove_all(dir_);
        LeakCheckedTest::TearDown();
    }
    int Files() const { return int(std::distance(std::filesystem::directory_iterator(dir_), {})); }
    std::string dir_;
};

TEST_F(PrinterTest, ReportsThePrinterItWasMadeFor) {
    const int indices[] = {HORZRES, VERTRES, LOGPIXELSY, HORZSIZE, VERTSIZE, BITSPIXEL, PLANES, NUMCOLORS,
                           TECHNOLOGY, PHYSICALWIDTH, PHYSICALHEIGHT, PHYSICALOFFSETX, PHYSICALOFFSETY};
    // Millimetres are the page's inches × 25.4: letter is 216 × 279 mm.
    const std::vector<int> laser = {2550, 3300, 300, 216, 279, 1, 1, 2, DT_RASPRINTER, 2550, 3300, 0, 0};
    const std::vector<int> photo = {1275, 1650, 150, 216, 279, 24, 1, -1, DT_RASPRINTER, 1275, 1650, 0, 0};
    for (const auto &[device, want] : {std::pair{"lASER", laser}, std::pair{"Photo", photo}}) {
        HDC dc = CreateDCA("winspool", device, "LPT1:", nullptr);
        ASSERT_NE(dc, nullptr) << device;
        std::vector<int> caps;
        for (int index : indices) caps.push_back(GetDeviceCaps(dc, index));
        EXPECT_EQ(caps, want) << device;
        EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & (RC_STRETCHDIB | RC_STRETCHBLT | RC_BITBLT | RC_PALETTE),
                  RC_STRETCHDIB | RC_STRETCHBLT | RC_BITBLT);
        EXPECT_EQ(DeleteDC(dc), TRUE);
    }
    EXPECT_EQ(CreateDCA("winspool", "Nobody", nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

enum Call { kStartDoc, kStartPage, kEndPage, kEndDoc, kAbortDoc };

int RunCall(HDC dc, Call call) {
    const DOCINFOA info{sizeof(DOCINFOA), "job", nullptr, nullptr, 0};
    constexpr int(WINAPI * kCalls[])(HDC) = {nullptr, StartPage, EndPage, EndDoc, AbortDoc};
    return call == kStartDoc ? StartDocA(dc, &info) : kCalls[call](dc);
}

TEST_F(PrinterTest, JobCallsInOrderOnlyAndOnlyFinishedDocumentsRemain) {
    struct Script {
        std::vector<Call> calls;
        std::vector<bool> succeeds;
        int documents;  // written by the end of the script (DeleteDC included)
    };
    const Script scripts[] = {
        {{kStartPage, kEndPage, kEndDoc, kAbortDoc}, {false, false, false, false}, 0},
        {{kStartDoc, kStartDoc, kEndPage, kStartPage, kStartPage, kEndPage, kEndDoc}, {1, 0, 0, 1, 0, 1, 1}, 1},
        {{kStartDoc, kStartPage, kEndPage, kStartPage, kEndPage, kEndDoc, kEndDoc}, {1, 1, 1, 1, 1, 1, 0}, 1},
        {{kStartDoc, kStartPage, kAbortDoc, kEndPage, kAbortDoc}, {1, 1, 1, 0, 0}, 0},
        {{kStartDoc, kStartPage}, {1, 1}, 0},  // deleted with the document open
        {{kStartDoc, kStartPage, kEndDoc, kStartDoc, kEndDoc}, {1, 1, 1, 1, 1}, 2},
    };
    for (const Script &script : scripts) {
        const std::string label = "script " + std::to_string(&script - scripts);
        const int before = ZeltHostPrintedDocuments("Photo", nullptr, 0);
        HDC dc = CreateDCA("winspool", "Photo", nullptr, nullptr);
        ASSERT_NE(dc, nullptr);
        for (std::size_t i = 0; i < script.calls.size(); ++i)
            EXPECT_EQ(RunCall(dc, script.calls[i]) > 0, script.succeeds[i]) << label << " call " << i;
        DeleteDC(dc);
        EXPECT_EQ(ZeltHostPrintedDocuments("Photo", nullptr, 0) - before, script.documents) << label;
        EXPECT_EQ(Files(), ZeltHostPrintedDocuments("Photo", nullptr, 0)) << label << ": no partial file is left";
    }
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    EXPECT_EQ(RunCall(screen, kStartDoc), SP_ERROR) << "only printer DCs print";
    DeleteDC(screen);
}

TEST_F(PrinterTest, PagesStartWhiteAndFailWithoutMemory) {
    HDC dc = CreateDCA("winspool", "Laser", nullptr, nullptr);
    ASSERT_GT(RunCall(dc, kStartDoc), 0);
    ZeltHostFailAllocationAfter(1);
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(EndDoc(dc), SP_ERROR) << "a document that lost a page is not written";
    EXPECT_EQ(Files(), 0);
    ASSERT_GT(RunCall(dc, kStartDoc), 0);
    ASSERT_GT(StartPage(dc), 0);
    const RECT box{10, 20, 30, 25};
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DWORD pixels[3] = {};
    ASSERT_TRUE(ZeltHostReadPixels(dc, 9, 20, 3, 1, pixels));
    EXPECT_EQ(std::vector<DWORD>(pixels, pixels + 3), (std::vector<DWORD>{0xFFFFFF, 0, 0}));
    EXPECT_GT(EndDoc(dc), 0) << "the open page is ended with the document";
    char path[512];
    EXPECT_EQ(ZeltHostPrintedDocuments("laser", path, sizeof path), 1);
    EXPECT_EQ(std::string(path), dir_ + "/laser-1.pdf");
    EXPECT_TRUE(std::filesystem::exists(path));
    DeleteDC(dc);
}

}  // namespace
}  // namespace zelt::test
