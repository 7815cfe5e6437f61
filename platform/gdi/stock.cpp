#include "gdi/stock.h"

#include "gdi/bitmap.h"
#include "gdi/brush.h"
#include "gdi/palette.h"
#include "gdi/pen.h"
#include "gdi/screen.h"

namespace zelt::platform {
namespace {

constexpr int kStockCount = DEFAULT_PALETTE + 1;

struct StockSet {
    HGDIOBJ objects[kStockCount] = {};
    HBITMAP bitmap = nullptr;
    PaletteObject *palette = nullptr;
};

HGDIOBJ Register(GdiObject *object) {
    if (object == nullptr) return nullptr;
    object->stock = true;
    return InsertObject(object);
}

HGDIOBJ MakeBrush(UINT style, COLORREF colour) { return Register(NewObject<BrushObject>(LOGBRUSH{style, colour, 0})); }

StockSet MakeStock() {
    StockSet set;
    set.objects[WHITE_BRUSH] = MakeBrush(BS_SOLID, RGB(255, 255, 255));
    set.objects[LTGRAY_BRUSH] = MakeBrush(BS_SOLID, RGB(192, 192, 192));
    set.objects[GRAY_BRUSH] = MakeBrush(BS_SOLID, RGB(128, 128, 128));
    set.objects[DKGRAY_BRUSH] = MakeBrush(BS_SOLID, RGB(64, 64, 64));
    set.objects[BLACK_BRUSH] = MakeBrush(BS_SOLID, RGB(0, 0, 0));
    set.objects[NULL_BRUSH] = MakeBrush(BS_NULL, 0);
    set.objects[WHITE_PEN] = Register(NewStockPen(PS_SOLID, RGB(255, 255, 255)));
    set.objects[BLACK_PEN] = Register(NewStockPen(PS_SOLID, RGB(0, 0, 0)));
    set.objects[NULL_PEN] = Register(NewStockPen(PS_NULL, 0));

    PaletteObject *palette = NewObject<PaletteObject>();
    if (palette != nullptr && palette->Init(kStaticColours, 20)) {
        set.palette = palette;
        set.objects[DEFAULT_PALETTE] = Register(palette);
    } else {
        delete palette;
    }

    BitmapObject *bitmap = NewObject<BitmapObject>();
    if (bitmap != nullptr && bitmap->Init(1, 1, 1))
        set.bitmap = static_cast<HBITMAP>(Register(bitmap));
    else
        delete bitmap;
    return set;
}

// Made once, the first time anything asks, which the initialiser below
// makes happen at load so that live-object counts never see them appear.
const StockSet &Stock() {
    static const StockSet set = MakeStock();
    return set;
}

[[maybe_unused]] const StockSet &kStockAtLoad = Stock();

}  // namespace

HGDIOBJ StockObject(int index) noexcept {
    if (index < 0 || index >= kStockCount) return nullptr;
    return Stock().objects[index];
}

HBITMAP StockBitmap() noexcept { return Stock().bitmap; }

const PaletteObject &DefaultPalette() noexcept { return *Stock().palette; }

}  // namespace zelt::platform

extern "C" HGDIOBJ WINAPI GetStockObject(int i) { return zelt::platform::StockObject(i); }
