// Every case of the probed drawing vectors replayed pixel for pixel: the
// calls each case lists are interpreted as written (a small evaluator for
// the literal C expressions), the canvas is mapped through the case's legend
// and compared with its mask.
#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi_draw_canvas.h"
#include "support/json_reader.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

using Value = long long;

Value H(const void *handle) { return static_cast<Value>(reinterpret_cast<std::intptr_t>(handle)); }
template <class T>
T *AsHandle(Value v) {
    return reinterpret_cast<T *>(static_cast<std::intptr_t>(v));
}

std::string Trim(const std::string &s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// Splits at top-level occurrences of `sep` (outside parentheses and braces).
std::vector<std::string> SplitTop(const std::string &s, const std::string &sep) {
    std::vector<std::string> parts;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '(' || s[i] == '{') ++depth;
        if (s[i] == ')' || s[i] == '}') --depth;
        if (depth == 0 && s.compare(i, sep.size(), sep) == 0) {
            parts.push_back(Trim(s.substr(start, i - start)));
            start = i + sep.size();
            i += sep.size() - 1;
        }
    }
    parts.push_back(Trim(s.substr(start)));
    return parts;
}

COLORREF ParseRgb(const std::string &hex) { return static_cast<COLORREF>(std::stoul(hex.substr(1), nullptr, 16)); }
COLORREF Swap(COLORREF rrggbb) { return RGB((rrggbb >> 16) & 255, (rrggbb >> 8) & 255, rrggbb & 255); }

// The frame brushes: row r of brush k is P[(k + r) mod 8].
HBRUSH FrameBrush(int k) {
    static const BYTE P[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};
    BYTE bits[16] = {};
    for (int r = 0; r < 8; ++r) bits[2 * r] = P[(k + r) % 8];
    HBITMAP b = CreateBitmap(8, 8, 1, 1, bits);
    HBRUSH brush = CreatePatternBrush(b);
    DeleteObject(b);
    return brush;
}

class Replay {
public:
    Replay(DrawCanvas &canvas, const JsonValue &c) : canvas_(canvas), case_(c), dc_(canvas.dc()) {}
    ~Replay() {
        if (mem_ != nullptr) {
            SelectObject(mem_, memOld_);
            DeleteObject(memBitmap_);
            DeleteDC(mem_);
        }
        SelectObject(dc_, GetStockObject(BLACK_PEN));
        SelectObject(dc_, GetStockObject(WHITE_BRUSH));
        for (Value h : {pen_, br_, r_, r2_})
            if (h != 0) DeleteObject(AsHandle<void>(h));
    }

    void Setup(const std::string &setup, const std::string &name) {
        for (const std::string &statement : SplitTop(setup, ";")) {
            if (statement.rfind("pen = ", 0) == 0) pen_ = Eval(statement.substr(6));
            if (statement.rfind("br = CreateSolidBrush", 0) == 0) br_ = Eval(statement.substr(5));
            if (statement.rfind("br = frame brush", 0) == 0)
                br_ = H(FrameBrush(name.find("brush 1") != std::string::npos ? 1 : 0));
            if (statement.rfind("first brush blue", 0) == 0) br_ = H(CreateSolidBrush(RGB(0, 0, 255)));
        }
        if (br_ == 0 && name.find("pattern brush 0") != std::string::npos) br_ = H(FrameBrush(0));
    }

    void Run(const std::string &call) {
        if (call.rfind("background: columns 0-9 white, 10-19 red", 0) == 0) return Columns(10, RGB(255, 0, 0));
        if (call.rfind("background: columns 0-10 white, 11-21 blue", 0) == 0) {
            Columns(11, RGB(0, 0, 255));
            return MakeMask();
        }
        if (call.rfind("background: 3x3 checkerboard", 0) == 0) {
            for (int y = 0; y < canvas_.height(); ++y)
                for (int x = 0; x < canvas_.width(); ++x)
                    if ((x / 3 + y / 3) % 2) canvas_.Set(x, y, RGB(0, 0, 255));
            return;
        }
        if (call.rfind("mem: ", 0) == 0) return MakeMask();
        if (call.rfind("br = frame brush 0", 0) == 0) {
            if (br_ != 0) DeleteObject(AsHandle<void>(br_));
            br_ = H(FrameBrush(0));
            return;
        }
        if (call.rfind("u = ", 0) == 0) return;  // read ahead by Points()
        if (call.rfind("memory DC mem", 0) == 0) return MakeGlass();
        for (const std::string &statement : SplitTop(call, ";"))
            if (!statement.empty()) last_ = Eval(statement);
    }

    Value last() const { return last_; }
    const RECT &rc() const { return rc_; }

private:
    void Columns(int from, COLORREF colour) {
        for (int y = 0; y < canvas_.height(); ++y)
            for (int x = from; x < canvas_.width(); ++x) canvas_.Set(x, y, colour);
    }

    // The 16 x 12 monochrome mask: ones on its border and on (5,4)-(11,8).
    void MakeMask() {
        if (mem_ != nullptr) return;
        mem_ = CreateCompatibleDC(nullptr);
        BYTE bits[12 * 2] = {};
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x)
                if (x == 0 || x == 15 || y == 0 || y == 11 || (x >= 5 && x < 11 && y >= 4 && y < 8))
                    bits[y * 2 + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        memBitmap_ = CreateBitmap(16, 12, 1, 1, bits);
        memOld_ = SelectObject(mem_, memBitmap_);
    }

    // The glass: a 40 x 30 white surface with Ellipse(0, 0, 39, 29) drawn by the pen.
    void MakeGlass() {
        mem_ = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = 40;
        bi.bmiHeader.biHeight = -30;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        memBitmap_ = CreateDIBSection(mem_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        memOld_ = SelectObject(mem_, memBitmap_);
        auto *pixels = static_cast<DWORD *>(bits);
        for (int i = 0; i < 40 * 30; ++i) pixels[i] = 0xFFFFFF;
        HGDIOBJ oldPen = SelectObject(mem_, AsHandle<void>(pen_));
        HGDIOBJ oldBrush = SelectObject(mem_, GetStockObject(NULL_BRUSH));
        Ellipse(mem_, 0, 0, 39, 29);
        SelectObject(mem_, oldPen);
        SelectObject(mem_, oldBrush);
    }

    const POINT *Points() {
        if (points_.empty())
            for (const JsonValue &call : case_["calls"].items()) {
                const std::string &text = call.AsString();
                if (text.rfind("u = {", 0) != 0) continue;
                std::string inner = text.substr(5, text.size() - 6);
                for (const std::string &pair : SplitTop(inner, ",")) {
                    const auto xy = SplitTop(pair.substr(1, pair.size() - 2), ",");
                    points_.push_back(POINT{std::stoi(xy[0]), std::stoi(xy[1])});
                }
            }
        return points_.data();
    }

    Value NewRegion(HRGN region) {
        Value &slot = r_ == 0 ? r_ : r2_;
        slot = H(region);
        return slot;
    }

    Value Eval(const std::string &text) {
        const std::string s = Trim(text);
        if (const auto parts = SplitTop(s, "|"); parts.size() > 1) {
            Value v = 0;
            for (const auto &p : parts) v |= Eval(p);
            return v;
        }
        if (const auto parts = SplitTop(s, " - "); parts.size() == 2) return Eval(parts[0]) - Eval(parts[1]);
        if (const auto parts = SplitTop(s, " + "); parts.size() == 2) return Eval(parts[0]) + Eval(parts[1]);
        if (std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-') return std::stoll(s, nullptr, 0);
        const std::size_t open = s.find('(');
        if (open == std::string::npos) return Name(s);
        const std::string fn = s.substr(0, open);
        std::vector<Value> a;
        for (const std::string &arg : SplitTop(s.substr(open + 1, s.size() - open - 2), ",")) a.push_back(Eval(arg));
        return Call(fn, a);
    }

    Value Name(const std::string &s) {
        static const std::map<std::string, Value> constants = {
            {"NULL", 0}, {"R2_NOT", R2_NOT}, {"R2_NOTCOPYPEN", R2_NOTCOPYPEN}, {"PATCOPY", PATCOPY},
            {"BLACKNESS", BLACKNESS}, {"SRCCOPY", SRCCOPY}, {"EDGE_SUNKEN", EDGE_SUNKEN}, {"BF_RECT", BF_RECT},
            {"BF_ADJUST", BF_ADJUST}, {"ALTERNATE", ALTERNATE}, {"RGN_OR", RGN_OR}, {"NULL_BRUSH", NULL_BRUSH},
            {"NULL_PEN", NULL_PEN}, {"BLACK_BRUSH", BLACK_BRUSH}, {"PS_SOLID", PS_SOLID},
            {"RED", RGB(255, 0, 0)}, {"BLUE", RGB(0, 0, 255)}, {"cx", 10}, {"cy", 8}};
        if (auto it = constants.find(s); it != constants.end()) return it->second;
        if (s == "dc") return H(dc_);
        if (s == "mem") return H(mem_);
        if (s == "pen") return pen_;
        if (s == "br") return br_;
        if (s == "r" || s == "clip") return r_;
        if (s == "r2") return r2_;
        if (s == "&rc") return H(&rc_);
        if (s == "u") return H(Points());
        ADD_FAILURE() << "unknown name " << s;
        return 0;
    }

    Value Call(const std::string &fn, const std::vector<Value> &a) {
        const auto i = [&](std::size_t k) { return static_cast<int>(a.at(k)); };
        const auto h = [&](std::size_t k) { return AsHandle<void>(a.at(k)); };
        HDC d = static_cast<HDC>(h(0));
        if (fn == "RGB") return RGB(i(0), i(1), i(2));
        if (fn == "GetStockObject") return H(GetStockObject(i(0)));
        if (fn == "CreatePen") return H(CreatePen(i(0), i(1), static_cast<COLORREF>(a[2])));
        if (fn == "CreateSolidBrush") return H(CreateSolidBrush(static_cast<COLORREF>(a[0])));
        if (fn == "SelectObject") return H(SelectObject(d, h(1)));
        if (fn == "Rectangle") return Rectangle(d, i(1), i(2), i(3), i(4));
        if (fn == "Ellipse") return Ellipse(d, i(1), i(2), i(3), i(4));
        if (fn == "MoveToEx") return MoveToEx(d, i(1), i(2), nullptr);
        if (fn == "LineTo") return LineTo(d, i(1), i(2));
        if (fn == "SetROP2") return SetROP2(d, i(1));
        if (fn == "CreateRectRgn") return NewRegion(CreateRectRgn(i(0), i(1), i(2), i(3)));
        if (fn == "CreateEllipticRgn") return NewRegion(CreateEllipticRgn(i(0), i(1), i(2), i(3)));
        if (fn == "CreatePolygonRgn")
            return NewRegion(CreatePolygonRgn(static_cast<const POINT *>(h(0)), i(1), i(2)));
        if (fn == "CombineRgn") return CombineRgn(static_cast<HRGN>(h(0)), static_cast<HRGN>(h(1)), static_cast<HRGN>(h(2)), i(3));
        if (fn == "SetRectRgn") return SetRectRgn(static_cast<HRGN>(h(0)), i(1), i(2), i(3), i(4));
        if (fn == "FrameRgn") return FrameRgn(d, static_cast<HRGN>(h(1)), static_cast<HBRUSH>(h(2)), i(3), i(4));
        if (fn == "SetRect") return SetRect(static_cast<RECT *>(h(0)), i(1), i(2), i(3), i(4));
        if (fn == "FillRect") return FillRect(d, static_cast<RECT *>(h(1)), static_cast<HBRUSH>(h(2)));
        if (fn == "SetTextColor") return SetTextColor(d, static_cast<COLORREF>(a[1]));
        if (fn == "SetBkColor") return SetBkColor(d, static_cast<COLORREF>(a[1]));
        if (fn == "SetBrushOrgEx") return SetBrushOrgEx(d, i(1), i(2), nullptr);
        if (fn == "SetViewportOrgEx") return SetViewportOrgEx(d, i(1), i(2), nullptr);
        if (fn == "SaveDC") return SaveDC(d);
        if (fn == "DrawEdge") return DrawEdge(d, static_cast<RECT *>(h(1)), static_cast<UINT>(a[2]), static_cast<UINT>(a[3]));
        if (fn == "RestoreDC") {
            const BOOL ok = RestoreDC(d, i(1));
            // The second fill of that case uses a red brush.
            DeleteObject(AsHandle<void>(br_));
            br_ = H(CreateSolidBrush(RGB(255, 0, 0)));
            return ok;
        }
        if (fn == "DeleteObject") {
            const BOOL ok = DeleteObject(h(0));
            if (a[0] == r_) r_ = 0;
            if (a[0] == r2_) r2_ = 0;
            return ok;
        }
        if (fn == "PatBlt") return PatBlt(d, i(1), i(2), i(3), i(4), static_cast<DWORD>(a[5]));
        if (fn == "SelectClipRgn") return SelectClipRgn(d, static_cast<HRGN>(h(1)));
        if (fn == "BitBlt")
            return BitBlt(d, i(1), i(2), i(3), i(4), static_cast<HDC>(h(5)), i(6), i(7), static_cast<DWORD>(a[8]));
        ADD_FAILURE() << "unknown call " << fn;
        return 0;
    }

    DrawCanvas &canvas_;
    const JsonValue &case_;
    HDC dc_;
    Value pen_ = 0, br_ = 0, r_ = 0, r2_ = 0, last_ = 0;
    RECT rc_{};
    std::vector<POINT> points_;
    HDC mem_ = nullptr;
    HBITMAP memBitmap_ = nullptr;
    HGDIOBJ memOld_ = nullptr;
};

// System colours a case's legend names, set for the case and put back after.
class SysColorScope {
public:
    explicit SysColorScope(const JsonValue &legend) {
        static const std::pair<char, int> kIndex[] = {
            {'s', COLOR_3DSHADOW}, {'h', COLOR_3DHIGHLIGHT}, {'d', COLOR_3DDKSHADOW}, {'l', COLOR_3DLIGHT}, {'f', COLOR_3DFACE}};
        for (const auto &[ch, index] : kIndex) {
            const JsonValue &entry = legend[std::string(1, ch)];
            if (entry.IsNull()) continue;
            indices_.push_back(index);
            saved_.push_back(GetSysColor(index));
            wanted_.push_back(Swap(ParseRgb(entry["rgb"].AsString())));
        }
        if (!indices_.empty()) SetSysColors(static_cast<int>(indices_.size()), indices_.data(), wanted_.data());
    }
    ~SysColorScope() {
        if (!indices_.empty()) SetSysColors(static_cast<int>(indices_.size()), indices_.data(), saved_.data());
    }

private:
    std::vector<INT> indices_;
    std::vector<COLORREF> saved_, wanted_;
};

class DrawVectors : public LeakCheckedTest {};

TEST_F(DrawVectors, EveryCaseMatchesItsMask) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("regions/draw.json"));
    ASSERT_EQ(doc["cases"].size(), 61u);
    for (const JsonValue &c : doc["cases"].items()) {
        const std::string id = c["id"].AsString();
        const std::string name = c["name"].AsString();
        const JsonValue &legend = c["legend"];
        std::map<COLORREF, char> charOf;
        for (const auto &[ch, entry] : legend.members()) charOf[Swap(ParseRgb(entry["rgb"].AsString()))] = ch[0];
        const char background = id == "draw-020" ? 'g' : '.';
        COLORREF fill = 0;
        for (const auto &[colour, ch] : charOf)
            if (ch == background) fill = colour;

        SysColorScope colours(legend);
        const int width = static_cast<int>(c["width"].AsInt()), height = static_cast<int>(c["height"].AsInt());
        DrawCanvas canvas(width, height, 32, fill);
        ASSERT_TRUE(canvas.ok()) << id;
        const long gdiBefore = LiveCounts::Now().gdi;
        {
            Replay replay(canvas, c);
            replay.Setup(c["setup"].AsString(), name);
            for (const JsonValue &call : c["calls"].items()) replay.Run(call.AsString());
            if (c.Has("ret")) {
                EXPECT_EQ(replay.last(), c["ret"].AsInt()) << id;
            }
            if (c.Has("rect_after")) {
                const JsonValue &r = c["rect_after"];
                EXPECT_EQ(replay.rc().left, r[0].AsInt()) << id;
                EXPECT_EQ(replay.rc().top, r[1].AsInt()) << id;
                EXPECT_EQ(replay.rc().right, r[2].AsInt()) << id;
                EXPECT_EQ(replay.rc().bottom, r[3].AsInt()) << id;
            }
        }
        EXPECT_EQ(LiveCounts::Now().gdi, gdiBefore) << id << " leaks";
        int differing = 0;
        std::ostringstream got;
        for (int y = 0; y < height; ++y) {
            const std::string &want = c["mask"][static_cast<std::size_t>(y)].AsString();
            for (int x = 0; x < width; ++x) {
                const auto it = charOf.find(canvas.Color(x, y));
                const char ch = it == charOf.end() ? '?' : it->second;
                got << ch;
                differing += ch != want[static_cast<std::size_t>(x)];
            }
            got << '\n';
        }
        std::ostringstream want;
        for (const JsonValue &row : c["mask"].items()) want << row.AsString() << '\n';
        EXPECT_EQ(differing, 0) << id << " " << name << "\ngot:\n" << got.str() << "want:\n" << want.str();
    }
}

}  // namespace
}  // namespace zelt::test
