// Metafile recording against the recorded vectors: every wmf_* / emf_*
// call sequence recorded again must give the recorded bytes and return
// values (where the platform writes the documented records instead of the
// recording's, the expected bytes are the recorded ones with exactly those
// records edited), and metafile DCs must report the recorded device caps.
// The handle-call rows (wmf_api, emf_api) are compared field by field by
// the probe programs themselves (tests/probes).
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes FromHex(std::string hex) {
    std::erase(hex, ' ');
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string ToHex(const Bytes &bytes) {
    std::string hex;
    char pair[3];
    for (unsigned char b : bytes) std::snprintf(pair, sizeof pair, "%02x", b), hex += pair;
    return hex;
}

Bytes ReadVector(const std::string &name) {
    std::ifstream in(PlatformVectorPath("meta_user/" + name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

unsigned U32(const Bytes &b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | unsigned(b[at + 3]) << 24;
}
void Put32(Bytes &b, std::size_t at, unsigned v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// The probes' 4 x 2 picture (bottom row first), the 3 x 2 one with 0xee
// pads, and the 8-bit one with its four colours.
const BYTE kPicture[24] = {0, 0, 0,   0, 255, 255, 255, 255, 0, 255, 0,   255,
                           0, 0, 255, 0, 255, 0,   255, 0,   0, 255, 255, 255};
const BYTE kPadded[24] = {0, 0, 0,   0, 255, 255, 255, 255, 0, 0xee, 0xee, 0xee,
                          0, 0, 255, 0, 255, 0,   255, 0,   0, 0xee, 0xee, 0xee};
const BYTE kIndexed[8] = {3, 2, 1, 0, 0, 1, 2, 3};
struct Dib {
    BITMAPINFOHEADER h;
    RGBQUAD colours[4];
};
Dib MakeDib(int width, int height, int bits) {
    Dib dib{{sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0},
            {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {128, 128, 128, 0}}};
    dib.h.biSizeImage = static_cast<DWORD>(((width * bits + 31) / 32) * 4 * height);
    if (bits == 8) dib.h.biClrUsed = 4;
    return dib;
}
const BITMAPINFO *Info(const Dib &dib) { return reinterpret_cast<const BITMAPINFO *>(&dib); }

// What a script leaves to check: return values under the recording's keys,
// and objects to delete once the metafile is closed.
struct Recording {
    std::map<std::string, std::string> returns;
    std::vector<HPALETTE> palettes;
    void Set(const std::string &key, long value) { returns[key] = std::to_string(value); }
    HPALETTE Palette(std::vector<PALETTEENTRY> entries) {
        std::vector<WORD> words{0x300, static_cast<WORD>(entries.size())};
        words.resize(2 + 2 * entries.size());
        std::memcpy(&words[2], entries.data(), 4 * entries.size());
        palettes.push_back(CreatePalette(reinterpret_cast<const LOGPALETTE *>(words.data())));
        return palettes.back();
    }
};

void Picture(HDC dc, int viewportWidth, int viewportHeight, bool enhanced) {
    const Dib dib = MakeDib(4, 2, 24);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 4, 2, nullptr);
    if (enhanced) SetViewportOrgEx(dc, 0, 0, nullptr), SetViewportExtEx(dc, viewportWidth, viewportHeight, nullptr);
    StretchDIBits(dc, 0, 0, 4, 2, 0, 0, 4, 2, kPicture, Info(dib), DIB_RGB_COLORS, SRCCOPY);
}

void TwoBands(HDC dc, bool enhanced) {
    const Dib dib = MakeDib(4, 1, 24);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 4, 2, nullptr);
    if (enhanced) SetViewportOrgEx(dc, 0, 0, nullptr), SetViewportExtEx(dc, 4, 2, nullptr);
    StretchDIBits(dc, 0, 0, 4, 1, 0, 0, 4, 1, kPicture + 12, Info(dib), DIB_RGB_COLORS, SRCCOPY);
    StretchDIBits(dc, 0, 1, 4, 1, 0, 0, 4, 1, kPicture, Info(dib), DIB_RGB_COLORS, SRCCOPY);
}

enum Frame { kNoFrame, kPictureFrame, kWideFrame };
const char kDescription[] = "Probe App\0Test Picture\0";

struct Script {
    const char *name;
    bool enhanced;
    Frame frame;
    const char *description;
    std::function<void(HDC, Recording &)> calls;
    std::function<void(HANDLE, Recording &)> after = nullptr;
};

const Script kScripts[] = {
    {"wmf_empty", false, kNoFrame, nullptr, [](HDC, Recording &) {}},
    {"wmf_mapping", false, kNoFrame, nullptr,
     [](HDC dc, Recording &r) {
         POINT pt{-7, -7};
         SIZE size{-7, -7};
         r.Set("SetMapMode", SetMapMode(dc, MM_ANISOTROPIC));
         r.Set("SetWindowOrgEx", SetWindowOrgEx(dc, 0, 0, &pt));
         r.returns["SetWindowOrgEx_pt_after"] = std::to_string(pt.x) + "," + std::to_string(pt.y);
         r.Set("SetWindowExtEx", SetWindowExtEx(dc, 4, 2, &size));
         r.returns["SetWindowExtEx_size_after"] = std::to_string(size.cx) + "," + std::to_string(size.cy);
         r.Set("SetViewportOrgEx", SetViewportOrgEx(dc, 1, 2, nullptr));
         r.Set("SetViewportExtEx", SetViewportExtEx(dc, 8, 4, nullptr));
         r.Set("SaveDC_1", SaveDC(dc));
         r.Set("SaveDC_2", SaveDC(dc));
         r.Set("RestoreDC_minus1", RestoreDC(dc, -1));
         r.Set("RestoreDC_1", RestoreDC(dc, 1));
         r.Set("GetMapMode_in_metafile_dc", GetMapMode(dc));
     }},
    {"wmf_palette", false, kNoFrame, nullptr,
     [](HDC dc, Recording &r) {
         HPALETTE pal = r.Palette({{255, 0, 0, 0}, {0, 0, 255, 0}});
         r.Set("SaveDC", SaveDC(dc));
         HPALETTE old = SelectPalette(dc, pal, FALSE);
         r.Set("SelectPalette_returned_is_default_palette", old == GetStockObject(DEFAULT_PALETTE));
         r.Set("SelectPalette_returned_null", old == nullptr);
         r.Set("RealizePalette", RealizePalette(dc));
         r.Set("SelectPalette_back_returned_pal", SelectPalette(dc, old, FALSE) == pal);
         r.Set("RestoreDC", RestoreDC(dc, -1));
     },
     [](HANDLE, Recording &r) {
         r.Set("DeleteObject_pal_after_close", DeleteObject(r.palettes[0])), r.palettes.clear();
     }},
    {"wmf_palette_delete", false, kNoFrame, nullptr,
     [](HDC dc, Recording &r) {
         HPALETTE pal = r.Palette({{0x10, 0x20, 0x30, 0}});
         SelectPalette(dc, SelectPalette(dc, pal, FALSE), FALSE);
         r.Set("DeleteObject_pal_while_recording", DeleteObject(pal));
         r.palettes.clear();
     }},
    {"wmf_stretchdib24", false, kNoFrame, nullptr,
     [](HDC dc, Recording &r) {
         const Dib dib = MakeDib(3, 2, 24);
         r.Set("StretchDIBits", StretchDIBits(dc, 0, 0, 3, 2, 0, 0, 3, 2, kPadded, Info(dib), DIB_RGB_COLORS, SRCCOPY));
     }},
    {"wmf_stretchdib8", false, kNoFrame, nullptr,
     [](HDC dc, Recording &r) {
         const Dib dib = MakeDib(4, 2, 8);
         r.Set("StretchDIBits",
               StretchDIBits(dc, 1, 0, 2, 2, 1, 0, 2, 2, kIndexed, Info(dib), DIB_RGB_COLORS, SRCCOPY));
     }},
    {"wmf_picture", false, kNoFrame, nullptr, [](HDC dc, Recording &) { Picture(dc, 0, 0, false); }},
    {"wmf_two_bands", false, kNoFrame, nullptr, [](HDC dc, Recording &) { TwoBands(dc, false); }},
    {"wmf_mmtext", false, kNoFrame, nullptr,
     [](HDC dc, Recording &) {
         const Dib dib = MakeDib(4, 2, 24);
         SetMapMode(dc, MM_TEXT);
         StretchDIBits(dc, 0, 0, 4, 2, 0, 0, 4, 2, kPicture, Info(dib), DIB_RGB_COLORS, SRCCOPY);
     }},
    {"emf_empty", true, kNoFrame, nullptr, [](HDC, Recording &) {}},
    {"emf_description", true, kWideFrame, kDescription, [](HDC, Recording &) {},
     [](HANDLE h, Recording &r) {
         char ansi[64];
         WCHAR wide[64];
         const auto emf = static_cast<HENHMETAFILE>(h);
         r.Set("GetEnhMetaFileDescriptionA_size_query", GetEnhMetaFileDescriptionA(emf, 0, nullptr));
         const UINT a = GetEnhMetaFileDescriptionA(emf, sizeof ansi, ansi);
         const UINT w = GetEnhMetaFileDescriptionW(emf, 64, wide);
         r.Set("GetEnhMetaFileDescriptionA", a);
         r.returns["GetEnhMetaFileDescriptionA_text"] = std::string(ansi, a);
         r.Set("GetEnhMetaFileDescriptionW", w);
         r.returns["GetEnhMetaFileDescriptionW_text"] = std::string(wide, wide + w);
     }},
    {"emf_picture", true, kPictureFrame, kDescription, [](HDC dc, Recording &) { Picture(dc, 4, 2, true); }},
    {"emf_two_bands", true, kPictureFrame, kDescription, [](HDC dc, Recording &) { TwoBands(dc, true); }},
    {"emf_scaled_noframe", true, kNoFrame, nullptr, [](HDC dc, Recording &) { Picture(dc, 8, 4, true); }},
    {"emf_palette", true, kNoFrame, nullptr,
     [](HDC dc, Recording &r) {
         const Dib dib = MakeDib(4, 2, 8);
         HPALETTE pal = r.Palette({{255, 0, 0, 0}, {0, 0, 255, 0}});
         r.Set("SaveDC", SaveDC(dc));
         r.Set("SelectPalette_returned_default_palette",
               SelectPalette(dc, pal, FALSE) == GetStockObject(DEFAULT_PALETTE));
         r.Set("RealizePalette", RealizePalette(dc));
         r.Set("StretchDIBits",
               StretchDIBits(dc, 1, 0, 2, 2, 1, 0, 2, 2, kIndexed, Info(dib), DIB_RGB_COLORS, SRCCOPY));
         r.Set("RestoreDC", RestoreDC(dc, -1));
         r.Set("current_palette_after_RestoreDC_is_default",
               GetCurrentObject(dc, OBJ_PAL) == GetStockObject(DEFAULT_PALETTE));
         r.Set("DeleteObject_pal_while_recording", DeleteObject(pal));
         r.palettes.clear();
     },
     [](HANDLE h, Recording &r) {
         PALETTEENTRY entries[8];
         r.Set("GetEnhMetaFilePaletteEntries", GetEnhMetaFilePaletteEntries(static_cast<HENHMETAFILE>(h), 8, entries));
     }},
};

// Where the platform writes what the format documentation says and the
// recording's implementation did not: a palette deleted while recording
// gets its META_DELETEOBJECT; EMR_CREATEPALETTE has version 0x0300 and its
// entries; RealizePalette is recorded.
struct Edit {
    const char *vector;
    std::size_t record;
    bool replace;
    const char *hex;
};
const Edit kDocumented[] = {
    {"wmf_palette_delete", 2, false, "04000000 f001 0000"},
    {"emf_palette", 2, true, "31000000 18000000 01000000 0003 0200 ff000000 0000ff00"},
    {"emf_palette", 4, false, "34000000 08000000"},
};

// The recorded bytes with the documented edits, header totals made whole.
Bytes Expected(const std::string &name, bool enhanced) {
    Bytes file = ReadVector(name + (enhanced ? ".emf" : ".wmf"));
    const std::size_t first = enhanced ? 0 : 18;
    std::vector<Bytes> records;
    for (std::size_t at = first; at + (enhanced ? 8 : 6) <= file.size();) {
        const std::size_t size = enhanced ? U32(file, at + 4) : 2 * std::size_t{U32(file, at)};
        records.emplace_back(file.begin() + long(at), file.begin() + long(at + size));
        at += size;
    }
    bool edited = false;
    for (const Edit &edit : kDocumented) {
        if (name != edit.vector) continue;
        edit.replace ? void(records[edit.record] = FromHex(edit.hex))
                     : void(records.insert(records.begin() + long(edit.record), FromHex(edit.hex)));
        edited = true;
    }
    if (!edited) return file;
    Bytes out(file.begin(), file.begin() + long(first));
    unsigned longest = 0;
    for (const Bytes &record : records)
        out.insert(out.end(), record.begin(), record.end()), longest = std::max(longest, unsigned(record.size() / 2));
    if (enhanced) {
        Put32(out, 48, unsigned(out.size()));
        Put32(out, 52, unsigned(records.size()));
    } else {
        Put32(out, 6, unsigned(out.size() / 2));
        Put32(out, 12, longest);
    }
    return out;
}

class MetafileVectors : public LeakCheckedTest {};

TEST_F(MetafileVectors, EveryRecordedSequenceGivesTheRecordedBytesAndReturns) {
    ZELT_SKIP_WITHOUT_VECTORS();
    HDC screen = GetDC(nullptr);
    const RECT pictureFrame{0, 0, MulDiv(4, GetDeviceCaps(screen, HORZSIZE) * 100, GetDeviceCaps(screen, HORZRES)),
                            MulDiv(2, GetDeviceCaps(screen, VERTSIZE) * 100, GetDeviceCaps(screen, VERTRES))};
    ReleaseDC(nullptr, screen);
    const RECT wideFrame{0, 0, 1000, 500};
    for (const Script &script : kScripts) {
        SCOPED_TRACE(script.name);
        const JsonValue doc = LoadJsonFile(PlatformVectorPath(std::string("meta_user/") + script.name + ".json"));
        const RECT *frame = script.frame == kPictureFrame ? &pictureFrame
                            : script.frame == kWideFrame  ? &wideFrame
                                                          : nullptr;
        HDC dc = script.enhanced ? CreateEnhMetaFileA(nullptr, nullptr, frame, script.description)
                                 : CreateMetaFileA(nullptr);
        ASSERT_NE(dc, nullptr);
        Recording recording;
        script.calls(dc, recording);
        HANDLE metafile = script.enhanced ? HANDLE(CloseEnhMetaFile(dc)) : HANDLE(CloseMetaFile(dc));
        ASSERT_NE(metafile, nullptr);
        if (script.after) script.after(metafile, recording);
        for (HPALETTE palette : recording.palettes) DeleteObject(palette);
        Bytes bytes(script.enhanced ? GetEnhMetaFileBits(HENHMETAFILE(metafile), 0, nullptr)
                                    : GetMetaFileBitsEx(HMETAFILE(metafile), 0, nullptr));
        script.enhanced ? GetEnhMetaFileBits(HENHMETAFILE(metafile), UINT(bytes.size()), bytes.data())
                        : GetMetaFileBitsEx(HMETAFILE(metafile), UINT(bytes.size()), bytes.data());
        EXPECT_EQ(ToHex(bytes), ToHex(Expected(script.name, script.enhanced)));
        script.enhanced ? DeleteEnhMetaFile(HENHMETAFILE(metafile)) : DeleteMetaFile(HMETAFILE(metafile));
        for (const auto &[key, value] : doc["returns"].members()) {
            std::string want = value.IsString() ? value.AsString() : std::to_string(value.AsInt());
            if (value.size() == 2) want = std::to_string(value[0].AsInt()) + "," + std::to_string(value[1].AsInt());
            EXPECT_EQ(recording.returns[key], want) << key;
        }
    }
}

// GetDeviceCaps in both kinds of metafile DC, from the metafile vectors and
// the raster probe's rows.
TEST_F(MetafileVectors, DeviceCapsAreTheMetafileOnesOrTheReferenceDevice) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const std::map<std::string, int> index = {{"TECHNOLOGY", TECHNOLOGY},
                                              {"BITSPIXEL", BITSPIXEL},
                                              {"PLANES", PLANES},
                                              {"NUMCOLORS", NUMCOLORS},
                                              {"HORZRES", HORZRES},
                                              {"VERTRES", VERTRES},
                                              {"HORZSIZE", HORZSIZE},
                                              {"VERTSIZE", VERTSIZE},
                                              {"LOGPIXELSX", LOGPIXELSX},
                                              {"LOGPIXELSY", LOGPIXELSY},
                                              {"RASTERCAPS", RASTERCAPS},
                                              {"SIZEPALETTE", SIZEPALETTE},
                                              {"NUMRESERVED", NUMRESERVED},
                                              {"COLORRES", COLORRES},
                                              {"ASPECTX", ASPECTX},
                                              {"ASPECTY", ASPECTY},
                                              {"CLIPCAPS", CLIPCAPS},
                                              {"PHYSICALWIDTH", PHYSICALWIDTH},
                                              {"PHYSICALHEIGHT", PHYSICALHEIGHT},
                                              {"SHADEBLENDCAPS", SHADEBLENDCAPS}};
    for (const char *name : {"wmf_devcaps.json", "emf_devcaps.json"}) {
        const JsonValue doc = LoadJsonFile(PlatformVectorPath(std::string("meta_user/") + name));
        const bool enhanced = name[0] == 'e';
        HDC dc = enhanced ? CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr) : CreateMetaFileA(nullptr);
        for (const JsonValue &row : doc["caps"].items())
            EXPECT_EQ(GetDeviceCaps(dc, index.at(row["index"].AsString())), row["value"].AsInt())
                << name << " " << row["index"].AsString();
        EXPECT_EQ(GetObjectType(dc), DWORD(doc[enhanced ? "GetObjectType" : "GetObjectType_metafile_dc"].AsInt()))
            << name;
        EXPECT_EQ(GetMapMode(dc), enhanced ? doc["GetMapMode"].AsInt() : 0);
        EXPECT_TRUE(DeleteDC(dc));
    }
    const JsonValue raster = LoadJsonFile(PlatformVectorPath("raster/devcaps.json"));
    int rows = 0;
    for (const JsonValue &row : raster["dcs"].items()) {
        const std::string kind = row["dc"].AsString();
        if (kind.find("metafile") == std::string::npos) continue;
        HDC reference = kind == "enhmetafile_ref_memdib8" ? CreateCompatibleDC(nullptr) : nullptr;
        HDC dc =
            kind == "metafile" ? CreateMetaFileA(nullptr) : CreateEnhMetaFileA(reference, nullptr, nullptr, nullptr);
        EXPECT_EQ(GetObjectType(dc), DWORD(row["GetObjectType"].AsInt())) << kind;
        for (const auto &[name, value] : row["caps"].members())
            EXPECT_EQ(GetDeviceCaps(dc, index.at(name)), value.AsInt()) << kind << " " << name;
        DeleteDC(dc), DeleteDC(reference), ++rows;
    }
    EXPECT_EQ(rows, 3);
    HDC classic = CreateMetaFileA(nullptr);
    EXPECT_EQ(CreateCompatibleDC(classic) == nullptr, raster["CreateCompatibleDC_of_metafile_dc_is_null"].AsBool());
    DeleteDC(classic);
}

}  // namespace
}  // namespace zelt::test
