#include "zelt_paint.h"

#include <cstring>

#include "zelt/host.h"

namespace peers {

namespace {

// The thread's display mode set for one call and put back after it.
class ModeScope {
public:
    explicit ModeScope(UINT mode) : old_(Z_SetDisplayMode(0xFFFFFFFFu, mode)) {}
    ~ModeScope() { Z_SetDisplayMode(0xFFFFFFFFu, old_); }
    ModeScope(const ModeScope &) = delete;
    ModeScope &operator=(const ModeScope &) = delete;

private:
    UINT old_;
};

// Zelt reduces colours for what the device shows, and a memory DC shows
// what the screen shows: the screen takes the surface's depth while Zelt
// paints, as on a machine whose display has that depth.
class ScreenScope {
public:
    explicit ScreenScope(int bits) { ZeltHostConfigureScreen(kScreenWidth, kScreenHeight, bits); }
    ~ScreenScope() { ZeltHostConfigureScreen(kScreenWidth, kScreenHeight, 32); }
    ScreenScope(const ScreenScope &) = delete;
    ScreenScope &operator=(const ScreenScope &) = delete;

private:
    static constexpr int kScreenWidth = 1024, kScreenHeight = 768;
};

bool Paint(HDC dc, SourceImage &source, int destSize, UINT displayMode) {
    const ModeScope scope(displayMode);
    const RECT destination{0, 0, destSize, destSize};
    return Z_PaintDC(dc, source.bitmap(), nullptr, nullptr, &destination, nullptr, SRCCOPY) == STATUS_OK;
}

// An unscaled paint at 24 or 32 bits must hold the source's pixels.
bool HoldsSource(const Surface &surface, const SourceImage &source, int deviceBits) {
    const int step = deviceBits / 8;
    for (int y = 0; y < source.size(); ++y) {
        const BYTE *from = source.row(y);
        const BYTE *to = surface.pixels() + static_cast<std::size_t>(y) * surface.stride();
        for (int x = 0; x < source.size(); ++x)
            if (std::memcmp(from + 3 * x, to + step * x, 3) != 0) return false;
    }
    return true;
}

void CheckPaint(const std::string &name, const std::shared_ptr<SourceImage> &source, const Surface &painted,
                int deviceBits, int destSize, UINT displayMode, Checks &checks) {
    Surface again(destSize, destSize, deviceBits);
    checks.Expect(again.ok() && Paint(again.dc(), *source, destSize, displayMode), name + ": second paint failed");
    checks.Expect(again.ok() && std::memcmp(again.pixels(), painted.pixels(), painted.bytes()) == 0,
                  name + ": two identical paints differ");
    if (deviceBits == 1) {
        // Random colours reduce to about as many white pixels as black ones
        // (a plain nearest-colour copy would give almost only black).
        std::size_t white = 0;
        for (int y = 0; y < destSize; ++y)
            for (int x = 0; x < destSize; ++x)
                white += (painted.pixels()[y * painted.stride() + x / 8] >> (7 - x % 8)) & 1;
        const double share = double(white) / (double(destSize) * destSize);
        checks.Expect(share > 0.3 && share < 0.7, name + ": the 1-bit paint is not a reduction");
    }
    if (deviceBits >= 24 && destSize == source->size())
        checks.Expect(HoldsSource(painted, *source, deviceBits), name + ": the copy does not hold the source");
}

}  // namespace

Contender ZeltPaint(const std::string &name, std::shared_ptr<SourceImage> source, int deviceBits, int destSize,
                    UINT displayMode, Checks &checks) {
    Contender zelt{name, "Zelt", {}, {}, {}, false};
    auto surface = std::make_shared<Surface>(destSize, destSize, deviceBits);
    if (!surface->ok() || !source->ok()) {
        zelt.absent = "no surface";
        return zelt;
    }
    if (checks.enabled) {
        const ScreenScope screen(deviceBits);
        checks.Expect(Paint(surface->dc(), *source, destSize, displayMode), name + ": paint failed");
        CheckPaint(name, source, *surface, deviceBits, destSize, displayMode, checks);
    }
    zelt.sample = [=] {
        const ScreenScope screen(deviceBits);
        return TimeCalls([&] { return Paint(surface->dc(), *source, destSize, displayMode); }, kMinSampleSeconds);
    };
    return zelt;
}

Contender ZeltStretch(const std::string &name, std::shared_ptr<SourceImage> source, int sourceSize, int destSize) {
    Contender zelt{name, "Zelt", {}, {}, {}, false};
    auto surface = std::make_shared<Surface>(destSize, destSize, 32);
    if (!surface->ok() || !source->ok()) {
        zelt.absent = "no surface";
        return zelt;
    }
    // The source rectangle is the top-left square of the picture: a
    // bottom-up DIB keeps it in its last rows.
    const int top = source->size() - sourceSize;
    zelt.sample = [=] {
        return TimeCalls(
            [&] {
                return StretchDIBits(surface->dc(), 0, 0, destSize, destSize, 0, top, sourceSize, sourceSize,
                                     source->bitmap()->Data, source->dibInfo(), DIB_RGB_COLORS, SRCCOPY) > 0;
            },
            kMinSampleSeconds);
    };
    return zelt;
}

Contender MemcpyFloor(std::size_t bytes) {
    Contender floor{"memcpy", "memcpy", {}, {}, {}, false};
    auto from = std::make_shared<std::vector<BYTE>>(bytes, BYTE{1});
    auto to = std::make_shared<std::vector<BYTE>>(bytes, BYTE{0});
    floor.sample = [=] {
        return TimeCalls(
            [&] {
                std::memcpy(to->data(), from->data(), bytes);
                // Keeps the copy from being optimised away.
                asm volatile("" : : "r"(to->data()) : "memory");
                return true;
            },
            kMinSampleSeconds);
    };
    return floor;
}

}  // namespace peers
