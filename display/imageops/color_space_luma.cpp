// YUV and YIQ: three signed 16-bit components in fixed point, 16384 = 1.0.
//
// A byte c stands for c * 16384 / 255 (truncated). Going out of BGR, every
// weighted term of a component depends on one byte only, so the terms are
// tables; only the final sum of three terms is divided, and that division
// (by the constant 1000) is left as written: it truncates toward zero like
// the formulas, and the compiler makes it a multiply. Coming back, the
// components may hold anything a 16-bit integer can, so the arithmetic runs
// in int (it cannot overflow: the largest sum is 3818 * 32768) and the byte
// results keep their low 8 bits rather than being clamped.
#include <array>
#include <cstdint>
#include <cstring>

#include "imageops/color_space_formulas.h"

namespace {

// The terms one byte value contributes: its fixed-point value and its
// weighted share of Y, I and Q (before the division by 1000).
struct ChannelTerms {
    int32_t scaled;
    int32_t y;
    int32_t i;
    int32_t q;
};

constexpr std::array<ChannelTerms, 256> MakeTerms(int yWeight, int iWeight, int qWeight) {
    std::array<ChannelTerms, 256> terms{};
    for (int c = 0; c < 256; ++c) {
        const int scaled = c * 16384 / 255;
        terms[c] = ChannelTerms{scaled, yWeight * scaled, iWeight * scaled, qWeight * scaled};
    }
    return terms;
}

// Y = (587 g + 299 r + 114 b) / 1000
// I = (596 r - 275 g - 321 b) / 1000
// Q = (212 r - 528 g + 311 b) / 1000
constexpr std::array<ChannelTerms, 256> kBlueTerms = MakeTerms(114, -321, 311);
constexpr std::array<ChannelTerms, 256> kGreenTerms = MakeTerms(587, -275, -528);
constexpr std::array<ChannelTerms, 256> kRedTerms = MakeTerms(299, 596, 212);

inline int LoadComponent(const BYTE *at) {
    int16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline void StoreComponent(BYTE *at, int value) {
    const auto component = static_cast<int16_t>(value);
    std::memcpy(at, &component, sizeof component);
}

// Y is a sum of non-negative terms: an unsigned division is the same and
// cheaper.
inline int LumaOf(const ChannelTerms &blue, const ChannelTerms &green, const ChannelTerms &red) {
    return static_cast<int>(static_cast<uint32_t>(blue.y + green.y + red.y) / 1000u);
}

// A fixed-point value back to a byte: v * 255 / 16384, truncated toward
// zero, low 8 bits kept.
inline BYTE ByteOf(int value) { return static_cast<BYTE>(value * 255 / 16384); }

}  // namespace

void BgrToYuv(const BYTE *bgr, BYTE *yuv, size_t count) {
    for (size_t n = 0; n < count; ++n, bgr += 3, yuv += 6) {
        const ChannelTerms &blue = kBlueTerms[bgr[0]], &green = kGreenTerms[bgr[1]], &red = kRedTerms[bgr[2]];
        const int y = LumaOf(blue, green, red);
        StoreComponent(yuv, y);
        StoreComponent(yuv + 2, blue.scaled - y);
        StoreComponent(yuv + 4, red.scaled - y);
    }
}

void YuvToBgr(const BYTE *yuv, BYTE *bgr, size_t count) {
    for (size_t n = 0; n < count; ++n, yuv += 6, bgr += 3) {
        const int y = LoadComponent(yuv), u = LoadComponent(yuv + 2), v = LoadComponent(yuv + 4);
        const int blue = y + u, red = y + v;
        bgr[0] = ByteOf(blue);
        bgr[1] = ByteOf((1000 * y - 299 * red - 114 * blue) / 587);
        bgr[2] = ByteOf(red);
    }
}

void BgrToYiq(const BYTE *bgr, BYTE *yiq, size_t count) {
    for (size_t n = 0; n < count; ++n, bgr += 3, yiq += 6) {
        const ChannelTerms &blue = kBlueTerms[bgr[0]], &green = kGreenTerms[bgr[1]], &red = kRedTerms[bgr[2]];
        StoreComponent(yiq, LumaOf(blue, green, red));
        StoreComponent(yiq + 2, (blue.i + green.i + red.i) / 1000);
        StoreComponent(yiq + 4, (blue.q + green.q + red.q) / 1000);
    }
}

void YiqToBgr(const BYTE *yiq, BYTE *bgr, size_t count) {
    for (size_t n = 0; n < count; ++n, yiq += 6, bgr += 3) {
        const int y = LoadComponent(yiq), i = LoadComponent(yiq + 2), q = LoadComponent(yiq + 4);
        bgr[0] = ByteOf((1008 * y - 1110 * i + 1700 * q) / 1000);
        bgr[1] = ByteOf((997 * y - 271 * i - 645 * q) / 1000);
        bgr[2] = ByteOf((1003 * y + 955 * i + 618 * q) / 1000);
    }
}
