// The per-depth pixel table. Each layout is a small traits template; the
// table is instantiated from them, so adding a layout is one line.
//
// In-place conversion: a run converter may be handed the same buffer for
// source and destination. Converters that widen pixels walk right to left
// and those that narrow them walk left to right, so a pixel is always read
// before its bytes are overwritten.
#include "pixel_formats.h"

#include <array>
#include <cstring>

#include "pixel_access.h"

namespace zelt::kernel {
namespace {

using u64 = std::uint64_t;

inline void Put24(BYTE *out, BYTE red, BYTE green, BYTE blue, int redAt) {
    out[redAt] = red;
    out[1] = green;
    out[2 - redAt] = blue;
}

inline void PutColor(BYTE *out, const RGBQUAD &color, int redAt) {
    Put24(out, color.rgbRed, color.rgbGreen, color.rgbBlue, redAt);
}

// Integer luminance on 0..255.
inline DWORD Luminance(const BYTE *pixel, int redAt) {
    return (299u * pixel[redAt] + 587u * pixel[1] + 114u * pixel[2 - redAt]) / 1000u;
}

// Nearest palette entry by squared RGB distance, first wins. Runs of one
// colour are common, so results are kept in a small direct-mapped cache.
class NearestColor {
public:
    NearestColor(const RGBQUAD *colors, int count) : colors_(colors), count_(colors ? count : 0) {
        keys_.fill(0xFFFFFFFFu);
    }

    BYTE Find(BYTE red, BYTE green, BYTE blue) {
        const DWORD key = (DWORD{red} << 16) | (DWORD{green} << 8) | blue;
        const DWORD slot = (key * 2654435761u) >> 24;
        if (keys_[slot] == key) return values_[slot];
        BYTE best = 0;
        DWORD bestDistance = 0xFFFFFFFFu;
        for (int i = 0; i < count_; ++i) {
            const int dr = int{colors_[i].rgbRed} - red;
            const int dg = int{colors_[i].rgbGreen} - green;
            const int db = int{colors_[i].rgbBlue} - blue;
            const DWORD distance = static_cast<DWORD>(dr * dr + dg * dg + db * db);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<BYTE>(i);
                if (distance == 0) break;
            }
        }
        keys_[slot] = key;
        values_[slot] = best;
        return best;
    }

private:
    const RGBQUAD *colors_;
    int count_;
    std::array<DWORD, 256> keys_;
    std::array<BYTE, 256> values_{};
};

// ---- 1..8 bits: indices packed most significant bits first ---------------
// Eight pixels fill exactly Bits bytes, so runs are converted a group of
// eight at a time from one big-endian load; no read passes the run's end.
template <int Bits>
struct Indexed {
    static constexpr DWORD kMask = (1u << Bits) - 1;

    static u64 Read(const BYTE *row, int x) { return pixels::Packed<Bits>::Get(row, static_cast<size_t>(x)); }
    static void Write(BYTE *row, int x, u64 value) {
        pixels::Packed<Bits>::Set(row, static_cast<size_t>(x), static_cast<unsigned>(value));
    }

    // Loads `bytes` bytes as the top of a Bits-byte big-endian group.
    static u64 LoadGroup(const BYTE *at, int bytes) {
        u64 group = 0;
        for (int i = 0; i < bytes; ++i) group = (group << 8) | at[i];
        return group << (8 * (Bits - bytes));
    }

    static void UnpackGroup(BYTE *dst, u64 group, int pixels, const UnpackTables &t) {
        for (int i = pixels - 1; i >= 0; --i) {
            const DWORD index = static_cast<DWORD>(group >> ((7 - i) * Bits)) & kMask;
            PutColor(dst + 3 * i, t.colors[index], t.redAt);
        }
    }

    static void Unpack(BYTE *dst, const BYTE *src, int count, const UnpackTables &t) {
        const int groups = count / 8;
        const int tail = count % 8;
        if (tail != 0) {
            const u64 group = LoadGroup(src + static_cast<size_t>(groups) * Bits, (tail * Bits + 7) / 8);
            UnpackGroup(dst + static_cast<size_t>(groups) * 24, group, tail, t);
        }
        for (int g = groups - 1; g >= 0; --g) {
            const u64 group = LoadGroup(src + static_cast<size_t>(g) * Bits, Bits);
            UnpackGroup(dst + static_cast<size_t>(g) * 24, group, 8, t);
        }
    }

    static void Pack(BYTE *dst, const BYTE *src, int count, const PackTables &t) {
        NearestColor nearest(t.colors, t.colorCount);
        const int redAt = t.redAt;
        DWORD pending = 0;
        int pendingBits = 0;
        BYTE *out = dst;
        for (int x = 0; x < count; ++x, src += 3) {
            const DWORD index = nearest.Find(src[redAt], src[1], src[2 - redAt]) & kMask;
            pending = (pending << Bits) | index;
            pendingBits += Bits;
            if (pendingBits >= 8) {
                pendingBits -= 8;
                *out++ = static_cast<BYTE>(pending >> pendingBits);
                pending &= (1u << pendingBits) - 1;
            }
        }
        if (pendingBits > 0) {
            const BYTE keep = static_cast<BYTE>(0xFFu >> pendingBits);
            *out = static_cast<BYTE>((pending << (8 - pendingBits)) | (*out & keep));
        }
    }
};

// ---- deep gray ---------------------------------------------------------------
inline void PutGray(BYTE *out, DWORD sample, const UnpackTables &t) {
    const DWORD value = (sample >> t.shift) & t.mask;
    static constexpr RGBQUAD kBlack{0, 0, 0, 0};
    PutColor(out, value < static_cast<DWORD>(t.colorCount) ? t.colors[value] : kBlack, t.redAt);
}

inline DWORD GraySample(const BYTE *pixel, const PackTables &t) {
    return ((Luminance(pixel, t.redAt) * t.mask) / 255u) << t.shift;
}

// 12 bits: samples packed least significant bits first, two in three bytes.
struct Gray12 {
    static u64 Read(const BYTE *row, int x) { return pixels::Sample12::Get(row, static_cast<size_t>(x)); }
    static void Write(BYTE *row, int x, u64 value) {
        pixels::Sample12::Set(row, static_cast<size_t>(x), static_cast<unsigned>(value));
    }

    static void Unpack(BYTE *dst, const BYTE *src, int count, const UnpackTables &t) {
        const int pairs = count / 2;
        if (count % 2 != 0) {
            const BYTE *at = src + static_cast<size_t>(pairs) * 3;
            PutGray(dst + static_cast<size_t>(pairs) * 6, DWORD{at[0]} | (DWORD{at[1] & 0x0Fu} << 8), t);
        }
        for (int p = pairs - 1; p >= 0; --p) {
            const BYTE *at = src + static_cast<size_t>(p) * 3;
            const DWORD both = DWORD{at[0]} | (DWORD{at[1]} << 8) | (DWORD{at[2]} << 16);
            BYTE *out = dst + static_cast<size_t>(p) * 6;
            PutGray(out + 3, both >> 12, t);
            PutGray(out, both & 0xFFFu, t);
        }
    }

    static void Pack(BYTE *dst, const BYTE *src, int count, const PackTables &t) {
        DWORD pending = 0;
        int pendingBits = 0;
        BYTE *out = dst;
        for (int x = 0; x < count; ++x, src += 3) {
            pending |= (GraySample(src, t) & 0xFFFu) << pendingBits;
            pendingBits += 12;
            while (pendingBits >= 8) {
                *out++ = static_cast<BYTE>(pending);
                pending >>= 8;
                pendingBits -= 8;
            }
        }
        if (pendingBits > 0) {
            const BYTE low = static_cast<BYTE>((1u << pendingBits) - 1);
            *out = static_cast<BYTE>((pending & low) | (*out & ~low));
        }
    }
};

// ---- 16 bits: one little-endian word per pixel ------------------------------
inline DWORD LoadWord(const BYTE *at) { return pixels::Sample16::Get(at, 0); }
inline void StoreWord(BYTE *at, DWORD value) { pixels::Sample16::Set(at, 0, value); }

struct WordAccess {
    static u64 Read(const BYTE *row, int x) { return LoadWord(row + 2 * static_cast<size_t>(x)); }
    static void Write(BYTE *row, int x, u64 value) {
        StoreWord(row + 2 * static_cast<size_t>(x), static_cast<DWORD>(value));
    }
};

struct Gray16 : WordAccess {
    static void Unpack(BYTE *dst, const BYTE *src, int count, const UnpackTables &t) {
        for (int x = count - 1; x >= 0; --x) PutGray(dst + 3 * static_cast<size_t>(x), LoadWord(src + 2 * static_cast<size_t>(x)), t);
    }
    static void Pack(BYTE *dst, const BYTE *src, int count, const PackTables &t) {
        for (int x = 0; x < count; ++x) StoreWord(dst + 2 * static_cast<size_t>(x), GraySample(src + 3 * static_cast<size_t>(x), t));
    }
};

// 5-5-5; BlueLow: blue in bits 0-4 and red in bits 10-14, else swapped.
template <bool BlueLow>
struct Rgb555 : WordAccess {
    static BYTE Widen(DWORD field) { return static_cast<BYTE>((field << 3) | (field >> 2)); }

    static void Unpack(BYTE *dst, const BYTE *src, int count, const UnpackTables &t) {
        for (int x = count - 1; x >= 0; --x) {
            const DWORD word = LoadWord(src + 2 * static_cast<size_t>(x));
            const BYTE low = Widen(word & 31u), middle = Widen((word >> 5) & 31u), high = Widen((word >> 10) & 31u);
            BYTE *out = dst + 3 * static_cast<size_t>(x);
            if constexpr (BlueLow) Put24(out, high, middle, low, t.redAt);
            else Put24(out, low, middle, high, t.redAt);
        }
    }

    static void Pack(BYTE *dst, const BYTE *src, int count, const PackTables &t) {
        const int lowAt = BlueLow ? 2 - t.redAt : t.redAt;
        for (int x = 0; x < count; ++x, src += 3) {
            const DWORD word = (DWORD{src[lowAt]} >> 3) | ((DWORD{src[1]} >> 3) << 5) | ((DWORD{src[2 - lowAt]} >> 3) << 10);
            StoreWord(dst + 2 * static_cast<size_t>(x), word);
        }
    }
};

// ---- 24, 32, 48, 64 bits: Channels channels of ChannelBytes bytes -----------
template <int Channels, int ChannelBytes, bool BlueFirst>
struct Direct {
    static constexpr int kPixelBytes = Channels * ChannelBytes;
    // The high byte of a channel is its last (little-endian).
    static constexpr int kFirstAt = ChannelBytes - 1;
    static constexpr int kGreenAt = ChannelBytes + ChannelBytes - 1;
    static constexpr int kThirdAt = 2 * ChannelBytes + ChannelBytes - 1;

    static u64 Read(const BYTE *row, int x) {
        const BYTE *at = row + static_cast<size_t>(x) * kPixelBytes;
        u64 value = 0;
        for (int i = kPixelBytes - 1; i >= 0; --i) value = (value << 8) | at[i];
        return value;
    }

    static void Write(BYTE *row, int x, u64 value) {
        BYTE *at = row + static_cast<size_t>(x) * kPixelBytes;
        for (int i = 0; i < kPixelBytes; ++i, value >>= 8) at[i] = static_cast<BYTE>(value);
    }

    static void UnpackPixel(BYTE *out, const BYTE *in, int redAt) {
        const BYTE first = in[kFirstAt], green = in[kGreenAt], third = in[kThirdAt];
        if constexpr (BlueFirst) Put24(out, third, green, first, redAt);
        else Put24(out, first, green, third, redAt);
    }

    static void Unpack(BYTE *dst, const BYTE *src, int count, const UnpackTables &t) {
        if constexpr (kPixelBytes == 3) {
            // Same layout, maybe mirrored channels: a copy or an in-place swap.
            const bool sameOrder = (t.redAt == 2) == BlueFirst;
            if (sameOrder) {
                if (dst != src) std::memmove(dst, src, static_cast<size_t>(count) * 3);
                return;
            }
        }
        // Narrower output: left to right.
        for (int x = 0; x < count; ++x) UnpackPixel(dst + 3 * static_cast<size_t>(x), src + static_cast<size_t>(x) * kPixelBytes, t.redAt);
    }

    static void StoreChannel(BYTE *at, BYTE value) {
        for (int i = 0; i < ChannelBytes; ++i) at[i] = value;  // v * 257 for 16-bit channels
    }

    static void PackPixel(BYTE *out, const BYTE *in, int redAt) {
        const BYTE red = in[redAt], green = in[1], blue = in[2 - redAt];
        StoreChannel(out, BlueFirst ? blue : red);
        StoreChannel(out + ChannelBytes, green);
        StoreChannel(out + 2 * ChannelBytes, BlueFirst ? red : blue);
        if constexpr (Channels == 4) {
            for (int i = 0; i < ChannelBytes; ++i) out[3 * ChannelBytes + i] = 0;
        }
    }

    static void Pack(BYTE *dst, const BYTE *src, int count, const PackTables &t) {
        if constexpr (kPixelBytes == 3) {
            const bool sameOrder = (t.redAt == 2) == BlueFirst;
            if (sameOrder) {
                if (dst != src) std::memmove(dst, src, static_cast<size_t>(count) * 3);
                return;
            }
        }
        // Wider pixels overwrite later source pixels, so go right to left.
        for (int x = count - 1; x >= 0; --x) {
            BYTE in[3] = {src[3 * static_cast<size_t>(x)], src[3 * static_cast<size_t>(x) + 1], src[3 * static_cast<size_t>(x) + 2]};
            PackPixel(dst + static_cast<size_t>(x) * kPixelBytes, in, t.redAt);
        }
    }
};

template <typename Layout>
constexpr PixelFormat MakeFormat(int bits, bool indexed, bool gray) {
    return PixelFormat{bits, indexed, gray, &Layout::Read, &Layout::Write, &Layout::Unpack, &Layout::Pack};
}

constexpr PixelFormat kIndexed[8] = {
    MakeFormat<Indexed<1>>(1, true, false), MakeFormat<Indexed<2>>(2, true, false),
    MakeFormat<Indexed<3>>(3, true, false), MakeFormat<Indexed<4>>(4, true, false),
    MakeFormat<Indexed<5>>(5, true, false), MakeFormat<Indexed<6>>(6, true, false),
    MakeFormat<Indexed<7>>(7, true, false), MakeFormat<Indexed<8>>(8, true, false),
};
constexpr PixelFormat kGray12 = MakeFormat<Gray12>(12, false, true);
constexpr PixelFormat kGray16 = MakeFormat<Gray16>(16, false, true);
constexpr PixelFormat kBgr555 = MakeFormat<Rgb555<true>>(16, false, false);
constexpr PixelFormat kRgb555 = MakeFormat<Rgb555<false>>(16, false, false);
// [0] red first, [1] blue first (Order 1).
constexpr PixelFormat k24[2] = {MakeFormat<Direct<3, 1, false>>(24, false, false), MakeFormat<Direct<3, 1, true>>(24, false, false)};
constexpr PixelFormat k32[2] = {MakeFormat<Direct<4, 1, false>>(32, false, false), MakeFormat<Direct<4, 1, true>>(32, false, false)};
constexpr PixelFormat k48[2] = {MakeFormat<Direct<3, 2, false>>(48, false, false), MakeFormat<Direct<3, 2, true>>(48, false, false)};
constexpr PixelFormat k64[2] = {MakeFormat<Direct<4, 2, false>>(64, false, false), MakeFormat<Direct<4, 2, true>>(64, false, false)};

}  // namespace

const PixelFormat *FindPixelFormat(int bitsPerPixel, int order, bool gray) {
    const int blueFirst = order == 1 ? 1 : 0;
    switch (bitsPerPixel) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8:
        return &kIndexed[bitsPerPixel - 1];
    case 12:
        return &kGray12;
    case 16:
        if (gray || order == 2) return &kGray16;
        return blueFirst ? &kBgr555 : &kRgb555;
    case 24:
        return &k24[blueFirst];
    case 32:
        return &k32[blueFirst];
    case 48:
        return &k48[blueFirst];
    case 64:
        return &k64[blueFirst];
    default:
        return nullptr;
    }
}

void FillWindowedGrayRamp(RGBQUAD *levels, DWORD mask) {
    for (DWORD v = 0; v <= mask; ++v) {
        const BYTE level = ScaleWindowedLevel(v, mask);
        levels[v] = RGBQUAD{level, level, level, 0};
    }
}

}  // namespace zelt::kernel
