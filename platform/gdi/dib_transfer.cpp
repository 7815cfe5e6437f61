#include "gdi/dib_transfer.h"

#include <array>
#include <cstring>
#include <utility>

#include "gdi/pixel_layout.h"
#include "gdi/rgb24_spans.h"

namespace zelt::platform {

DWORD QuantisedNearest(const Surface &destination, COLORREF colour) noexcept {
    const auto q = [](BYTE c) { return static_cast<BYTE>((c & ~7) + 4); };
    return static_cast<DWORD>(
        NearestIndex(destination.table, destination.tableSize, RGB(q(GetRValue(colour)), q(GetGValue(colour)), q(GetBValue(colour)))));
}

namespace {

// ---- reading a direct-colour source pixel as 0x00RRGGBB --------------------

template <PixelFormatId F>
DWORD SourceRgb(DWORD raw) {
    if constexpr (F == PixelFormatId::Rgb555) {
        return DWORD{Expand5((raw >> 10) & 31)} << 16 | DWORD{Expand5((raw >> 5) & 31)} << 8 | Expand5(raw & 31);
    } else if constexpr (F == PixelFormatId::Rgb565) {
        return DWORD{Expand5((raw >> 11) & 31)} << 16 | DWORD{Expand6((raw >> 5) & 63)} << 8 | Expand5(raw & 31);
    } else {
        return raw & 0xFFFFFF;
    }
}

constexpr COLORREF ColourOfRgb(DWORD rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// ---- storing 0x00RRGGBB into a destination kind ------------------------------

enum class DestKind { Rgb555, Rgb565, Rgb24, Nearest, Quantised8, MonoExactWhite };

}  // namespace

struct PixelConverter::Access {
    static const Surface &Destination(const PixelConverter &c) { return *c.destination_; }
    static const DWORD *Lookup(const PixelConverter &c) { return c.lookup_; }
    static std::uint16_t *Quantised(const PixelConverter &c) {
        return reinterpret_cast<std::uint16_t *>(const_cast<BYTE *>(c.quantised_.Data()));
    }
};

namespace {

// Inlined into every loop: the store, gather and raw converters all use it.
template <DestKind K>
[[gnu::always_inline]] inline DWORD StoreRgb(const PixelConverter &c, DWORD rgb) {
    if constexpr (K == DestKind::Rgb555) {
        return ((rgb >> 19) & 31) << 10 | ((rgb >> 11) & 31) << 5 | ((rgb >> 3) & 31);
    } else if constexpr (K == DestKind::Rgb565) {
        return ((rgb >> 19) & 31) << 11 | ((rgb >> 10) & 63) << 5 | ((rgb >> 3) & 31);
    } else if constexpr (K == DestKind::Rgb24) {
        return rgb;
    } else if constexpr (K == DestKind::Nearest) {
        const Surface &d = PixelConverter::Access::Destination(c);
        return static_cast<DWORD>(NearestIndex(d.table, d.tableSize, ColourOfRgb(rgb)));
    } else if constexpr (K == DestKind::Quantised8) {
        // The quantised colour has 5 significant bits per channel, so a 15-bit
        // key names it exactly.
        const DWORD key = ((rgb >> 19) & 31) << 10 | ((rgb >> 11) & 31) << 5 | ((rgb >> 3) & 31);
        std::uint16_t &slot = PixelConverter::Access::Quantised(c)[key];
        if (slot == 0xFFFF) slot = static_cast<std::uint16_t>(QuantisedNearest(PixelConverter::Access::Destination(c), ColourOfRgb(rgb)));
        return slot;
    } else {
        return rgb == 0xFFFFFF ? 1 : 0;
    }
}

// Direct-colour source into any destination.
template <PixelFormatId S, DestKind K>
void DirectToRaw(const PixelConverter &c, const BYTE *row, int sx, int count, DWORD *out) {
    using Source = typename LayoutOf<S>::Type;
    for (int i = 0; i < count; ++i) out[i] = StoreRgb<K>(c, SourceRgb<S>(Source::Get(row, sx + i)));
}

template <PixelFormatId S, PixelFormatId D, DestKind K>
void DirectStore(const PixelConverter &c, const BYTE *row, int sx, BYTE *dst, int dx, int count) {
    if constexpr (S == PixelFormatId::Bgr24 && D == PixelFormatId::Bgrx32 && K == DestKind::Rgb24) {
        Expand24To32(row + static_cast<std::ptrdiff_t>(sx) * 3, dst + static_cast<std::ptrdiff_t>(dx) * 4, count);
    } else {
        using Source = typename LayoutOf<S>::Type;
        using Dest = typename LayoutOf<D>::Type;
        for (int i = 0; i < count; ++i) Dest::Set(dst, dx + i, StoreRgb<K>(c, SourceRgb<S>(Source::Get(row, sx + i))));
    }
}

template <PixelFormatId S, PixelFormatId D, DestKind K>
void DirectGather(const PixelConverter &c, const BYTE *row, const int *columns, BYTE *dst, int dx, int count) {
    if constexpr (S == PixelFormatId::Bgr24 && D == PixelFormatId::Bgrx32 && K == DestKind::Rgb24) {
        Gather24To32(row, columns, dst + static_cast<std::ptrdiff_t>(dx) * 4, count);
    } else {
        using Source = typename LayoutOf<S>::Type;
        using Dest = typename LayoutOf<D>::Type;
        for (int i = 0; i < count; ++i)
            Dest::Set(dst, dx + i, StoreRgb<K>(c, SourceRgb<S>(Source::Get(row, columns[i]))));
    }
}

// Indexed source through the lookup table.
template <PixelFormatId S>
void IndexedToRaw(const PixelConverter &c, const BYTE *row, int sx, int count, DWORD *out) {
    using Source = typename LayoutOf<S>::Type;
    const DWORD *lookup = PixelConverter::Access::Lookup(c);
    for (int i = 0; i < count; ++i) out[i] = lookup[Source::Get(row, sx + i)];
}

template <PixelFormatId S, PixelFormatId D>
void IndexedStore(const PixelConverter &c, const BYTE *row, int sx, BYTE *dst, int dx, int count) {
    using Source = typename LayoutOf<S>::Type;
    using Dest = typename LayoutOf<D>::Type;
    const DWORD *lookup = PixelConverter::Access::Lookup(c);
    for (int i = 0; i < count; ++i) Dest::Set(dst, dx + i, lookup[Source::Get(row, sx + i)]);
}

template <PixelFormatId S, PixelFormatId D>
void IndexedGather(const PixelConverter &c, const BYTE *row, const int *columns, BYTE *dst, int dx, int count) {
    using Source = typename LayoutOf<S>::Type;
    using Dest = typename LayoutOf<D>::Type;
    const DWORD *lookup = PixelConverter::Access::Lookup(c);
    for (int i = 0; i < count; ++i) Dest::Set(dst, dx + i, lookup[Source::Get(row, columns[i])]);
}

// Same raw meaning on both sides: raw values move unchanged.
template <PixelFormatId S>
void RawToRaw(const PixelConverter &, const BYTE *row, int sx, int count, DWORD *out) {
    using Source = typename LayoutOf<S>::Type;
    for (int i = 0; i < count; ++i) out[i] = Source::Get(row, sx + i);
}

template <PixelFormatId S>
void RawStore(const PixelConverter &, const BYTE *row, int sx, BYTE *dst, int dx, int count) {
    LayoutOf<S>::Type::Copy(dst, dx, row, sx, count);
}

template <PixelFormatId S>
void RawGather(const PixelConverter &, const BYTE *row, const int *columns, BYTE *dst, int dx, int count) {
    using Layout = typename LayoutOf<S>::Type;
    if constexpr (S == PixelFormatId::Bgr24) {
        Gather24(row, columns, dst + static_cast<std::ptrdiff_t>(dx) * 3, count);
    } else {
        for (int i = 0; i < count; ++i) Layout::Set(dst, dx + i, Layout::Get(row, columns[i]));
    }
}

// ---- tables: one entry per format, chosen once per transfer ------------------

constexpr int kFormatCount = 8;

template <PixelFormatId S, DestKind K, std::size_t... D>
constexpr auto DirectStoreRow(std::index_sequence<D...>) {
    return std::array<void (*)(const PixelConverter &, const BYTE *, int, BYTE *, int, int), kFormatCount>{
        &DirectStore<S, static_cast<PixelFormatId>(D), K>...};
}

template <PixelFormatId S, std::size_t... D>
constexpr auto IndexedStoreRow(std::index_sequence<D...>) {
    return std::array<void (*)(const PixelConverter &, const BYTE *, int, BYTE *, int, int), kFormatCount>{
        &IndexedStore<S, static_cast<PixelFormatId>(D)>...};
}

using GatherFn = void (*)(const PixelConverter &, const BYTE *, const int *, BYTE *, int, int);

template <PixelFormatId S, DestKind K, std::size_t... D>
constexpr auto DirectGatherRow(std::index_sequence<D...>) {
    return std::array<GatherFn, kFormatCount>{&DirectGather<S, static_cast<PixelFormatId>(D), K>...};
}

template <PixelFormatId S, std::size_t... D>
constexpr auto IndexedGatherRow(std::index_sequence<D...>) {
    return std::array<GatherFn, kFormatCount>{&IndexedGather<S, static_cast<PixelFormatId>(D)>...};
}

template <PixelFormatId S>
struct DirectSource {
    static constexpr std::array<void (*)(const PixelConverter &, const BYTE *, int, int, DWORD *), 6> kToRaw{
        &DirectToRaw<S, DestKind::Rgb555>, &DirectToRaw<S, DestKind::Rgb565>,   &DirectToRaw<S, DestKind::Rgb24>,
        &DirectToRaw<S, DestKind::Nearest>, &DirectToRaw<S, DestKind::Quantised8>, &DirectToRaw<S, DestKind::MonoExactWhite>};
    static constexpr std::array<std::array<void (*)(const PixelConverter &, const BYTE *, int, BYTE *, int, int), kFormatCount>, 6>
        kStore{DirectStoreRow<S, DestKind::Rgb555>(std::make_index_sequence<kFormatCount>()),
               DirectStoreRow<S, DestKind::Rgb565>(std::make_index_sequence<kFormatCount>()),
               DirectStoreRow<S, DestKind::Rgb24>(std::make_index_sequence<kFormatCount>()),
               DirectStoreRow<S, DestKind::Nearest>(std::make_index_sequence<kFormatCount>()),
               DirectStoreRow<S, DestKind::Quantised8>(std::make_index_sequence<kFormatCount>()),
               DirectStoreRow<S, DestKind::MonoExactWhite>(std::make_index_sequence<kFormatCount>())};
    static constexpr std::array<std::array<GatherFn, kFormatCount>, 6> kGather{
        DirectGatherRow<S, DestKind::Rgb555>(std::make_index_sequence<kFormatCount>()),
        DirectGatherRow<S, DestKind::Rgb565>(std::make_index_sequence<kFormatCount>()),
        DirectGatherRow<S, DestKind::Rgb24>(std::make_index_sequence<kFormatCount>()),
        DirectGatherRow<S, DestKind::Nearest>(std::make_index_sequence<kFormatCount>()),
        DirectGatherRow<S, DestKind::Quantised8>(std::make_index_sequence<kFormatCount>()),
        DirectGatherRow<S, DestKind::MonoExactWhite>(std::make_index_sequence<kFormatCount>())};
};

template <PixelFormatId S>
struct IndexedSource {
    static constexpr auto kStore = IndexedStoreRow<S>(std::make_index_sequence<kFormatCount>());
    static constexpr auto kGather = IndexedGatherRow<S>(std::make_index_sequence<kFormatCount>());
};

// The destination kind a direct-colour source stores into.
DestKind KindFor(const Surface &destination) {
    switch (destination.Format()) {
        case PixelFormatId::Rgb555: return DestKind::Rgb555;
        case PixelFormatId::Rgb565: return DestKind::Rgb565;
        case PixelFormatId::Bgr24:
        case PixelFormatId::Bgrx32: return DestKind::Rgb24;
        case PixelFormatId::Index8: return DestKind::Quantised8;
        case PixelFormatId::Mono: return DestKind::MonoExactWhite;
        default: return DestKind::Nearest;
    }
}

// The three functions of a transfer, chosen together.
struct Picked {
    void (*&toRaw)(const PixelConverter &, const BYTE *, int, int, DWORD *);
    void (*&store)(const PixelConverter &, const BYTE *, int, BYTE *, int, int);
    GatherFn &gather;
};

template <PixelFormatId S>
void PickDirect(DestKind kind, PixelFormatId d, const Picked &out) {
    out.toRaw = DirectSource<S>::kToRaw[static_cast<int>(kind)];
    out.store = DirectSource<S>::kStore[static_cast<int>(kind)][static_cast<int>(d)];
    out.gather = DirectSource<S>::kGather[static_cast<int>(kind)][static_cast<int>(d)];
}

template <PixelFormatId S>
void PickIndexed(PixelFormatId d, const Picked &out) {
    out.toRaw = &IndexedToRaw<S>;
    out.store = IndexedSource<S>::kStore[static_cast<int>(d)];
    out.gather = IndexedSource<S>::kGather[static_cast<int>(d)];
}

template <PixelFormatId S>
void PickRaw(const Picked &out) {
    out.toRaw = &RawToRaw<S>;
    out.store = &RawStore<S>;
    out.gather = &RawGather<S>;
}

}  // namespace

bool PixelConverter::Init(const Surface &source, const Surface &destination, MonoRule monoRule) noexcept {
    destination_ = &destination;
    const PixelFormatId s = source.Format(), d = destination.Format();
    const Picked picked{toRaw_, store_, gather_};
    // Identical formats move raw values: this keeps the top byte of 32-bpp
    // pixels and the indices of identical colour tables.
    if (source.SameRawMeaning(destination)) {
        switch (s) {
            case PixelFormatId::Mono: PickRaw<PixelFormatId::Mono>(picked); break;
            case PixelFormatId::Index1: PickRaw<PixelFormatId::Index1>(picked); break;
            case PixelFormatId::Index4: PickRaw<PixelFormatId::Index4>(picked); break;
            case PixelFormatId::Index8: PickRaw<PixelFormatId::Index8>(picked); break;
            case PixelFormatId::Rgb555: PickRaw<PixelFormatId::Rgb555>(picked); break;
            case PixelFormatId::Rgb565: PickRaw<PixelFormatId::Rgb565>(picked); break;
            case PixelFormatId::Bgr24: PickRaw<PixelFormatId::Bgr24>(picked); break;
            case PixelFormatId::Bgrx32: PickRaw<PixelFormatId::Bgrx32>(picked); break;
        }
        return true;
    }
    if (source.ops->indexed) {
        // Indexed sources use exact nearest colour, never the quantisation.
        const int entries = 1 << source.BitsPixel();
        for (int i = 0; i < entries; ++i) {
            const COLORREF colour = ColorFromQuad(source.table[i]);
            if (d == PixelFormatId::Mono && monoRule == MonoRule::ExactWhite && source.BitsPixel() != 1)
                lookup_[i] = (colour & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
            else
                lookup_[i] = destination.RawOf(colour);
        }
        // Indices that keep their values (a band whose colours are the
        // destination's) move as raw bits, bytes at a time.
        bool keepsIndices = source.BitsPixel() == destination.BitsPixel();
        for (int i = 0; i < entries && keepsIndices; ++i) keepsIndices = lookup_[i] == static_cast<DWORD>(i);
        switch (s) {
            case PixelFormatId::Mono:
                keepsIndices ? PickRaw<PixelFormatId::Mono>(picked)
                             : PickIndexed<PixelFormatId::Mono>(d, picked);
                break;
            case PixelFormatId::Index1:
                keepsIndices ? PickRaw<PixelFormatId::Index1>(picked)
                             : PickIndexed<PixelFormatId::Index1>(d, picked);
                break;
            case PixelFormatId::Index4:
                keepsIndices ? PickRaw<PixelFormatId::Index4>(picked)
                             : PickIndexed<PixelFormatId::Index4>(d, picked);
                break;
            default:
                keepsIndices ? PickRaw<PixelFormatId::Index8>(picked)
                             : PickIndexed<PixelFormatId::Index8>(d, picked);
                break;
        }
        return true;
    }
    DestKind kind = KindFor(destination);
    if (kind == DestKind::MonoExactWhite && monoRule == MonoRule::Nearest) kind = DestKind::Nearest;
    if (kind == DestKind::Quantised8) {
        if (!quantised_.Reset(std::size_t{1} << 16)) return false;
        std::memset(quantised_.Data(), 0xFF, quantised_.Size());
    }
    switch (s) {
        case PixelFormatId::Rgb555: PickDirect<PixelFormatId::Rgb555>(kind, d, picked); break;
        case PixelFormatId::Rgb565: PickDirect<PixelFormatId::Rgb565>(kind, d, picked); break;
        case PixelFormatId::Bgr24: PickDirect<PixelFormatId::Bgr24>(kind, d, picked); break;
        default: PickDirect<PixelFormatId::Bgrx32>(kind, d, picked); break;
    }
    return true;
}

}  // namespace zelt::platform
