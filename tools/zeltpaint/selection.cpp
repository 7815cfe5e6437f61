#include "selection.h"

namespace zeltpaint {

int ApplySelection(BitmapRecord *bitmap, const Options &options, std::string &error) {
    RECT shown = {0, 0, bitmap->Width, bitmap->Height};
    KrnRectFromBitmap(bitmap, 0, &shown);
    int status = STATUS_OK;
    switch (options.select) {
        case Selection::None: return STATUS_OK;
        case Selection::Ellipse: {
            // The ellipse inscribed in the displayed image, given in display
            // coordinates: the transform turns it into the stored rows.
            const RegionXForm display = {0, 1, 1, 1, 1, 0, 0};
            status = Z_SetBitmapRgnEllipse(bitmap, &display, &shown, RGNMODE_SET);
            break;
        }
        case Selection::Wand: {
            if (options.wandSeed.x >= shown.right || options.wandSeed.y >= shown.bottom) {
                error = "the magic wand's seed lies outside the " + std::to_string(shown.right) + " x " +
                        std::to_string(shown.bottom) + " image";
                return STATUS_BAD_PARAMETER;
            }
            RECT seed = {options.wandSeed.x, options.wandSeed.y, options.wandSeed.x + 1, options.wandSeed.y + 1};
            KrnRectToBitmap(bitmap, 0, &seed);
            status = Z_SetBitmapRgnMagicWand(bitmap, seed.left, seed.top, options.wandTolerance, RGNMODE_SET);
            break;
        }
    }
    if (status != STATUS_OK) error = "cannot make the selection";
    return status;
}

}  // namespace zeltpaint
