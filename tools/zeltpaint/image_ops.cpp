#include "image_ops.h"

#include <charconv>
#include <cmath>

#include "contact_sheet.h"
#include "devices.h"
#include "store.h"

namespace zeltpaint {
namespace {

constexpr int kSheetAngles[] = {0, 15, 45, 75};  // degrees, two by two

// "cluster" or "disperse".
bool ParseCell(std::string_view text, UINT &type) {
    if (text == "cluster") type = HALFTONE_CLUSTER;
    else if (text == "disperse") type = HALFTONE_DISPERSE;
    else return false;
    return true;
}

const char *CellName(UINT type) { return type == HALFTONE_CLUSTER ? "CLUSTERED CELL" : "DISPERSED CELL"; }

// Degrees, possibly fractional or negative, to hundredths of a degree.
bool ParseAngle(std::string_view text, int &hundredths) {
    double degrees = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, degrees);
    // Hundredths must fit an int: well past any useful number of turns.
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(degrees) || std::fabs(degrees) > 2.0e7)
        return false;
    hundredths = static_cast<int>(std::lround(degrees * 100.0));
    return true;
}

}  // namespace

bool IsImageOpOption(std::string_view arg) {
    return arg == "--halftone" || arg == "--halftone-sheet" || arg == "--underlay";
}

bool ParseImageOpOption(std::string_view arg, std::string_view value, ImageOps &ops, std::string &error) {
    const auto bad = [&](const char *what) {
        error = std::string(arg) + ": " + what + ", not '" + std::string(value) + "'";
        return false;
    };
    if (arg == "--halftone-sheet") {
        UINT type = HALFTONE_CLUSTER;
        if (!ParseCell(value, type)) return bad("the cell must be 'cluster' or 'disperse'");
        ops.halftoneSheet = type;
        return true;
    }
    const size_t comma = value.rfind(',');
    if (arg == "--halftone") {
        int angle = 0;
        if (!ParseAngle(value.substr(0, comma), angle) ||
            (comma != std::string_view::npos && !ParseCell(value.substr(comma + 1), ops.halftoneType)))
            return bad("expected ANGLE[,cluster|disperse] with the angle in degrees");
        ops.halftoneAngle = angle;
        return true;
    }
    // --underlay FILE[,stretch|,tile]: a comma belongs to the file name
    // unless a mode follows it.
    const std::string_view mode = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
    const bool hasMode = mode == "stretch" || mode == "tile";
    ops.underlay = std::string(hasMode ? value.substr(0, comma) : value);
    ops.underlayStretch = mode == "stretch";
    if (ops.underlay.empty()) return bad("expected FILE[,stretch]");
    return true;
}

int ApplyImageOps(BitmapRecord *image, const ImageOps &ops, const BitmapRecord *underlay, std::string &error) {
    if (underlay != nullptr && (underlay->Flags & BITMAP_ALLOCATED) != 0) {
        const int status = Z_UnderlayBitmap(image, underlay, ops.underlayStretch ? UNDERLAY_STRETCH : UNDERLAY_TILE);
        if (status != STATUS_OK) {
            error = "cannot lay " + ops.underlay + " under the image";
            return status;
        }
    }
    if (ops.halftoneAngle) {
        const int status = Z_HalfToneBitmapExt(image, ops.halftoneType, *ops.halftoneAngle);
        if (status != STATUS_OK) {
            error = "cannot halftone the image";
            return status;
        }
    }
    return STATUS_OK;
}

int MakeHalftoneSheet(BitmapRecord *image, UINT type, const std::string &title, Picture &sheet, std::string &error) {
    RECT shown = {0, 0, image->Width, image->Height};
    KrnRectFromBitmap(image, 0, &shown);
    PaintRequest request;
    request.deviceBits = 24;
    request.width = shown.right - shown.left;
    request.height = shown.bottom - shown.top;
    request.source = {0, 0, image->Width, image->Height};
    const SheetGrid grid(2, 2, request.width, request.height, 0);
    sheet = grid.Start(title);

    Picture cell;
    for (int i = 0; i < 4; ++i) {
        OwnedBitmap halftone;
        int status = KrnCopyBitmap(&halftone.record, image);
        if (status == STATUS_OK) status = Z_HalfToneBitmapExt(&halftone.record, type, kSheetAngles[i] * 100);
        const std::string label = std::string(CellName(type)) + ", " + std::to_string(kSheetAngles[i]) + " DEGREES";
        if (status == STATUS_OK) status = PaintOnDevice(&halftone.record, request, cell, error);
        if (status != STATUS_OK) {
            error = label + ": " + (error.empty() ? "cannot halftone the image" : error);
            return status;
        }
        grid.Place(sheet, i % 2, i / 2, label, cell);
    }
    return STATUS_OK;
}

}  // namespace zeltpaint
