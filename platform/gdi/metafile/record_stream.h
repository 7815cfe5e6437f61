// The bytes of a metafile being recorded: a buffer that grows through the
// fallible allocator, and a little-endian writer for the fields of a record.
// A record is reserved whole before any of it is written, so running out of
// memory never leaves half a record behind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zelt/win32.h"

namespace zelt::platform {

// Writes little-endian fields from `at` on; the caller has reserved the room.
class FieldWriter {
public:
    explicit FieldWriter(unsigned char *at) noexcept : at_(at) {}
    void U16(unsigned value) noexcept;
    void U32(std::uint32_t value) noexcept;
    // A coordinate as the 16-bit field of a classic record (kept modulo 2^16).
    void I16(long value) noexcept { U16(static_cast<unsigned>(value) & 0xFFFF); }
    void I32(long value) noexcept { U32(static_cast<std::uint32_t>(value)); }
    void Bytes(const void *data, std::size_t size) noexcept;
    void Skip(std::size_t size) noexcept { at_ += size; }
    unsigned char *At() const noexcept { return at_; }

private:
    unsigned char *at_;
};

class RecordStream {
public:
    RecordStream() = default;
    RecordStream(const RecordStream &) = delete;
    RecordStream &operator=(const RecordStream &) = delete;
    ~RecordStream();

    // Appends `size` zero bytes and returns where they start; nullptr (the
    // stream unchanged) when memory runs out.
    [[nodiscard]] unsigned char *Append(std::size_t size) noexcept;
    // Makes sure `size` more bytes can be appended without allocating.
    [[nodiscard]] bool Reserve(std::size_t size) noexcept;
    // Drops everything from `size` on (a record the call it belongs to
    // could not complete).
    void Truncate(std::size_t size) noexcept;

    unsigned char *Data() noexcept { return data_; }
    const unsigned char *Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }

private:
    unsigned char *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Little-endian reads of untrusted bytes; the caller checks the bounds.
inline unsigned ReadU16(const unsigned char *p) noexcept { return p[0] | (p[1] << 8); }
inline std::uint32_t ReadU32(const unsigned char *p) noexcept {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
inline void WriteU16(unsigned char *p, unsigned value) noexcept { FieldWriter(p).U16(value); }
inline void WriteU32(unsigned char *p, std::uint32_t value) noexcept { FieldWriter(p).U32(value); }

}  // namespace zelt::platform
