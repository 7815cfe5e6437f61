"""A small GIF89a writer for test animations: global and local colour
tables, frame placement, delays, disposal methods, transparency, the
user-input flag and interlacing. Pixels are stored as literal codes with a
clear code before the code table would widen: valid, if not compressed."""
import struct


def _table(colors):
    bits = max(1, (len(colors) - 1).bit_length())
    return bits, b"".join(bytes(c) for c in list(colors) + [(0, 0, 0)] * ((1 << bits) - len(colors)))


def literal_codes(indices, code_size):
    clear = 1 << code_size
    acc, nbits, out = 0, 0, bytearray()
    # After a clear the decoder adds an entry per code but the first; the
    # width grows once clear - 2 entries are added.
    codes = [c for at in range(0, len(indices), clear - 2) for c in [clear] + indices[at:at + clear - 2]]
    for code in codes + [clear + 1]:
        acc |= code << nbits
        nbits += code_size + 1
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc, nbits = acc >> 8, nbits - 8
    return bytes(out + (bytes([acc]) if nbits else b""))


def interlaced_rows(height):
    return [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(start, height, step)]


def write_gif(path, width, height, global_colors, background, frames):
    """frames: dicts with left, top, width, height, pixels (row-major
    indices) and optional colors (local table), delay (centiseconds),
    disposal, transparent (index), user_input, interlace."""
    bits, table = _table(global_colors)
    data = bytearray(b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF0 | (bits - 1), background, 0) + table)
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for f in frames:
        transparent, w, h = f.get("transparent"), f["width"], f["height"]
        packed = f.get("disposal", 0) << 2 | (2 if f.get("user_input") else 0) | (transparent is not None)
        data += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, packed, f.get("delay", 0), transparent or 0, 0)
        local_bits, local_table = _table(f["colors"]) if f.get("colors") else (bits, b"")
        flags = (0x40 if f.get("interlace") else 0) | (0x80 | (local_bits - 1) if local_table else 0)
        data += struct.pack("<BHHHHB", 0x2C, f["left"], f["top"], w, h, flags) + local_table
        rows = interlaced_rows(h) if f.get("interlace") else range(h)
        code_size = max(2, local_bits)
        codes = literal_codes([f["pixels"][y * w + x] for y in rows for x in range(w)], code_size)
        data += bytes([code_size]) + b"".join(bytes([len(codes[i:i + 255])]) + codes[i:i + 255]
                                              for i in range(0, len(codes), 255)) + b"\0"
    with open(path, "wb") as out:
        out.write(data + b"\x3B")
