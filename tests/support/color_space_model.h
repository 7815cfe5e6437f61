// A plain model of the colour space conversions, one pixel at a time:
// every formula written out as it reads, in 64-bit integers, with each
// division truncating toward zero by an explicit helper and each byte result
// keeping its low 8 bits unless a clamp is stated. No tables, no shortcuts:
// this is what the library's converters are compared with.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zelt::test::colorspace {

struct Bgr { int64_t b, g, r; };

// Bytes per pixel, by COLORSPACE_ code.
inline int PixelBytes(int space) { return space == 1 || space == 5 ? 6 : space == 2 ? 4 : 3; }

inline int64_t Div(int64_t numerator, int64_t divisor) {
    const int64_t magnitude = (numerator < 0 ? -numerator : numerator) / (divisor < 0 ? -divisor : divisor);
    return (numerator < 0) != (divisor < 0) ? -magnitude : magnitude;
}

inline uint8_t Low8(int64_t value) { return static_cast<uint8_t>(static_cast<uint64_t>(value) & 0xFF); }
inline int64_t Scaled(int64_t byte) { return Div(byte * 16384, 255); }
inline int64_t Word(const uint8_t *pixel, int index) {
    int16_t value;
    std::memcpy(&value, pixel + 2 * index, 2);
    return value;
}
inline void SetWord(uint8_t *pixel, int index, int64_t value) {
    const auto word = static_cast<int16_t>(value);  // the low 16 bits
    std::memcpy(pixel + 2 * index, &word, 2);
}

inline Bgr YuvToBgr(int64_t y, int64_t u, int64_t v) {
    const int64_t green = Div(1000 * y - 299 * (y + v) - 114 * (y + u), 587);
    return {Div((y + u) * 255, 16384), Div(green * 255, 16384), Div((y + v) * 255, 16384)};
}

inline Bgr YiqToBgr(int64_t y, int64_t i, int64_t q) {
    return {Div(Div(1008 * y - 1110 * i + 1700 * q, 1000) * 255, 16384),
            Div(Div(997 * y - 271 * i - 645 * q, 1000) * 255, 16384),
            Div(Div(1003 * y + 955 * i + 618 * q, 1000) * 255, 16384)};
}

inline Bgr HsvToBgr(int64_t h, int64_t s, int64_t v) {
    if (s == 0) return {v, v, v};
    const int64_t d = (h * 360) >> 8, p = Div((255 - s) * v, 255);
    if (d <= 60) return {p, p + Div((v - p) * d, 120 - d), v};
    if (d <= 120) return {p, v, p + Div((v - p) * (120 - d), d)};
    if (d <= 180) return {p + Div((v - p) * (d - 120), 240 - d), v, p};
    if (d <= 240) return {v, p + Div((v - p) * (240 - d), d - 120), p};
    if (d <= 300) return {v, p, p + Div((v - p) * (d - 240), 360 - d)};
    return {p + Div((v - p) * (360 - d), d - 240), p, v};
}

inline Bgr HlsToBgr(int64_t h, int64_t l, int64_t s) {
    if (s == 0) return {l, l, l};
    const int64_t m2 = l < 128 ? Div((s + 255) * l, 255) : s - Div(l * s, 255) + l;
    const int64_t m1 = 2 * l - m2, e = m2 - m1;
    const auto f = [&](int64_t hue) {
        if (hue < 43) return m1 + Div(e * hue * 6, 255);
        if (hue < 128) return m2;
        if (hue < 171) return m1 + Div(e * (170 - hue) * 6, 255);
        return m1;
    };
    const int64_t blueHue = h - 85 < 0 ? h - 85 + 255 : h - 85;
    const int64_t redHue = h + 85 > 255 ? h + 85 - 255 : h + 85;
    return {f(blueHue), f(h), f(redHue)};
}

// A pixel of `space` to blue-green-red bytes.
inline Bgr ToBgr(int space, const uint8_t *p) {
    Bgr c{};
    switch (space) {
    case 0: c = {p[0], p[1], p[2]}; break;
    case 1: c = YuvToBgr(Word(p, 0), Word(p, 1), Word(p, 2)); break;
    case 2:
        c = {std::clamp<int64_t>(255 - p[2] - p[3], 0, 255), std::clamp<int64_t>(255 - p[1] - p[3], 0, 255),
             std::clamp<int64_t>(255 - p[0] - p[3], 0, 255)};
        break;
    case 3: c = HsvToBgr(p[0], p[1], p[2]); break;
    case 4: c = HlsToBgr(p[0], p[1], p[2]); break;
    case 5: c = YiqToBgr(Word(p, 0), Word(p, 1), Word(p, 2)); break;
    case 6: c = {255 - p[2], 255 - p[1], 255 - p[0]}; break;
    }
    return {Low8(c.b), Low8(c.g), Low8(c.r)};
}

inline void BgrToHsv(int64_t B, int64_t G, int64_t R, uint8_t *out) {
    const int64_t high = (std::max)({B, G, R}), low = (std::min)({B, G, R});
    int64_t h = 0, s = 0;
    if (high != low) {
        s = Div((high - low) * 255, high);
        if (B == low)
            h = Div(Div((G - low) * 30720, G + R - 2 * low) + 180, 360);
        else if (R == low)
            h = Div(Div((B - low) * 30720, B + G - 2 * low) + 30900, 360);
        else
            h = Div(Div((R - low) * 30720, B + R - 2 * low) + 61620, 360);
    }
    out[0] = Low8(h), out[1] = Low8(s), out[2] = Low8(high);
}

inline void BgrToHls(int64_t B, int64_t G, int64_t R, uint8_t *out) {
    const int64_t high = (std::max)({B, G, R}), low = (std::min)({B, G, R});
    const int64_t l = Div(high + low, 2);
    int64_t h = 0, s = 0;
    if (high != low) {
        const int64_t q = high + low < 256 ? high + low : 510 - high - low;
        s = Div((high - low) * 255, q);
        const int64_t w = (high - low) * 6;
        if (R == high)
            h = Div((G - B) * 255, w);
        else if (G == high)
            h = Div((B - R) * 255, w) + 85;
        else
            h = Div((R - G) * 255, w) + 170;
        if (h < 0) h += 255;
    }
    out[0] = Low8(h), out[1] = Low8(l), out[2] = Low8(s);
}

// Blue-green-red bytes to a pixel of `space`.
inline void FromBgr(int space, const Bgr &c, uint8_t *out) {
    const int64_t B = c.b, G = c.g, R = c.r, b = Scaled(B), g = Scaled(G), r = Scaled(R);
    switch (space) {
    case 0: out[0] = Low8(B), out[1] = Low8(G), out[2] = Low8(R); break;
    case 1: {
        const int64_t y = Div(587 * g + 299 * r + 114 * b, 1000);
        SetWord(out, 0, y), SetWord(out, 1, b - y), SetWord(out, 2, r - y);
        break;
    }
    case 2: {
        const int64_t cyan = 255 - R, magenta = 255 - G, yellow = 255 - B;
        const int64_t k = (std::min)({cyan, magenta, yellow});
        out[0] = Low8(cyan - k), out[1] = Low8(magenta - k), out[2] = Low8(yellow - k), out[3] = Low8(k);
        break;
    }
    case 3: BgrToHsv(B, G, R, out); break;
    case 4: BgrToHls(B, G, R, out); break;
    case 5:
        SetWord(out, 0, Div(299 * r + 587 * g + 114 * b, 1000));
        SetWord(out, 1, Div(596 * r - 275 * g - 321 * b, 1000));
        SetWord(out, 2, Div(212 * r - 528 * g + 311 * b, 1000));
        break;
    case 6: out[0] = Low8(255 - R), out[1] = Low8(255 - G), out[2] = Low8(255 - B); break;
    }
}

}  // namespace zelt::test::colorspace
