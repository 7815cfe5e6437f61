// Memory layouts of pixels, as templates: the per-format tables and the
// row converters are generated from these, so every loop over pixels is
// compiled for its layout.
#pragma once

#include <cstddef>
#include <bit>
#include <cstdint>
#include <cstring>

#include "gdi/pixel_format.h"

namespace zelt::platform {

static_assert(std::endian::native == std::endian::little, "pixel layouts assume a little-endian host");

// Pixels of fewer than 8 bits: the leftmost pixel in the most significant bits.
template <int Bits>
struct PackedLayout {
    static constexpr int kPerByte = 8 / Bits;
    static constexpr DWORD kMask = (1u << Bits) - 1;
    static int Shift(int x) { return (kPerByte - 1 - x % kPerByte) * Bits; }
    static DWORD Get(const BYTE *row, int x) { return (row[x / kPerByte] >> Shift(x)) & kMask; }
    static void Set(BYTE *row, int x, DWORD raw) {
        BYTE &byte = row[x / kPerByte];
        const int shift = Shift(x);
        byte = static_cast<BYTE>((byte & ~(kMask << shift)) | ((raw & kMask) << shift));
    }
    static void Fill(BYTE *row, int x, int count, DWORD raw) {
        // Partial bytes at either end pixel by pixel, whole bytes with memset.
        while (count > 0 && x % kPerByte != 0) Set(row, x++, raw), --count;
        const int whole = count / kPerByte;
        if (whole > 0) {
            BYTE pattern = 0;
            for (int i = 0; i < kPerByte; ++i) pattern = static_cast<BYTE>((pattern << Bits) | (raw & kMask));
            std::memset(row + x / kPerByte, pattern, static_cast<std::size_t>(whole));
            x += whole * kPerByte;
            count -= whole * kPerByte;
        }
        while (count-- > 0) Set(row, x++, raw);
    }
    static void Copy(BYTE *dst, int dx, const BYTE *src, int sx, int count) {
        if (dx % kPerByte == 0 && sx % kPerByte == 0) {
            const int whole = count / kPerByte;
            std::memmove(dst + dx / kPerByte, src + sx / kPerByte, static_cast<std::size_t>(whole));
            for (int i = whole * kPerByte; i < count; ++i) Set(dst, dx + i, Get(src, sx + i));
            return;
        }
        for (int i = 0; i < count; ++i) Set(dst, dx + i, Get(src, sx + i));
    }
};

// Whole-byte pixels stored little-endian.
template <int Bytes>
struct ByteLayout {
    static DWORD Get(const BYTE *row, int x) {
        const BYTE *p = row + static_cast<std::ptrdiff_t>(x) * Bytes;
        if constexpr (Bytes == 2 || Bytes == 4) {
            // Pixels are little-endian, as the host is.
            if constexpr (Bytes == 2) {
                std::uint16_t value;
                std::memcpy(&value, p, 2);
                return value;
            } else {
                DWORD value;
                std::memcpy(&value, p, 4);
                return value;
            }
        }
        DWORD value = 0;
        for (int i = 0; i < Bytes; ++i) value |= DWORD{p[i]} << (8 * i);
        return value;
    }
    static void Set(BYTE *row, int x, DWORD raw) {
        BYTE *p = row + static_cast<std::ptrdiff_t>(x) * Bytes;
        if constexpr (Bytes == 2) {
            const std::uint16_t value = static_cast<std::uint16_t>(raw);
            std::memcpy(p, &value, 2);
            return;
        } else if constexpr (Bytes == 4) {
            std::memcpy(p, &raw, 4);
            return;
        }
        for (int i = 0; i < Bytes; ++i) p[i] = static_cast<BYTE>(raw >> (8 * i));
    }
    static void Fill(BYTE *row, int x, int count, DWORD raw) {
        if constexpr (Bytes == 1) {
            std::memset(row + x, static_cast<int>(raw & 0xFF), static_cast<std::size_t>(count));
        } else {
            for (int i = 0; i < count; ++i) Set(row, x + i, raw);
        }
    }
    static void Copy(BYTE *dst, int dx, const BYTE *src, int sx, int count) {
        std::memmove(dst + static_cast<std::ptrdiff_t>(dx) * Bytes, src + static_cast<std::ptrdiff_t>(sx) * Bytes,
                     static_cast<std::size_t>(count) * Bytes);
    }
};

// The layout of each format.
template <PixelFormatId F> struct LayoutOf;
template <> struct LayoutOf<PixelFormatId::Mono> { using Type = PackedLayout<1>; };
template <> struct LayoutOf<PixelFormatId::Index1> { using Type = PackedLayout<1>; };
template <> struct LayoutOf<PixelFormatId::Index4> { using Type = PackedLayout<4>; };
template <> struct LayoutOf<PixelFormatId::Index8> { using Type = ByteLayout<1>; };
template <> struct LayoutOf<PixelFormatId::Rgb555> { using Type = ByteLayout<2>; };
template <> struct LayoutOf<PixelFormatId::Rgb565> { using Type = ByteLayout<2>; };
template <> struct LayoutOf<PixelFormatId::Bgr24> { using Type = ByteLayout<3>; };
template <> struct LayoutOf<PixelFormatId::Bgrx32> { using Type = ByteLayout<4>; };

}  // namespace zelt::platform
