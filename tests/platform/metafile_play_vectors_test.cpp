// The recorded playback vectors: pixels after PlayMetaFile and
// PlayEnhMetaFile into 32-bit DIB sections pre-filled with 7f7f7f. Classic
// cases replay as recorded. The recording host read the enhanced
// rectangle's right and bottom edges as exclusive; the documented reading
// includes them, so each enhanced case is played into the rectangle one
// unit smaller, which must give the recorded pixels (mirrored cases: the
// recorded 1:1 picture, mirrored).
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/metafile/play_emf.h"
#include "gdi/metafile/play_wmf.h"
#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "support/surface_model.h"

namespace zelt::test {
namespace {

using Bytes = std::vector<unsigned char>;
using Rows = std::vector<std::vector<DWORD>>;

Bytes ReadVectorFile(const std::string &name) {
    std::ifstream in(PlatformVectorPath("meta_user/" + name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<int> Numbers(const std::string &text) {
    std::vector<int> out;
    static const std::regex number("-?\\d+");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number); it != std::sregex_iterator(); ++it)
        out.push_back(std::stoi(it->str()));
    return out;
}

Rows ExpectedRows(const JsonValue &pixels) {
    Rows rows;
    for (const JsonValue &row : pixels.items()) {
        rows.emplace_back();
        for (const JsonValue &p : row.items()) rows.back().push_back(DWORD(std::stoul(p.AsString(), nullptr, 16)));
    }
    return rows;
}

Rows RowsOf(const ModelDc &canvas) {
    const SurfaceModel now = canvas.Read();
    Rows rows(size_t(now.height), std::vector<DWORD>(size_t(now.width)));
    for (int y = 0; y < now.height; ++y)
        for (int x = 0; x < now.width; ++x) rows[size_t(y)][size_t(x)] = now.At(x, y) & 0xFFFFFF;
    return rows;
}

// Runs a vector's calls on a fresh canvas: the mapping calls as written,
// the play call through `play` with the numbers in its argument list.
template <class Play>
Rows RunCalls(const JsonValue &vector, Play play) {
    const std::vector<int> size = Numbers(vector["target"].AsString());
    ModelDc canvas(SurfaceModel(size.at(0), size.at(1), 32, {}, true, 0x7F7F7F));
    HDC dc = canvas.dc();
    for (const JsonValue &call : vector["calls"].items()) {
        const std::string text = call.AsString();
        std::vector<int> n = Numbers(text);
        if (text.find("MM_ANISOTROPIC") != std::string::npos) n.push_back(MM_ANISOTROPIC);
        const std::string name = text.substr(0, text.find('('));
        if (name == "SetMapMode") SetMapMode(dc, n.at(0));
        else if (name == "SetWindowOrgEx") SetWindowOrgEx(dc, n.at(0), n.at(1), nullptr);
        else if (name == "SetWindowExtEx") SetWindowExtEx(dc, n.at(0), n.at(1), nullptr);
        else if (name == "SetViewportOrgEx") SetViewportOrgEx(dc, n.at(0), n.at(1), nullptr);
        else if (name == "SetViewportExtEx") SetViewportExtEx(dc, n.at(0), n.at(1), nullptr);
        else EXPECT_TRUE(play(dc, n)) << vector["name"].AsString();
    }
    const JsonValue &after = vector["after"];
    POINT org{};
    SIZE ext{};
    const auto check = [&](const char *key, long x, long y) {
        if (after[key].IsNull()) return;
        EXPECT_EQ(x, after[key][0].AsInt()) << vector["name"].AsString() << " " << key;
        EXPECT_EQ(y, after[key][1].AsInt()) << vector["name"].AsString() << " " << key;
    };
    GetWindowExtEx(dc, &ext), check("window_ext", ext.cx, ext.cy);
    GetViewportExtEx(dc, &ext), check("viewport_ext", ext.cx, ext.cy);
    GetWindowOrgEx(dc, &org), check("window_org", org.x, org.y);
    GetViewportOrgEx(dc, &org), check("viewport_org", org.x, org.y);
    const JsonValue &mode = !after.IsNull() ? after["map_mode"] : vector["map_mode_after"];
    if (!mode.IsNull()) {
        EXPECT_EQ(GetMapMode(dc), mode.AsInt()) << vector["name"].AsString();
    }
    if (!vector["viewport_ext_after"].IsNull()) {
        GetViewportExtEx(dc, &ext);
        EXPECT_EQ(ext.cx, vector["viewport_ext_after"][0].AsInt());
    }
    return RowsOf(canvas);
}

class MetafilePlayVectors : public LeakCheckedTest {};

TEST_F(MetafilePlayVectors, ClassicCasesGiveTheRecordedPixels) {
    ZELT_SKIP_WITHOUT_VECTORS();
    int played = 0;
    const JsonValue vectors = LoadJsonFile(PlatformVectorPath("meta_user/wmf_play.json"));
    for (const JsonValue &vector : vectors.items()) {
        if (vector["metafile"].IsNull()) continue;  // a direct call, the reference of another case
        const std::string source = vector["metafile"].AsString();
        Bytes bytes = ReadVectorFile(source.substr(0, source.find(' ')) + ".wmf");
        ASSERT_FALSE(bytes.empty()) << source;
        // "… (byte N) changed from A to B"
        if (const std::vector<int> edit = Numbers(source); edit.size() == 3) bytes.at(size_t(edit[0])) = BYTE(edit[2]);
        const Rows pixels = RunCalls(vector, [&](HDC dc, const std::vector<int> &) {
            return zelt::platform::PlayWmfBytes(dc, bytes.data(), bytes.size());
        });
        EXPECT_EQ(pixels, ExpectedRows(vector["pixels"])) << vector["name"].AsString();
        ++played;
    }
    EXPECT_EQ(played, 7);
}

TEST_F(MetafilePlayVectors, EnhancedCasesGiveTheRecordedPixelsInTheInclusiveRectangle) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue vectors = LoadJsonFile(PlatformVectorPath("meta_user/emf_play.json"));
    Rows oneToOne;
    for (const JsonValue &vector : vectors.items())
        if (vector["name"].AsString() == "emf_picture_rect_0_0_4_2") oneToOne = ExpectedRows(vector["pixels"]);
    ASSERT_FALSE(oneToOne.empty());
    for (const JsonValue &vector : vectors.items()) {
        const std::string name = vector["name"].AsString();
        Bytes bytes = ReadVectorFile("emf_picture.emf");
        ASSERT_FALSE(bytes.empty());
        // Recorded with a NULL frame: the same records, the bounds and frame it gave.
        for (const auto &[key, at] : {std::pair{"rclBounds", 8}, std::pair{"rclFrame", 24}})
            for (size_t i = 0; !vector[key].IsNull() && i < 4; ++i)
                for (int b = 0; b < 4; ++b) bytes[size_t(at) + 4 * i + size_t(b)] = BYTE(vector[key][i].AsInt() >> (8 * b));
        Rows expected = ExpectedRows(vector["pixels"]);
        bool mirroredX = false, mirroredY = false;
        const Rows pixels = RunCalls(vector, [&](HDC dc, const std::vector<int> &n) {
            RECT rect{n.at(0), n.at(1), n.at(2), n.at(3)};
            // One unit smaller on the far side of each axis.
            (rect.right >= rect.left ? rect.right : rect.left) -= 1;
            (rect.bottom >= rect.top ? rect.bottom : rect.top) -= 1;
            mirroredX = rect.right < rect.left, mirroredY = rect.bottom < rect.top;
            SetLastError(0xBEEF);
            const bool played = zelt::platform::PlayEmfBytes(dc, bytes.data(), bytes.size(), &rect);
            EXPECT_EQ(GetLastError(), 0xBEEFu) << name;
            return played;
        });
        if (mirroredX || mirroredY) {
            expected = oneToOne;
            if (mirroredY) std::reverse(expected.begin(), expected.end());
            if (mirroredX)
                for (auto &row : expected) std::reverse(row.begin(), row.end());
        }
        EXPECT_EQ(pixels, expected) << name;
    }
}

}  // namespace
}  // namespace zelt::test
