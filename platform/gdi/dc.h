// Device contexts: the attributes GDI keeps per DC, the selected objects,
// the clip region and the logical-to-device transform. Every drawing call
// starts here: find the DC, ask it for its surface and the rectangles it may
// touch, transform its coordinates, draw.
#pragma once

#include <optional>

#include "gdi/gdi_object.h"
#include "gdi/region.h"
#include "gdi/surface.h"

namespace zelt::platform {

class BitmapObject;
class BrushObject;
class PaletteObject;
class PrinterSession;

// Everything SaveDC saves and RestoreDC brings back.
struct DcState {
    HBITMAP bitmap = nullptr;  // memory DCs only
    HBRUSH brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
    HPALETTE palette = nullptr;
    // SelectPalette's bForceBackground: RealizePalette maps as background.
    bool paletteBackground = false;
    COLORREF bkColor = 0xFFFFFF;
    COLORREF textColor = 0x000000;
    int bkMode = 2;        // OPAQUE
    int rop2 = 13;         // R2_COPYPEN
    int stretchMode = 1;   // BLACKONWHITE
    int polyFillMode = 1;  // ALTERNATE
    POINT brushOrg{0, 0};
    int mapMode = 1;  // MM_TEXT
    POINT windowOrg{0, 0};
    SIZE windowExt{1, 1};
    POINT viewportOrg{0, 0};
    SIZE viewportExt{1, 1};
    POINT currentPos{0, 0};
    // Clip region in device coordinates; none = the whole surface.
    std::optional<RegionData> clip;
};

class DcObject final : public GdiObject {
public:
    // OBJ_MEMDC for CreateCompatibleDC, OBJ_DC for the screen.
    explicit DcObject(bool memory) noexcept : GdiObject(memory ? ObjectKind::MemDc : ObjectKind::Dc) {}
    ~DcObject() override;
    static constexpr bool Accepts(ObjectKind kind) { return kind == ObjectKind::Dc || kind == ObjectKind::MemDc; }
    bool DeletableByDeleteObject() const override { return false; }

    bool IsMemory() const noexcept { return Kind() == ObjectKind::MemDc; }
    DcState &State() noexcept { return state_; }
    const DcState &State() const noexcept { return state_; }

    // The surface drawn into: the selected bitmap's, the screen's, or for a
    // window DC the screen seen from the window's corner.
    Surface &Target() const noexcept;
    // The device rectangle of the target that may be touched.
    RECT TargetBounds() const noexcept;
    BitmapObject *SelectedBitmap() const noexcept;
    BrushObject *SelectedBrush() const noexcept;
    // The DC's logical palette (DEFAULT_PALETTE unless one was selected).
    const PaletteObject *SelectedPalette() const noexcept;

    // The clip region as selected (device units), or nullptr for none.
    const RegionData *Clip() const noexcept { return state_.clip ? &*state_.clip : nullptr; }
    // Replaces the clip (std::nullopt removes it).
    void SetClip(std::optional<RegionData> clip) noexcept { state_.clip = std::move(clip); }
    // Where drawing may land: the clip region intersected with the surface,
    // in device units, y-then-x ordered rectangles.
    RegionData DrawableRegion() const;
    // The same as a bounding box (empty when nothing may be drawn).
    RECT DrawableBounds() const;

    // Logical to device coordinates and back, by the mapping mode.
    POINT ToDevice(POINT logical) const noexcept;
    POINT ToLogical(POINT device) const noexcept;
    // A logical rectangle to a device rectangle, normalised (left <= right).
    RECT ToDeviceRect(const RECT &logical) const noexcept;
    // True when logical and device units coincide (MM_TEXT, origins 0).
    bool IsIdentityTransform() const noexcept;

    // SaveDC / RestoreDC. Save returns the new level, 0 on allocation
    // failure; Restore takes a level as RestoreDC does.
    int Save() noexcept;
    bool Restore(int level) noexcept;
    int SaveLevel() const noexcept { return saveDepth_; }

    // Selects a bitmap (memory DCs), a brush, a pen, a font or a palette,
    // keeping the selection counts of old and new object right. Returns the
    // previous handle or nullptr on failure.
    HGDIOBJ SelectBitmap(HBITMAP bitmap) noexcept;
    HGDIOBJ SelectPlain(ObjectKind kind, HGDIOBJ object) noexcept;

    // Sets up the initial objects; false on allocation failure.
    [[nodiscard]] bool Init() noexcept;

    // Window DCs (gdi/window_dc.h): the window and the view of the screen
    // they draw through, owned by the DC; null for other DCs.
    struct WindowView *windowView = nullptr;

    // Printer DCs only: the print session (document and page) the DC owns
    // and draws into (printer_dc.h).
    PrinterSession *printer = nullptr;

private:
    struct SavedState;
    void ReleaseState(DcState &state) noexcept;
    void RetainState(const DcState &state) noexcept;

    DcState state_;
    SavedState *saved_ = nullptr;  // most recent first
    int saveDepth_ = 0;
};

// Logical units per millimetre of a fixed mapping mode (MM_ISOTROPIC starts
// as MM_LOMETRIC); 1 for the others.
double LogicalUnitsPerMillimetre(int mode) noexcept;

// The DC a handle names (screen or memory), the DC state an enhanced
// metafile DC keeps (so that the calls reading a DC answer for it), or
// nullptr.
DcObject *FindDc(HDC hdc) noexcept;
// A new, initialised DC object (`memory`: a memory DC, which owns a default
// bitmap); null with ERROR_NOT_ENOUGH_MEMORY and nothing left when memory
// runs out.
HDC NewDcObject(DcObject **dc, bool memory) noexcept;

// Selection bookkeeping of GDI objects selected into DCs: DeleteObject of a
// selected bitmap or brush is deferred until the last DC lets it go.
void RetainSelected(HGDIOBJ object) noexcept;
void ReleaseSelected(HGDIOBJ object) noexcept;

}  // namespace zelt::platform
