#include "zelt_region.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#if defined(ZELT_PEERS_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace peers {

namespace {

constexpr BYTE kBase[3] = {40, 120, 200};  // blue, green, red
constexpr BYTE kFar[3] = {200, 30, 30};
constexpr int kJitter = 12;  // below the tolerance

}  // namespace

WandImage::WandImage(int size, std::uint32_t seed) : Image24(size) {
    if (!ok()) return;
    std::mt19937 random(seed);
    auto at = [&](int x, int y) { return row(y) + 3 * x; };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            for (int c = 0; c < 3; ++c) at(x, y)[c] = BYTE(kBase[c] + int(random() % (2 * kJitter + 1)) - kJitter);
    std::vector<bool> covered(static_cast<std::size_t>(size) * size);
    const std::size_t wanted = covered.size() / 10;
    const int largest = (std::max)(1, size / 85);
    std::size_t count = 0;
    while (count < wanted) {
        const int x0 = int(random() % size), y0 = int(random() % size);
        const int x1 = (std::min)(size, x0 + 1 + int(random() % largest));
        const int y1 = (std::min)(size, y0 + 1 + int(random() % largest));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                if (covered[static_cast<std::size_t>(y) * size + x]) continue;
                covered[static_cast<std::size_t>(y) * size + x] = true;
                ++count;
                std::copy(kFar, kFar + 3, at(x, y));
            }
    }
    std::copy(kBase, kBase + 3, at(kWandSeedX, kWandSeedY));
}

Contender ZeltWand(std::shared_ptr<WandImage> image) {
    Contender zelt{"Z_SetBitmapRgnMagicWand", "Zelt", {}, {}, {}, false};
    if (!image->ok()) {
        zelt.absent = "no image";
        return zelt;
    }
    zelt.sample = [=] {
        const double seconds = TimeCalls(
            [&] {
                return Z_SetBitmapRgnMagicWand(image->bitmap(), kWandSeedX, kWandSeedY, kWandTolerance,
                                               RGNMODE_SET) == STATUS_OK;
            },
            kMinSampleSeconds);
        DWORD area = 0;
        if (Z_GetBitmapRgnArea(image->bitmap(), &area) == STATUS_OK) image->zeltSelected = area;
        return seconds;
    };
    return zelt;
}

Contender OpenCvFloodFill(std::shared_ptr<WandImage> image) {
    Contender peer{"OpenCV floodFill", "OpenCV", {}, {}, {}, false};
#if defined(ZELT_PEERS_OPENCV)
    peer.name = std::string("OpenCV ") + CV_VERSION + " floodFill";
    cv::setNumThreads(1);
    const int size = image->size();
    BitmapRecord *bitmap = image->bitmap();
    peer.sample = [=] {
        const cv::Mat pixels(size, size, CV_8UC3, bitmap->Data, static_cast<std::size_t>(bitmap->BytesPerLine));
        const int flags = 4 | cv::FLOODFILL_FIXED_RANGE | cv::FLOODFILL_MASK_ONLY | (1 << 8);
        const cv::Scalar tolerance = cv::Scalar::all(kWandTolerance);
        int area = 0;
        const double seconds = TimeCalls(
            [&] {
                // A fill needs a fresh mask, as the wand needs fresh work bitmaps.
                cv::Mat mask = cv::Mat::zeros(size + 2, size + 2, CV_8UC1);
                area = cv::floodFill(pixels, mask, cv::Point(kWandSeedX, kWandSeedY), cv::Scalar(), nullptr,
                                     tolerance, tolerance, flags);
                return area > 0;
            },
            kMinSampleSeconds);
        image->peerSelected = area;
        return seconds;
    };
#else
    (void)image;
    peer.absent = "not installed";
#endif
    return peer;
}

RunSelection::RunSelection(int rowCount) : rows(rowCount) {
    const int width = kRunsPerRow * kSlot;
    const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    if (KrnCreateBitmap(&mask, KRN_MEMORY_CONVENTIONAL, width, rows, 1, 0, blackWhite, 0, nullptr, 0) != STATUS_OK ||
        KrnCreateBitmap(&bitmap, KRN_MEMORY_CONVENTIONAL, width, rows, 1, 0, blackWhite, 0, nullptr, 0) != STATUS_OK)
        return;
    auto *data = static_cast<BYTE *>(mask.Data);
    bounds = RECT{width, 0, 0, rows};
    for (int y = 0; y < rows; ++y) {
        BYTE *row = data + static_cast<std::size_t>(y) * mask.BytesPerLine;
        for (int k = 0; k < kRunsPerRow; ++k) {
            const int start = k * kSlot + (y * 7 + k * 13) % 40;
            const int end = start + 1 + (y + k) % 30;
            for (int x = start; x < end; ++x) row[x >> 3] |= BYTE(0x80 >> (x & 7));
            bounds.left = (std::min)(bounds.left, LONG(start));
            bounds.right = (std::max)(bounds.right, LONG(end));
        }
    }
    runBytes = static_cast<std::size_t>(rows) * kRunsPerRow * 2 * sizeof(LONG);
    ok = true;
}

RunSelection::~RunSelection() {
    if (mask.Data != nullptr) KrnFreeBitmap(&mask);
    if (bitmap.Data != nullptr) KrnFreeBitmap(&bitmap);
}

Contender ZeltRgnHandle(std::shared_ptr<RunSelection> selection, Checks &checks) {
    Contender zelt{"Z_GetBitmapRgnHandle", "Zelt", {}, {}, {}, false};
    if (!selection->ok) {
        zelt.absent = "no selection";
        return zelt;
    }
    static const RegionXForm identity{0, 1, 1, 1, 1, 0, 0};
    // Returns the handle's build time, or a negative value on failure.
    auto build = [selection](RECT *box) {
        if (Z_SetBitmapRgnFromMask(&selection->bitmap, nullptr, &selection->mask, RGNMODE_SET) != STATUS_OK)
            return -1.0;
        HRGN handle = nullptr;
        const auto start = std::chrono::steady_clock::now();
        const int status = Z_GetBitmapRgnHandle(&selection->bitmap, &identity, &handle);
        if (status == STATUS_OK && box != nullptr) GetRgnBox(handle, box);
        if (status == STATUS_OK) DeleteObject(handle);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return status == STATUS_OK ? seconds : -1.0;
    };
    if (checks.enabled) {
        RECT box{};
        checks.Expect(build(&box) >= 0, "region handle: build failed");
        checks.Expect(EqualRect(&box, &selection->bounds) != 0, "region handle: its box is not the selection's");
    }
    zelt.sample = [=] {
        double total = 0;
        int calls = 0;
        do {
            const double seconds = build(nullptr);
            if (seconds < 0) return -1.0;
            total += seconds;
            ++calls;
        } while (total < kMinSampleSeconds);
        return total / calls;
    };
    return zelt;
}

}  // namespace peers
