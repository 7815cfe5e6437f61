// Region shapes and operations replayed against the probed vectors: pixel
// rows always, types and boxes from the canonical form, rectangle lists where
// the reference stored them canonically.
#include <map>
#include <set>
#include <string>

#include "platform/region_test_support.h"
#include "support/leak_guard.h"

namespace zelt::test {
namespace {

class RegionVectors : public LeakCheckedTest {};

const JsonValue &CaseById(const JsonValue &doc, const std::string &id) {
    for (const JsonValue &c : doc["cases"].items())
        if (c["id"].AsString() == id) return c;
    ADD_FAILURE() << "no case " << id;
    static const JsonValue null;
    return null;
}

// Checks a region against the fields `prefix`type, box, rows, rects of a case.
// The reference keeps ellipses one rectangle per row, so `compareRects` is
// false where such a region passes through unmerged.
void ExpectRegionFields(HRGN region, const JsonValue &c, const std::string &prefix, const std::string &context,
                        bool compareRects = true) {
    ExpectValid(region, context);
    EXPECT_EQ(RowsOf(region), RowsOfJson(c[prefix + "rows"])) << context;
    RECT box{-1, -1, -1, -1};
    EXPECT_EQ(GetRgnBox(region, &box), c[prefix + "type"].AsInt()) << context;
    EXPECT_TRUE(SameRect(box, RectOfJson(c[prefix + "box"]))) << context << " box " << Describe(box);
    if (!compareRects) return;
    const std::vector<RECT> expected = RectListOfJson(c[prefix + "rects"]);
    const std::vector<RECT> actual = RectsOf(region);
    ASSERT_EQ(actual.size(), expected.size()) << context;
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_TRUE(SameRect(actual[i], expected[i])) << context << " rect " << i << " " << Describe(actual[i]);
}

// The fields every shape or combine case pins: rows, canonical type and box,
// and the reference's own type, box and rectangles where they are canonical.
void ExpectCaseResult(HRGN region, const JsonValue &c, const std::string &context) {
    ExpectValid(region, context);
    EXPECT_EQ(RowsOf(region), RowsOfJson(c["rows"])) << context;
    RECT box{-1, -1, -1, -1};
    const int type = GetRgnBox(region, &box);
    EXPECT_EQ(type, c["canonical_type"].AsInt()) << context;
    EXPECT_TRUE(SameRect(box, RectOfJson(c["canonical_box"]))) << context << " box " << Describe(box);
    if (c["reference_defect"].IsNull() && !c["noncanonical_rects"].AsBool()) {
        EXPECT_EQ(type, c["type"].AsInt()) << context;
        EXPECT_TRUE(SameRect(box, RectOfJson(c["box"]))) << context;
        const std::vector<RECT> expected = RectListOfJson(c["rects"]);
        const std::vector<RECT> actual = RectsOf(region);
        ASSERT_EQ(actual.size(), expected.size()) << context;
        for (std::size_t i = 0; i < actual.size(); ++i)
            EXPECT_TRUE(SameRect(actual[i], expected[i])) << context << " rect " << i;
    }
    // PtInRegion agrees with the rows on the box grown by 2: every row, and
    // every column where some row's membership can change.
    const PixelRows rows = RowsOfJson(c["rows"]);
    std::map<long, std::vector<long>> byY;
    std::set<LONG> columns{box.left - 2, box.left - 1, box.right, box.right + 1};
    for (const auto &row : rows) {
        byY[row[0]] = std::vector<long>(row.begin() + 1, row.end());
        for (std::size_t i = 1; i < row.size(); ++i)
            for (long dx = -1; dx <= 0; ++dx) columns.insert(static_cast<LONG>(row[i] + dx));
    }
    for (LONG y = box.top - 2; y < box.bottom + 2; ++y)
        for (LONG x : columns) {
            bool inside = false;
            if (auto it = byY.find(y); it != byY.end())
                for (std::size_t i = 0; i + 1 < it->second.size(); i += 2)
                    inside = inside || (it->second[i] <= x && x < it->second[i + 1]);
            ASSERT_EQ(PtInRegion(region, x, y) != 0, inside) << context << " at " << x << "," << y;
        }
}

bool IsDegenerateRect(const JsonValue &args) { return args[0].AsInt() == args[2].AsInt() || args[1].AsInt() == args[3].AsInt(); }

// Rows the reference left undefined: the shape must still be valid and
// symmetric about both axes of its rectangle, as the recurrence makes it.
void ExpectSymmetric(HRGN region, const JsonValue &args, const std::string &context) {
    ExpectValid(region, context);
    const long l = std::min(args[0].AsInt(), args[2].AsInt()), r = std::max(args[0].AsInt(), args[2].AsInt()) - 1;
    const long t = std::min(args[1].AsInt(), args[3].AsInt()), b = std::max(args[1].AsInt(), args[3].AsInt()) - 1;
    for (long y = t; y < b; ++y)
        for (long x = l; x < r; ++x) {
            const bool in = PtInRegion(region, x, y) != 0;
            ASSERT_EQ(in, PtInRegion(region, l + r - 1 - x, y) != 0) << context << " at " << x << "," << y;
            ASSERT_EQ(in, PtInRegion(region, x, t + b - 1 - y) != 0) << context << " at " << x << "," << y;
        }
}

void ReplayShapes(const std::string &file, int expectedCases) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("regions/" + file));
    int replayed = 0;
    for (const JsonValue &c : doc["cases"].items()) {
        const std::string context = c["id"].AsString();
        RegionHandle region(CreateShape(c));
        ASSERT_NE(region.get(), nullptr) << context;
        ++replayed;
        if (c["rows"].IsNull()) {
            ExpectSymmetric(region, c["args"], context);
            continue;
        }
        const std::string &call = c["call"].AsString();
        if (!c["reference_defect"].IsNull() && call != "CreatePolygonRgn" && IsDegenerateRect(c["args"])) {
            // A zero-size rectangle gives no pixels (the reference's strip is an artefact).
            EXPECT_EQ(GetRgnBox(region, nullptr), NULLREGION) << context;
            continue;
        }
        ExpectCaseResult(region, c, context);
        const JsonValue &args = c["args"];
        if (c["indirect_equal"].AsBool()) {
            const RECT r = {IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3)};
            RegionHandle indirect(call == "CreateRectRgn" ? CreateRectRgnIndirect(&r) : CreateEllipticRgnIndirect(&r));
            EXPECT_TRUE(EqualRgn(region, indirect)) << context << " indirect";
        }
        if (c["setrectrgn_equal"].AsBool()) {
            RegionHandle set(CreateEllipticRgn(0, 0, 20, 20));
            EXPECT_EQ(SetRectRgn(set, IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3)),
                      c["setrectrgn_return"].AsInt());
            EXPECT_TRUE(EqualRgn(region, set)) << context << " SetRectRgn";
        }
        if (c["equals_roundrect_full_corners"].AsBool()) {
            RegionHandle round(CreateRoundRectRgn(IntArg(args, 0), IntArg(args, 1), IntArg(args, 2), IntArg(args, 3),
                                                  IntArg(args, 2) - IntArg(args, 0), IntArg(args, 3) - IntArg(args, 1)));
            EXPECT_TRUE(EqualRgn(region, round)) << context << " round rect";
        }
    }
    EXPECT_EQ(replayed, expectedCases);
}

TEST_F(RegionVectors, Rectangles) { ReplayShapes("rect.json", 16); }
TEST_F(RegionVectors, Ellipses) { ReplayShapes("ellipse.json", 93); }
TEST_F(RegionVectors, RoundRectangles) { ReplayShapes("roundrect.json", 54); }
TEST_F(RegionVectors, Polygons) { ReplayShapes("polygon.json", 77); }

TEST_F(RegionVectors, CombineAllModes) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("regions/combine.json"));
    int replayed = 0;
    for (const JsonValue &c : doc["cases"].items()) {
        const std::string context = c["id"].AsString() + " " + c["name"].AsString() + " " + c["mode"].AsString();
        RegionHandle a(CreateShape(c["a"]));
        RegionHandle b(CreateShape(c["b"]));
        ASSERT_TRUE(a.get() && b.get()) << context;
        EXPECT_EQ(RowsOf(a), RowsOfJson(c["a_rows"])) << context << " input a";
        EXPECT_EQ(RowsOf(b), RowsOfJson(c["b_rows"])) << context << " input b";
        RegionHandle result(CreateRectRgn(40, 40, 50, 50));  // prior content is discarded
        const int mode = static_cast<int>(c["mode_value"].AsInt());
        EXPECT_EQ(CombineRgn(result, a, b, mode), c["ret"].AsInt()) << context;
        ExpectCaseResult(result, c, context);
        // In place: the destination is the first source.
        EXPECT_EQ(CombineRgn(a, a, b, mode), c["in_place_ret"].AsInt()) << context;
        EXPECT_TRUE(EqualRgn(a, result)) << context << " in place";
        ++replayed;
    }
    EXPECT_EQ(replayed, 90);
}

// The region rows of ops.json, replayed in the probe's order.
TEST_F(RegionVectors, Operations) {
    const JsonValue doc = LoadJsonFile(PlatformVectorPath("regions/ops.json"));
    auto ret = [&](const char *id) { return static_cast<long>(CaseById(doc, id)["ret"].AsInt()); };

    RegionHandle h(CreateEllipticRgn(0, 0, 20, 20));
    EXPECT_EQ(SetRectRgn(h, 3, 4, 9, 8), ret("ops-000"));
    ExpectRegionFields(h, CaseById(doc, "ops-000"), "", "ops-000");
    EXPECT_EQ(SetRectRgn(h, 9, 8, 3, 4), ret("ops-001"));
    ExpectRegionFields(h, CaseById(doc, "ops-001"), "", "ops-001");
    EXPECT_EQ(SetRectRgn(h, 5, 5, 5, 9), ret("ops-002"));
    ExpectRegionFields(h, CaseById(doc, "ops-002"), "", "ops-002");
    EXPECT_EQ(SetRectRgn(nullptr, 0, 0, 5, 5), ret("ops-003"));

    RegionHandle moved(CreateRectRgn(0, 0, 10, 10));
    EXPECT_EQ(OffsetRgn(moved, 5, -3), ret("ops-004"));
    ExpectRegionFields(moved, CaseById(doc, "ops-004"), "", "ops-004");
    EXPECT_EQ(OffsetRgn(moved, 0, 0), ret("ops-005"));
    ExpectRegionFields(moved, CaseById(doc, "ops-005"), "", "ops-005");
    RegionHandle empty(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(OffsetRgn(empty, 7, 9), ret("ops-006"));
    ExpectRegionFields(empty, CaseById(doc, "ops-006"), "", "ops-006");
    RegionHandle ellipse(CreateEllipticRgn(0, 0, 8, 6));
    EXPECT_EQ(OffsetRgn(ellipse, -20, 100), ret("ops-007"));
    ExpectRegionFields(ellipse, CaseById(doc, "ops-007"), "", "ops-007", false);
    EXPECT_EQ(OffsetRgn(nullptr, 1, 1), ret("ops-008"));

    for (const char *id : {"ops-009", "ops-010"}) {
        RECT rc{1, 2, 3, 4};
        EXPECT_EQ(GetRgnBox(std::string(id) == "ops-009" ? nullptr : empty.get(), &rc), ret(id)) << id;
        EXPECT_TRUE(SameRect(rc, RectOfJson(CaseById(doc, id)["rc"]))) << id;
    }

    RegionHandle small(CreateRectRgn(2, 3, 7, 9));
    const struct {
        const char *id;
        int x, y;
    } points[] = {{"ops-011", 2, 3}, {"ops-012", 6, 8}, {"ops-013", 7, 3}, {"ops-014", 2, 9},
                  {"ops-015", 7, 9}, {"ops-016", 1, 3}, {"ops-017", 2, 2}};
    for (const auto &p : points) EXPECT_EQ(PtInRegion(small, p.x, p.y), ret(p.id)) << p.id;
    EXPECT_EQ(PtInRegion(nullptr, 0, 0), ret("ops-018"));

    RegionHandle a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15)), d(CreateRectRgn(20, 20, 30, 30));
    EXPECT_EQ(CombineRgn(d, a, b, 0), ret("ops-019"));
    ExpectRegionFields(d, CaseById(doc, "ops-019"), "dst_", "ops-019");
    EXPECT_EQ(CombineRgn(d, a, b, 6), ret("ops-020"));
    ExpectRegionFields(d, CaseById(doc, "ops-020"), "dst_", "ops-020");
    EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_AND), ret("ops-021"));
    ExpectRegionFields(d, CaseById(doc, "ops-021"), "dst_", "ops-021");
    EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_COPY), ret("ops-022"));
    ExpectRegionFields(d, CaseById(doc, "ops-022"), "dst_", "ops-022");
    EXPECT_EQ(CombineRgn(nullptr, a, b, RGN_OR), ret("ops-023"));
    SetRectRgn(d, 20, 20, 30, 30);
    EXPECT_EQ(CombineRgn(d, nullptr, b, RGN_COPY), ret("ops-024"));
    ExpectRegionFields(d, CaseById(doc, "ops-024"), "dst_", "ops-024");
    SetRectRgn(d, 0, 0, 10, 10);
    EXPECT_EQ(CombineRgn(d, d, d, RGN_XOR), ret("ops-025"));
    ExpectRegionFields(d, CaseById(doc, "ops-025"), "dst_", "ops-025");
    SetRectRgn(d, 0, 0, 10, 10);
    EXPECT_EQ(CombineRgn(d, d, d, RGN_DIFF), ret("ops-026"));
    ExpectRegionFields(d, CaseById(doc, "ops-026"), "dst_", "ops-026");
    SetRectRgn(d, 5, 5, 15, 15);
    EXPECT_EQ(CombineRgn(d, a, d, RGN_DIFF), ret("ops-027"));
    ExpectRegionFields(d, CaseById(doc, "ops-027"), "dst_", "ops-027");

    RegionHandle twoRects(CreateRectRgn(0, 0, 10, 10)), second(CreateRectRgn(20, 0, 30, 10));
    CombineRgn(twoRects, twoRects, second, RGN_OR);
    const DWORD size = GetRegionData(twoRects, 0, nullptr);
    EXPECT_EQ(size, static_cast<DWORD>(ret("ops-028")));
    alignas(RGNDATA) unsigned char buffer[256];
    auto *data = reinterpret_cast<RGNDATA *>(buffer);
    const JsonValue &header = CaseById(doc, "ops-029");
    EXPECT_EQ(GetRegionData(twoRects, size, data), static_cast<DWORD>(ret("ops-029")));
    EXPECT_EQ(data->rdh.dwSize, header["dwSize"].AsInt());
    EXPECT_EQ(data->rdh.iType, header["iType"].AsInt());
    EXPECT_EQ(data->rdh.nCount, header["nCount"].AsInt());
    EXPECT_EQ(data->rdh.nRgnSize, header["nRgnSize"].AsInt());
    EXPECT_TRUE(SameRect(data->rdh.rcBound, RectOfJson(header["rcBound"])));
    EXPECT_EQ(GetRegionData(twoRects, size + 100, data), static_cast<DWORD>(ret("ops-030")));
    EXPECT_EQ(GetRegionData(twoRects, size - 1, data), static_cast<DWORD>(ret("ops-031")));
    SetRectRgn(second, 0, 0, 0, 0);
    EXPECT_EQ(GetRegionData(second, 0, nullptr), static_cast<DWORD>(ret("ops-032")));

    static const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    for (int mode = 0; mode <= 3; ++mode) {
        const JsonValue &c = CaseById(doc, "ops-03" + std::to_string(3 + mode));
        RegionHandle polygon(CreatePolygonRgn(star, 5, mode));
        ASSERT_EQ(polygon.get() == nullptr, c["handle_null"].AsBool()) << "mode " << mode;
        EXPECT_EQ(PtInRegion(polygon, 10, 10), c["centre_inside"].AsInt()) << "mode " << mode;
    }
}

}  // namespace
}  // namespace zelt::test
