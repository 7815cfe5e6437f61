// HSV and HLS: a hue byte with two bytes of saturation and brightness.
//
// HSV hue is in 256ths of a turn, HLS hue in 255ths (85 = 120 degrees).
// Everything is integer arithmetic truncating toward zero; the divisions by
// per-pixel quantities go through the exact reciprocals of
// color_space_divide.h, and what depends on the hue byte alone (the sector
// of HSV, the ramp factors of HLS) is a table indexed by that byte.
#include <array>

#include "imageops/color_space_divide.h"
#include "imageops/color_space_formulas.h"

namespace {

constexpr int kBlue = 0, kGreen = 1, kRed = 2;  // byte offsets in a BGR pixel

// Branch-free choices. Left to itself the compiler turns some maxima and
// selections into jumps, which random colours mispredict half the time.
inline int Select(bool condition, int ifTrue, int ifFalse) {
    return ifFalse ^ ((ifTrue ^ ifFalse) & -static_cast<int>(condition));
}
inline int Highest(int a, int b, int c) {
    const int ab = Select(a < b, b, a);
    return Select(ab < c, c, ab);
}
inline int Lowest(int a, int b, int c) {
    const int ab = Select(b < a, b, a);
    return Select(c < ab, c, ab);
}

// HSV back to BGR, per hue byte. With d = (H * 360) >> 8 degrees, one
// channel is V, one is p = (255 - S) * V / 255, and the third ramps
// between them: p + (V - p) * numerator / divisor.
struct HsvSector {
    BYTE valueAt;
    BYTE baseAt;
    BYTE rampAt;
    int rampNumerator;
    int rampDivisor;
};

constexpr HsvSector SectorOfDegrees(int d) {
    if (d <= 60) return {kRed, kBlue, kGreen, d, 120 - d};
    if (d <= 120) return {kGreen, kBlue, kRed, 120 - d, d};
    if (d <= 180) return {kGreen, kRed, kBlue, d - 120, 240 - d};
    if (d <= 240) return {kBlue, kRed, kGreen, 240 - d, d - 120};
    if (d <= 300) return {kBlue, kGreen, kRed, d - 240, 360 - d};
    return {kRed, kGreen, kBlue, 360 - d, d - 240};
}

constexpr std::array<HsvSector, 256> kHsvSectors = [] {
    std::array<HsvSector, 256> sectors{};
    for (int hue = 0; hue < 256; ++hue) sectors[hue] = SectorOfDegrees((hue * 360) >> 8);
    return sectors;
}();

// HLS back to BGR: a channel whose hue is h gets m1 + e * F(h) / 255 with
// F(h) = 6 h below 43, 255 below 128 (giving m1 + e = m2 exactly),
// 6 (170 - h) below 171 and 0 above (giving m1). Blue looks at H - 85,
// green at H, red at H + 85, wrapped into 0..255; the table holds the three
// factors per hue byte.
constexpr int HlsFactor(int h) { return h < 43 ? h * 6 : h < 128 ? 255 : h < 171 ? (170 - h) * 6 : 0; }

struct HlsFactors {
    int blue;
    int green;
    int red;
};

constexpr std::array<HlsFactors, 256> kHlsFactors = [] {
    std::array<HlsFactors, 256> factors{};
    for (int hue = 0; hue < 256; ++hue) {
        const int blueHue = hue - 85 < 0 ? hue - 85 + 255 : hue - 85;
        const int redHue = hue + 85 > 255 ? hue + 85 - 255 : hue + 85;
        factors[hue] = {HlsFactor(blueHue), HlsFactor(hue), HlsFactor(redHue)};
    }
    return factors;
}();

// The hue formulas from BGR have three cases, by which channel is the
// minimum (HSV) or the maximum (HLS); each takes two channels, first and
// second, and adds an offset. The case is an index computed from
// comparisons and the channels are read through it: branches on random
// colours would be mispredicted a third of the time or more.
struct HueCase {
    BYTE firstAt;
    BYTE secondAt;
    int offset;
};

// HSV: H = ((first - min) * 30720 / (first + second - 2 min) + offset) / 360,
// 30720 = 120 * 256; the offset rounds and places the sector.
constexpr HueCase kHsvCases[3] = {{kGreen, kRed, 180}, {kBlue, kGreen, 30900}, {kRed, kBlue, 61620}};

// HLS: H = (first - second) * 255 / (6 (max - min)) + offset.
constexpr HueCase kHlsCases[3] = {{kGreen, kBlue, 0}, {kBlue, kRed, 85}, {kRed, kGreen, 170}};

}  // namespace

void BgrToHsv(const BYTE *bgr, BYTE *hsv, size_t count) {
    for (size_t n = 0; n < count; ++n, bgr += 3, hsv += 3) {
        const int blue = bgr[0], green = bgr[1], red = bgr[2];
        const int high = Highest(blue, green, red), low = Lowest(blue, green, red);
        int hue = 0, saturation = 0;
        if (high != low) {
            saturation = DivideExactly((high - low) * 255, high);
            // 0: blue is the minimum, 1: red is, 2: green is.
            const HueCase &sector = kHsvCases[(blue != low) * (1 + (red != low))];
            const int first = bgr[sector.firstAt], second = bgr[sector.secondAt];
            hue = (DivideExactly((first - low) * 30720, first + second - 2 * low) + sector.offset) / 360;
        }
        // A hue of 256 (reds leaning a hair toward blue) keeps its low 8 bits.
        hsv[0] = static_cast<BYTE>(hue);
        hsv[1] = static_cast<BYTE>(saturation);
        hsv[2] = static_cast<BYTE>(high);
    }
}

void HsvToBgr(const BYTE *hsv, BYTE *bgr, size_t count) {
    for (size_t n = 0; n < count; ++n, hsv += 3, bgr += 3) {
        const HsvSector &sector = kHsvSectors[hsv[0]];
        const int saturation = hsv[1], value = hsv[2];
        // Grey (S = 0) needs no case of its own: then p = V and the ramp is V.
        const int base = (255 - saturation) * value / 255;
        bgr[sector.valueAt] = static_cast<BYTE>(value);
        bgr[sector.baseAt] = static_cast<BYTE>(base);
        bgr[sector.rampAt] =
            static_cast<BYTE>(base + DivideExactly((value - base) * sector.rampNumerator, sector.rampDivisor));
    }
}

void BgrToHls(const BYTE *bgr, BYTE *hls, size_t count) {
    for (size_t n = 0; n < count; ++n, bgr += 3, hls += 3) {
        const int blue = bgr[0], green = bgr[1], red = bgr[2];
        const int high = Highest(blue, green, red), low = Lowest(blue, green, red);
        int hue = 0, saturation = 0;
        if (high != low) {
            const int sum = high + low, spread = high - low;
            saturation = DivideExactly(spread * 255, sum < 256 ? sum : 510 - sum);
            // 0: red is the maximum, 1: green is, 2: blue is.
            const HueCase &sector = kHlsCases[(red != high) * (1 + (green != high))];
            hue = DivideTowardZero((bgr[sector.firstAt] - bgr[sector.secondAt]) * 255, spread * 6) + sector.offset;
            hue += 255 & -static_cast<int>(hue < 0);
        }
        hls[0] = static_cast<BYTE>(hue);
        hls[1] = static_cast<BYTE>((high + low) / 2);
        hls[2] = static_cast<BYTE>(saturation);
    }
}

void HlsToBgr(const BYTE *hls, BYTE *bgr, size_t count) {
    for (size_t n = 0; n < count; ++n, hls += 3, bgr += 3) {
        const HlsFactors &factors = kHlsFactors[hls[0]];
        const int lightness = hls[1], saturation = hls[2];
        // Grey (S = 0) needs no case of its own: then m1 = m2 = L.
        // Both forms of m2, then a selection: lightness is as likely on
        // either side of 128, so a branch would be mispredicted half the time.
        const int darkM2 = (saturation + 255) * lightness / 255;
        const int lightM2 = saturation - lightness * saturation / 255 + lightness;
        const int m2 = Select(lightness < 128, darkM2, lightM2);
        const int m1 = 2 * lightness - m2, e = m2 - m1;
        bgr[0] = static_cast<BYTE>(m1 + e * factors.blue / 255);
        bgr[1] = static_cast<BYTE>(m1 + e * factors.green / 255);
        bgr[2] = static_cast<BYTE>(m1 + e * factors.red / 255);
    }
}
