// zeltpaint: shows a person what the library does with an image — paints it
// into a device of a chosen depth and writes what the device shows as PNG,
// or, without an image and a device, a contact sheet of every depth and
// reduction mode.
#include <cstdio>
#include <string>

#include "contact_sheet.h"
#include "demo_image.h"
#include "devices.h"
#include "image_ops.h"
#include "metafile_io.h"
#include "options.h"
#include "play.h"
#include "print.h"
#include "png_io.h"
#include "selection.h"
#include "store.h"
#include "zelt/display.h"

namespace {

using zeltpaint::Options;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Fail(int exitCode, const std::string &message, int status) {
    std::fprintf(stderr, "zeltpaint: %s (status %d)\n", message.c_str(), status);
    return exitCode;
}

// The source option (displayed coordinates) as stored coordinates.
bool StoredSource(BitmapRecord *bitmap, const Options &options, RECT &source, std::string &error) {
    RECT shown = {0, 0, bitmap->Width, bitmap->Height};
    KrnRectFromBitmap(bitmap, 0, &shown);
    if (!options.source) {
        source = {0, 0, bitmap->Width, bitmap->Height};
        return true;
    }
    source = *options.source;
    if (source.right > shown.right || source.bottom > shown.bottom) {
        error = "--source lies outside the " + std::to_string(shown.right) + " x " + std::to_string(shown.bottom) +
                " image";
        return false;
    }
    KrnRectToBitmap(bitmap, 0, &source);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    Options options;
    std::string error;
    if (!zeltpaint::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "zeltpaint: %s\ntry 'zeltpaint --help'\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(zeltpaint::UsageText(), stdout);
        return 0;
    }
    if (!options.play.empty()) return zeltpaint::RunPlay(options);

    zeltpaint::OwnedBitmap loaded;
    int status = STATUS_OK;
    if (options.input.empty())
        status = zeltpaint::CreateDemoImage(&loaded.record);
    else if (zeltpaint::LooksLikeMetafile(options.input))
        status = zeltpaint::LoadMetafileImage(options.input, options.deviceWidth, options.deviceHeight, &loaded.record, error);
    else
        status = zeltpaint::LoadImageFile(options.input, &loaded.record, error);
    if (status != STATUS_OK) {
        if (options.input.empty()) return Fail(kExitFailed, "cannot make the demo image", status);
        return Fail(kExitUsage, error, status);
    }

    // Stored again only when asked, so deep images keep their samples.
    zeltpaint::OwnedBitmap stored;
    BitmapRecord *image = &loaded.record;
    if (options.depth != 0 || options.perspective >= 0) {
        const int depth = options.depth != 0 ? options.depth : static_cast<int>(loaded.record.BitsPerPixel);
        const int perspective = options.perspective >= 0 ? options.perspective : loaded.record.ViewPerspective;
        status = zeltpaint::StoreAtDepth(&loaded.record, depth, options.grayStorage, perspective, &stored.record);
        if (status != STATUS_OK) return Fail(kExitFailed, "cannot store the image at " + std::to_string(depth) + " bits", status);
        image = &stored.record;
    }
    if (!zeltpaint::ApplyPaintSettings(image, options, error)) return Fail(kExitUsage, error, STATUS_BAD_PARAMETER);
    // A selection the library refuses was asked for on the command line.
    status = zeltpaint::ApplySelection(image, options, error);
    if (status != STATUS_OK) return Fail(status == STATUS_BAD_PARAMETER ? kExitUsage : kExitFailed, error, status);
    // An unreadable underlay file is a bad command line, like the input.
    zeltpaint::OwnedBitmap underlay;
    if (!options.imageOps.underlay.empty() &&
        (status = zeltpaint::LoadImageFile(options.imageOps.underlay, &underlay.record, error)) != STATUS_OK)
        return Fail(kExitUsage, error, status);
    status = zeltpaint::ApplyImageOps(image, options.imageOps, &underlay.record, error);
    if (status != STATUS_OK) return Fail(kExitFailed, error, status);

    for (const auto &[path, enhanced] : {std::pair{options.wmfOutput, false}, std::pair{options.emfOutput, true}}) {
        if (path.empty()) continue;
        if (!zeltpaint::WriteMetafile(image, path, enhanced, error)) return Fail(kExitFailed, error, 0);
        std::printf("zeltpaint: wrote %s (%s metafile)\n", path.c_str(), enhanced ? "enhanced" : "classic");
    }
    if (!options.printOutput.empty()) {
        const int dpi = options.printDpi != 0 ? options.printDpi : 300;
        if (!zeltpaint::PrintPicture(image, options.printOutput, dpi, error)) return Fail(kExitFailed, error, 0);
        std::printf("zeltpaint: wrote %s (printed at %d dpi)\n", options.printOutput.c_str(), dpi);
    }
    if (!options.WantsPng()) return 0;

    const std::string name = options.input.empty() ? std::string("DEMO IMAGE") : options.input;
    zeltpaint::Picture picture;
    if (options.imageOps.halftoneSheet) {
        const std::string title = "ZELTPAINT: " + name + " HALFTONED";
        status = zeltpaint::MakeHalftoneSheet(image, *options.imageOps.halftoneSheet, title, picture, error);
    } else if (options.WantsContactSheet()) {
        char mode[16];
        std::snprintf(mode, sizeof(mode), "%X", options.DisplayMode());
        const std::string title =
            "ZELTPAINT: " + name + ", " + std::to_string(image->BitsPerPixel) + " BITS, MODE " + mode;
        status = zeltpaint::MakeContactSheet(image, options.DisplayMode(), title, picture, error);
    } else {
        zeltpaint::PaintRequest request;
        request.deviceBits = options.deviceBits != 0 ? options.deviceBits : 24;
        request.displayMode = options.DisplayMode();
        if (!StoredSource(image, options, request.source, error)) return Fail(kExitUsage, error, STATUS_BAD_PARAMETER);
        request.wholeImage = !options.source.has_value();
        RECT shown = request.source;
        KrnRectFromBitmap(image, 0, &shown);
        request.width = options.deviceWidth != 0 ? options.deviceWidth : shown.right - shown.left;
        request.height = options.deviceHeight != 0 ? options.deviceHeight : shown.bottom - shown.top;
        status = zeltpaint::PaintOnDevice(image, request, picture, error);
    }
    if (status != STATUS_OK) return Fail(kExitFailed, error, status);
    if (!zeltpaint::WritePicturePng(picture, options.output, error)) return Fail(kExitFailed, error, 0);

    std::printf("zeltpaint: wrote %s (%d x %d, %s)\n", options.output.c_str(), picture.width, picture.height,
                options.WantsContactSheet() ? "contact sheet" : zeltpaint::DeviceName(options.deviceBits ? options.deviceBits : 24));
    return 0;
}
