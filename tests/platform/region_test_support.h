// Shared helpers of the region tests: reading a region back as pixel rows
// (the form the probe vectors use), building the shapes the vectors name,
// and checking the representation's invariants through the handle.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi/region.h"
#include "support/json_reader.h"
#include "zelt/win32.h"

namespace zelt::test {

// [y, x0, x1, x2, x3, ...] per non-empty row, ascending y; spans ascending,
// touching spans merged.
using PixelRows = std::vector<std::vector<long>>;

inline std::vector<RECT> RectsOf(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> buffer(size);
    auto *data = reinterpret_cast<RGNDATA *>(buffer.data());
    if (size == 0 || GetRegionData(region, size, data) != size) return {};
    std::vector<RECT> rects(data->rdh.nCount);
    if (!rects.empty()) std::memcpy(rects.data(), data->Buffer, rects.size() * sizeof(RECT));
    return rects;
}

inline PixelRows RowsOfRects(const std::vector<RECT> &rects) {
    std::map<long, std::vector<std::pair<long, long>>> byRow;
    for (const RECT &r : rects)
        if (r.left < r.right)
            for (long y = r.top; y < r.bottom; ++y) byRow[y].push_back({r.left, r.right});
    PixelRows out;
    for (auto &[y, spans] : byRow) {
        std::sort(spans.begin(), spans.end());
        std::vector<long> row{y};
        for (const auto &[x0, x1] : spans) {
            if (row.size() > 1 && x0 <= row.back())
                row.back() = std::max(row.back(), x1);
            else
                row.insert(row.end(), {x0, x1});
        }
        out.push_back(std::move(row));
    }
    return out;
}

inline PixelRows RowsOf(HRGN region) { return RowsOfRects(RectsOf(region)); }

inline PixelRows RowsOfJson(const JsonValue &rows) {
    PixelRows out;
    for (const JsonValue &row : rows.items()) {
        std::vector<long> values;
        for (const JsonValue &v : row.items()) values.push_back(static_cast<long>(v.AsInt()));
        out.push_back(std::move(values));
    }
    return out;
}

inline RECT RectOfJson(const JsonValue &box) {
    return RECT{static_cast<LONG>(box[0].AsInt()), static_cast<LONG>(box[1].AsInt()), static_cast<LONG>(box[2].AsInt()),
                static_cast<LONG>(box[3].AsInt())};
}

inline std::vector<RECT> RectListOfJson(const JsonValue &rects) {
    std::vector<RECT> out;
    for (const JsonValue &r : rects.items()) out.push_back(RectOfJson(r));
    return out;
}

inline bool SameRect(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string Describe(const RECT &r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

inline int IntArg(const JsonValue &args, std::size_t i) { return static_cast<int>(args[i].AsInt()); }

// The shape a vector names: {"call", "args"} or {"call", "points", "mode"}.
inline HRGN CreateShape(const JsonValue &shape) {
    const std::string &call = shape["call"].AsString();
    const JsonValue &args = shape["args"];
    if (call == "CreateRectRgn") return CreateRectRgn(IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3));
    if (call == "CreateEllipticRgn")
        return CreateEllipticRgn(IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3));
    if (call == "CreateRoundRectRgn")
        return CreateRoundRectRgn(IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3), IntArg(args, 4),
                                  IntArg(args, 5));
    if (call == "CreatePolygonRgn") {
        std::vector<POINT> points;
        for (const JsonValue &p : shape["points"].items())
            points.push_back({static_cast<LONG>(p[0].AsInt()), static_cast<LONG>(p[1].AsInt())});
        const int mode = shape["mode"].AsString() == "WINDING" ? WINDING : ALTERNATE;
        return CreatePolygonRgn(points.data(), static_cast<int>(points.size()), mode);
    }
    if (call == "TwoRects") {  // union of a rectangle and a 3x3 square
        HRGN a = CreateRectRgn(IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3));
        HRGN b = CreateRectRgn(IntArg(args, 4), IntArg(args, 5), IntArg(args, 4) + 3, IntArg(args, 5) + 3);
        CombineRgn(a, a, b, RGN_OR);
        DeleteObject(b);
        return a;
    }
    ADD_FAILURE() << "unknown shape call " << call;
    return nullptr;
}

// Pixel (x, y) of a polygon by its definition: the point is inside, with
// crossings to its left or on it counted, evaluated exactly in integers.
inline bool PolygonPixel(const std::vector<POINT> &points, int mode, int x, int y) {
    int crossings = 0;
    int winding = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        POINT p = points[i == 0 ? points.size() - 1 : i - 1], q = points[i];
        int direction = 1;
        if (p.y == q.y) continue;
        if (p.y > q.y) std::swap(p, q), direction = -1;
        if (y < p.y || y >= q.y) continue;
        // Crossing abscissa X = p.x + (y - p.y)(q.x - p.x)/(q.y - p.y) <= x.
        if (static_cast<long long>(y - p.y) * (q.x - p.x) <= static_cast<long long>(x - p.x) * (q.y - p.y)) {
            ++crossings;
            winding += direction;
        }
    }
    return mode == WINDING ? winding != 0 : crossings % 2 == 1;
}

inline const platform::RegionData *DataOf(HRGN region) {
    const auto *object = platform::FindObject<platform::RegionObject>(region);
    return object == nullptr ? nullptr : &object->data;
}

// Fails the test when the region behind the handle breaks an invariant.
inline void ExpectValid(HRGN region, const std::string &context) {
    const platform::RegionData *data = DataOf(region);
    ASSERT_NE(data, nullptr) << context;
    EXPECT_TRUE(data->Validate()) << context << ": region not in canonical form";
}

// RAII owner of a region handle.
class RegionHandle {
public:
    explicit RegionHandle(HRGN region = nullptr) : region_(region) {}
    RegionHandle(const RegionHandle &) = delete;
    RegionHandle &operator=(const RegionHandle &) = delete;
    ~RegionHandle() {
        if (region_ != nullptr) DeleteObject(region_);
    }
    HRGN get() const { return region_; }
    operator HRGN() const { return region_; }

private:
    HRGN region_;
};

}  // namespace zelt::test
