#include "png_codec.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace zeltpaint {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kMaxSide = 65535;
constexpr std::uint32_t kMaxPngValue = 0x7FFFFFFF;  // chunk lengths and image sides
// Deflate expands at most 1032-fold (a 258-byte match in two bits), so a
// file too short for the image it claims is refused before allocating.
constexpr std::uint64_t kMaxInflateRatio = 1032;
// Fixed, so that every build with the same zlib writes the same bytes.
constexpr int kLevel = 9;
constexpr int kStrategy = Z_FILTERED;
constexpr std::size_t kIdatBytes = 1 << 16;

std::uint32_t Be32(const std::uint8_t *p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void PutBe32(std::uint8_t *p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

bool IsType(const std::uint8_t *type, const char *name) { return std::memcmp(type, name, 4) == 0; }

// Chunk types are four ASCII letters; anything else is damage.
bool IsChunkType(const std::uint8_t *type) {
    return std::all_of(type, type + 4, [](std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

// The byte each filter predicts from the left (a), upper (b) and upper-left
// (c) bytes; both directions share it.
int Predictor(int filter, int a, int b, int c) {
    switch (filter) {
        case 1: return a;
        case 2: return b;
        case 3: return (a + b) / 2;
        case 4: {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        }
        default: return 0;
    }
}

// ---- reading ----

struct Header {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colorType = 0;
    bool interlaced = false;
};

int ChannelsOf(int colorType) {
    switch (colorType) {
        case 0: case 3: return 1;
        case 4: return 2;
        case 2: return 3;
        case 6: return 4;
        default: return 0;
    }
}

bool ValidDepth(int colorType, int depth) {
    const bool packed = depth == 1 || depth == 2 || depth == 4;
    if (colorType == 0) return packed || depth == 8 || depth == 16;
    if (colorType == 3) return packed || depth == 8;
    return ChannelsOf(colorType) > 1 && (depth == 8 || depth == 16);
}

PngStatus ReadHeader(std::span<const std::uint8_t> data, Header &header) {
    if (data.size() != 13) return PngStatus::kUnreadable;
    header.width = Be32(&data[0]);
    header.height = Be32(&data[4]);
    header.depth = data[8];
    header.colorType = data[9];
    header.interlaced = data[12] == 1;
    // Compression and filter method 0 are the only ones there are.
    if (!ValidDepth(header.colorType, header.depth) || data[10] != 0 || data[11] != 0 || data[12] > 1)
        return PngStatus::kUnreadable;
    if (header.width == 0 || header.height == 0 || header.width > kMaxPngValue || header.height > kMaxPngValue)
        return PngStatus::kUnreadable;
    if (header.width > kMaxSide || header.height > kMaxSide) return PngStatus::kSizeOutOfRange;
    return PngStatus::kOk;
}

struct Parsed {
    Header header;
    std::array<std::uint8_t, 3 * 256> palette{};  // indices past the PLTE chunk's entries show black
    std::vector<std::span<const std::uint8_t>> idat;
    std::uint64_t idatBytes = 0;
};

// Walks the chunks from IHDR to IEND, checking the critical ones' CRCs and
// order and collecting the image data. Ancillary chunks are skipped unread.
PngStatus ReadChunks(std::span<const std::uint8_t> file, Parsed &png) {
    if (!HasPngSignature(file)) return PngStatus::kUnreadable;
    bool haveHeader = false, havePalette = false, idatEnded = false;
    for (std::size_t pos = 8;;) {
        if (file.size() - pos < 12) return PngStatus::kUnreadable;
        const std::uint8_t *chunk = file.data() + pos;
        const std::uint32_t length = Be32(chunk);
        if (length > kMaxPngValue || length > file.size() - pos - 12) return PngStatus::kUnreadable;
        const std::uint8_t *type = chunk + 4;
        if (!IsChunkType(type)) return PngStatus::kUnreadable;
        const std::span<const std::uint8_t> data(chunk + 8, length);
        pos += 12 + std::size_t{length};

        if (!haveHeader && !IsType(type, "IHDR")) return PngStatus::kUnreadable;
        const bool isIdat = IsType(type, "IDAT");
        if (!isIdat && !png.idat.empty()) idatEnded = true;
        if ((type[0] & 0x20) != 0) continue;
        if (crc32(crc32(0, nullptr, 0), type, length + 4) != Be32(chunk + 8 + length)) return PngStatus::kUnreadable;
        if (isIdat) {
            if (idatEnded) return PngStatus::kUnreadable;  // image data must be one run of chunks
            png.idat.push_back(data);
            png.idatBytes += length;
        } else if (IsType(type, "IHDR")) {
            if (haveHeader) return PngStatus::kUnreadable;
            const PngStatus status = ReadHeader(data, png.header);
            if (status != PngStatus::kOk) return status;
            haveHeader = true;
        } else if (IsType(type, "PLTE")) {
            if (havePalette || !png.idat.empty() || length == 0 || length % 3 != 0 || length > png.palette.size())
                return PngStatus::kUnreadable;
            std::copy(data.begin(), data.end(), png.palette.begin());
            havePalette = true;
        } else if (IsType(type, "IEND")) {
            break;
        } else {
            return PngStatus::kUnreadable;  // a critical chunk this reader does not know
        }
    }
    if (png.idat.empty() || (png.header.colorType == 3 && !havePalette)) return PngStatus::kUnreadable;
    return PngStatus::kOk;
}

// The zlib stream spread over the IDAT chunks, inflated a row at a time.
class ImageData {
public:
    explicit ImageData(const std::vector<std::span<const std::uint8_t>> &chunks) : chunks_(chunks) {}
    ~ImageData() {
        if (open_) inflateEnd(&stream_);
    }
    ImageData(const ImageData &) = delete;
    ImageData &operator=(const ImageData &) = delete;

    bool Open() { return open_ = inflateInit(&stream_) == Z_OK; }
    // Exactly `size` bytes, or false.
    bool Read(std::uint8_t *out, std::size_t size) { return Inflate(out, size) && stream_.avail_out == 0; }
    // True when the stream ends right after the image, its checksum right.
    bool Finish() {
        std::uint8_t extra = 0;
        return Inflate(&extra, 1) && ended_ && stream_.avail_out == 1;
    }

private:
    bool Inflate(std::uint8_t *out, std::size_t size) {
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(size);
        while (stream_.avail_out > 0 && !ended_) {
            if (stream_.avail_in == 0 && next_ < chunks_.size()) {
                stream_.next_in = chunks_[next_].data();
                stream_.avail_in = static_cast<uInt>(chunks_[next_++].size());
            }
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) ended_ = true;
            // No progress is only fine while more chunks wait.
            else if (result != Z_OK && (result != Z_BUF_ERROR || stream_.avail_in != 0 || next_ == chunks_.size()))
                return false;
        }
        return true;
    }

    const std::vector<std::span<const std::uint8_t>> &chunks_;
    std::size_t next_ = 0;
    z_stream stream_{};
    bool open_ = false, ended_ = false;
};

// Sample `i` of a row of Depth-bit samples: big-endian, packed ones from the
// high bits down.
template <int Depth>
unsigned SampleAt(const std::uint8_t *row, std::size_t i) {
    if constexpr (Depth == 16) {
        return (unsigned{row[2 * i]} << 8) | row[2 * i + 1];
    } else {
        constexpr std::size_t perByte = 8 / Depth;
        const unsigned shift = 8 - Depth * (1 + static_cast<unsigned>(i % perByte));
        return (row[i / perByte] >> shift) & ((1u << Depth) - 1);
    }
}

struct RowLayout {
    unsigned (*sample)(const std::uint8_t *row, std::size_t i);
    int channels;
    unsigned shift, scale;  // a sample to 8 bits: (sample >> shift) * scale
    const std::uint8_t *palette;

    std::uint8_t Channel(const std::uint8_t *row, std::size_t i) const {
        return static_cast<std::uint8_t>((sample(row, i) >> shift) * scale);
    }
};

// Row converters, one per form, chosen once an image; `step` is the
// output's byte distance between the row's pixels.
using RowConverter = void (*)(const RowLayout &, const std::uint8_t *, std::uint32_t, std::uint8_t *, std::size_t);

void GrayRow(const RowLayout &l, const std::uint8_t *row, std::uint32_t count, std::uint8_t *out, std::size_t step) {
    for (std::size_t i = 0; i < count; ++i, out += step) out[0] = out[1] = out[2] = l.Channel(row, i * l.channels);
}

void ColorRow(const RowLayout &l, const std::uint8_t *row, std::uint32_t count, std::uint8_t *out, std::size_t step) {
    for (std::size_t i = 0; i < count; ++i, out += step)
        for (int c = 0; c < 3; ++c) out[2 - c] = l.Channel(row, i * l.channels + c);
}

void PaletteRow(const RowLayout &l, const std::uint8_t *row, std::uint32_t count, std::uint8_t *out, std::size_t step) {
    for (std::size_t i = 0; i < count; ++i, out += step) {
        const std::uint8_t *entry = l.palette + 3 * l.sample(row, i);
        out[0] = entry[2];
        out[1] = entry[1];
        out[2] = entry[0];
    }
}

void DeepGrayRow(const RowLayout &l, const std::uint8_t *row, std::uint32_t count, std::uint8_t *out, std::size_t step) {
    for (std::size_t i = 0; i < count; ++i, out += step) {
        const unsigned value = l.sample(row, i);
        out[0] = static_cast<std::uint8_t>(value);
        out[1] = static_cast<std::uint8_t>(value >> 8);
    }
}

struct Pass {
    std::uint32_t x0, y0, dx, dy;

    std::uint32_t Columns(std::uint32_t width) const { return width > x0 ? (width - x0 + dx - 1) / dx : 0; }
    std::uint32_t Rows(std::uint32_t height) const { return height > y0 ? (height - y0 + dy - 1) / dy : 0; }
};
constexpr Pass kWhole[] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

void Unfilter(int filter, std::uint8_t *row, const std::uint8_t *prior, std::size_t size, std::size_t pixelBytes) {
    for (std::size_t i = 0; i < size; ++i) {
        const int a = i >= pixelBytes ? row[i - pixelBytes] : 0, c = i >= pixelBytes ? prior[i - pixelBytes] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + Predictor(filter, a, prior[i], c));
    }
}

PngStatus DecodeImage(const Parsed &png, DecodedPng &image) {
    const Header &h = png.header;
    const int bitsPerPixel = ChannelsOf(h.colorType) * h.depth;
    const std::size_t pixelBytes = static_cast<std::size_t>(bitsPerPixel + 7) / 8;
    const std::span<const Pass> passes = h.interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole);
    auto rowBytes = [&](const Pass &p) { return (std::uint64_t{p.Columns(h.width)} * bitsPerPixel + 7) / 8; };
    std::uint64_t filtered = 0, widest = 0;
    for (const Pass &p : passes) {
        if (p.Rows(h.height) == 0 || p.Columns(h.width) == 0) continue;
        widest = std::max(widest, rowBytes(p));
        filtered += p.Rows(h.height) * (1 + rowBytes(p));
    }
    if (filtered > png.idatBytes * kMaxInflateRatio) return PngStatus::kUnreadable;

    image.width = h.width;
    image.height = h.height;
    image.deepGray = h.colorType == 0 && h.depth == 16;
    const std::size_t outPixel = image.deepGray ? 2 : 3;
    if (std::uint64_t{h.width} * h.height > image.pixels.max_size() / outPixel) return PngStatus::kNoMemory;
    image.pixels.assign(std::size_t{h.width} * h.height * outPixel, 0);
    std::vector<std::uint8_t> lines(2 * (static_cast<std::size_t>(widest) + 1));

    static constexpr std::array<unsigned (*)(const std::uint8_t *, std::size_t), 17> kSamplers = {
        nullptr, SampleAt<1>, SampleAt<2>, nullptr, SampleAt<4>, nullptr, nullptr, nullptr, SampleAt<8>,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, SampleAt<16>};
    const RowLayout layout = {kSamplers[h.depth], ChannelsOf(h.colorType), h.depth == 16 ? 8u : 0u,
                              h.depth < 8 ? 255u / ((1u << h.depth) - 1) : 1u, png.palette.data()};
    const RowConverter convert = image.deepGray ? DeepGrayRow
                                 : h.colorType == 3 ? PaletteRow
                                 : h.colorType == 0 || h.colorType == 4 ? GrayRow
                                                                         : ColorRow;
    ImageData data(png.idat);
    if (!data.Open()) return PngStatus::kNoMemory;
    for (const Pass &p : passes) {
        const std::uint32_t columns = p.Columns(h.width), rows = p.Rows(h.height);
        if (columns == 0 || rows == 0) continue;
        const std::size_t size = static_cast<std::size_t>(rowBytes(p));
        // Each line is its filter byte and the row; the row before the
        // first is zeros.
        std::uint8_t *line = lines.data(), *prior = line + widest + 1;
        std::fill(prior, prior + size + 1, 0);
        for (std::uint32_t j = 0; j < rows; ++j) {
            if (!data.Read(line, size + 1) || line[0] > 4) return PngStatus::kUnreadable;
            Unfilter(line[0], line + 1, prior + 1, size, pixelBytes);
            const std::size_t y = p.y0 + std::size_t{j} * p.dy;
            convert(layout, line + 1, columns, &image.pixels[(y * h.width + p.x0) * outPixel], p.dx * outPixel);
            std::swap(line, prior);
        }
    }
    return data.Finish() ? PngStatus::kOk : PngStatus::kUnreadable;
}

// ---- writing ----

void PutChunk(std::vector<std::uint8_t> &file, const char *type, std::span<const std::uint8_t> data) {
    const std::size_t start = file.size();
    file.resize(start + 8);
    PutBe32(&file[start], static_cast<std::uint32_t>(data.size()));
    std::memcpy(&file[start + 4], type, 4);
    file.insert(file.end(), data.begin(), data.end());
    const auto crc = static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), &file[start + 4], static_cast<uInt>(data.size() + 4)));
    file.resize(file.size() + 4);
    PutBe32(&file[file.size() - 4], crc);
}

// The filtered rows compressed into IDAT chunks of kIdatBytes (the last
// one shorter).
class ImageWriter {
public:
    explicit ImageWriter(std::vector<std::uint8_t> &file) : file_(file), buffer_(kIdatBytes) {}
    ~ImageWriter() {
        if (open_) deflateEnd(&stream_);
    }
    ImageWriter(const ImageWriter &) = delete;
    ImageWriter &operator=(const ImageWriter &) = delete;

    bool Open() { return open_ = deflateInit2(&stream_, kLevel, Z_DEFLATED, 15, 8, kStrategy) == Z_OK; }
    // Compresses `size` bytes; with Z_FINISH, ends the stream as well.
    bool Write(const std::uint8_t *data, std::size_t size, int flush) {
        stream_.next_in = data;
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            stream_.next_out = buffer_.data() + used_;
            stream_.avail_out = static_cast<uInt>(buffer_.size() - used_);
            const int result = deflate(&stream_, flush);
            if (result == Z_STREAM_ERROR) return false;
            used_ = buffer_.size() - stream_.avail_out;
            const bool done = flush == Z_FINISH ? result == Z_STREAM_END : stream_.avail_in == 0;
            if (used_ == buffer_.size() || (done && flush == Z_FINISH && used_ > 0)) {
                PutChunk(file_, "IDAT", std::span<const std::uint8_t>(buffer_.data(), used_));
                used_ = 0;
            }
            if (done) return true;
        }
    }

private:
    std::vector<std::uint8_t> &file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    z_stream stream_{};
    bool open_ = false;
};

// The filter the PNG authors recommend choosing for a row: the one whose
// output, read as signed bytes, sums smallest in magnitude (the lower type
// on a tie). Returns that candidate, its filter byte first.
const std::uint8_t *FilterRow(const std::uint8_t *row, const std::uint8_t *prior, std::size_t size,
                              std::size_t pixelBytes, std::vector<std::uint8_t> &candidates) {
    const std::uint8_t *best = nullptr;
    std::uint64_t bestSum = std::numeric_limits<std::uint64_t>::max();
    for (int filter = 0; filter < 5; ++filter) {
        std::uint8_t *out = &candidates[filter * (size + 1)];
        out[0] = static_cast<std::uint8_t>(filter);
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const int a = i >= pixelBytes ? row[i - pixelBytes] : 0, c = i >= pixelBytes ? prior[i - pixelBytes] : 0;
            out[1 + i] = static_cast<std::uint8_t>(row[i] - Predictor(filter, a, prior[i], c));
            sum += static_cast<std::uint64_t>(std::abs(static_cast<int>(static_cast<std::int8_t>(out[1 + i]))));
        }
        if (sum < bestSum) {
            bestSum = sum;
            best = out;
        }
    }
    return best;
}

}  // namespace

bool HasPngSignature(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= sizeof(kSignature) && std::memcmp(bytes.data(), kSignature, sizeof(kSignature)) == 0;
}

PngStatus DecodePng(std::span<const std::uint8_t> file, DecodedPng &image) {
    try {
        Parsed png;
        const PngStatus status = ReadChunks(file, png);
        return status == PngStatus::kOk ? DecodeImage(png, image) : status;
    } catch (const std::bad_alloc &) {
        return PngStatus::kNoMemory;
    }
}

bool EncodePng(std::span<const std::uint8_t> pixels, std::uint32_t width, std::uint32_t height, PngFormat format,
               std::vector<std::uint8_t> &file) {
    const bool rgb = format == PngFormat::kRgb8;
    const std::size_t pixelBytes = rgb ? 3 : 2, rowBytes = std::size_t{width} * pixelBytes;
    if (width == 0 || height == 0 || width > kMaxPngValue || height > kMaxPngValue || pixels.size() / rowBytes < height)
        return false;
    try {
        file.assign(kSignature, kSignature + sizeof(kSignature));
        std::uint8_t header[13] = {};
        PutBe32(header, width);
        PutBe32(header + 4, height);
        header[8] = rgb ? 8 : 16;
        header[9] = rgb ? 2 : 0;
        PutChunk(file, "IHDR", header);
        ImageWriter writer(file);
        if (!writer.Open()) return false;
        std::vector<std::uint8_t> candidates(5 * (rowBytes + 1)), zeros(rowBytes);
        const std::uint8_t *prior = zeros.data();
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t *row = pixels.data() + y * rowBytes;
            if (!writer.Write(FilterRow(row, prior, rowBytes, pixelBytes, candidates), rowBytes + 1, Z_NO_FLUSH))
                return false;
            prior = row;
        }
        if (!writer.Write(nullptr, 0, Z_FINISH)) return false;
        PutChunk(file, "IEND", {});
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

}  // namespace zeltpaint
