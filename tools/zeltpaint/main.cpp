// zeltpaint: shows a person what the library does with an image.
#include <cstdio>
#include <string>
#include <vector>

#include "demo_image.h"
#include "options.h"
#include "png_io.h"
#include "zelt/display.h"

namespace {

using zeltpaint::Options;

// RAII owner of a kernel bitmap.
struct OwnedBitmap {
    BitmapRecord record{};
    ~OwnedBitmap() { KrnFreeBitmap(&record); }
};

// Palette a bitmap of `depth` bits gets when the image is stored at that depth.
std::vector<RGBQUAD> PaletteFor(int depth) {
    std::vector<RGBQUAD> colors(static_cast<size_t>(1) << depth);
    if (depth == 1 || depth == 4 || depth == 8) {
        HPALETTE palette = KrnCreateDevicePalette(depth);
        const int n = KrnGetPaletteColors(palette, 0, static_cast<int>(colors.size()), colors.data());
        DeleteObject(palette);
        if (n == static_cast<int>(colors.size())) return colors;
    }
    for (size_t i = 0; i < colors.size(); ++i) {
        const BYTE g = static_cast<BYTE>(i * 255 / (colors.size() - 1));
        colors[i] = {g, g, g, 0};
    }
    return colors;
}

// Stores the 24-bit `source` as a new bitmap of `depth` bits whose rows are
// kept in `perspective`, going through the kernel's row conversion.
int StoreAtDepth(BitmapRecord *source, int depth, int perspective, BitmapRecord *target) {
    const int order = depth == 12 ? 2 : 1;
    std::vector<RGBQUAD> palette = depth <= 8 ? PaletteFor(depth) : std::vector<RGBQUAD>();
    RECT shown = {0, 0, source->Width, source->Height};
    KrnRectFromBitmap(source, 0, &shown);
    RECT stored = shown;
    KrnMapRectPerspective(0, shown.right, shown.bottom, perspective, &stored);
    int status = KrnCreateBitmap(target, KRN_MEMORY_CONVENTIONAL, stored.right - stored.left,
                                 stored.bottom - stored.top, depth, order, palette.empty() ? nullptr : palette.data(),
                                 perspective, nullptr, 0);
    if (status != STATUS_OK) return status;

    // Row by row of the target: each stored pixel takes the source pixel
    // displayed at the same place.
    const DWORD rowBytes = KrnGetRowBufferSize(source->Width, 24, target->Width, depth);
    std::vector<BYTE> row(rowBytes + static_cast<DWORD>(target->Width) * 3);
    std::vector<std::vector<BYTE>> sourceRows(static_cast<size_t>(source->Height));
    for (int y = 0; y < source->Height && status == STATUS_OK; ++y) {
        sourceRows[y].resize(static_cast<size_t>(source->BytesPerLine));
        if (KrnGetBitmapRow(source, sourceRows[y].data(), y, static_cast<DWORD>(source->BytesPerLine)) < 0)
            status = STATUS_BAD_PARAMETER;
    }
    for (int r = 0; r < target->Height && status == STATUS_OK; ++r) {
        for (int c = 0; c < target->Width; ++c) {
            RECT pixel = {c, r, c + 1, r + 1};
            KrnRectFromBitmap(target, 0, &pixel);   // where it is displayed
            KrnRectToBitmap(source, 0, &pixel);     // what the source stores there
            const BYTE *from = &sourceRows[pixel.top][3 * static_cast<size_t>(pixel.left)];
            for (int k = 0; k < 3; ++k) row[3 * static_cast<size_t>(c) + k] = from[k];
        }
        status = KrnConvertRowTo24(row.data(), row.data(), target->Width, 24, 1, depth, order,
                                   palette.empty() ? nullptr : palette.data(), static_cast<int>(palette.size()),
                                   order == 2 ? KRN_CONVERT_GRAY : 0, target->LowBit, target->HighBit);
        if (status == STATUS_OK && KrnPutBitmapRow(target, row.data(), r, static_cast<DWORD>(target->BytesPerLine)) < 0)
            status = STATUS_BAD_PARAMETER;
    }
    if (status != STATUS_OK) KrnFreeBitmap(target);
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    Options options;
    std::string error;
    if (!zeltpaint::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "zeltpaint: %s\n%s", error.c_str(), "try 'zeltpaint --help'\n");
        return 2;
    }
    if (options.help) {
        std::fputs(zeltpaint::UsageText(), stdout);
        return 0;
    }

    OwnedBitmap image;
    int status = options.input.empty() ? zeltpaint::CreateDemoImage(&image.record)
                                       : zeltpaint::LoadImageFile(options.input, &image.record, error);
    if (status != STATUS_OK) {
        if (options.input.empty()) error = "cannot make the demo image";
        std::fprintf(stderr, "zeltpaint: %s (status %d)\n", error.c_str(), status);
        return options.input.empty() ? 1 : 2;
    }

    OwnedBitmap stored;
    const int perspective = options.perspective >= 0 ? options.perspective : image.record.ViewPerspective;
    status = StoreAtDepth(&image.record, options.depth, perspective, &stored.record);
    if (status != STATUS_OK) {
        std::fprintf(stderr, "zeltpaint: cannot store the image at %d bits (status %d)\n", options.depth, status);
        return 1;
    }
    if (!zeltpaint::WriteDisplayedPng(&stored.record, options.output, error)) {
        std::fprintf(stderr, "zeltpaint: %s\n", error.c_str());
        return 1;
    }
    std::printf("zeltpaint: wrote %s (%d x %d, stored at %d bits, perspective %d)\n", options.output.c_str(),
                stored.record.Width, stored.record.Height, options.depth, perspective);
    return 0;
}
