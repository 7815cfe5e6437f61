// The window manager: frame geometry against the recorded tables, the
// recorded message orders of creating, showing, resizing and destroying,
// stacking against an independent model over seeded random operations, and
// window data (properties, subclassing).
#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/json_reader.h"
#include "support/leak_guard.h"
#include "zelt/win32.h"

namespace zelt::test {
namespace {

std::vector<std::string> &Log() {
    static std::vector<std::string> log;
    return log;
}

// The messages whose order is the contract (the recording's incidental
// ones, and input, are left out on both sides).
const std::set<std::string> &Ordered() {
    static const std::set<std::string> names{
        "WM_GETMINMAXINFO", "WM_NCCREATE",      "WM_NCCALCSIZE",   "WM_CREATE",  "WM_SHOWWINDOW",
        "WM_WINDOWPOSCHANGING", "WM_WINDOWPOSCHANGED", "WM_NCACTIVATE", "WM_ACTIVATE", "WM_ACTIVATEAPP",
        "WM_KILLFOCUS",     "WM_SETFOCUS",      "WM_NCPAINT",      "WM_ERASEBKGND", "WM_SIZE", "WM_MOVE",
        "WM_DESTROY",       "WM_NCDESTROY"};
    return names;
}

const char *NameOf(UINT m) {
    static const std::pair<UINT, const char *> names[] = {
        {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"}, {WM_NCCREATE, "WM_NCCREATE"}, {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
        {WM_CREATE, "WM_CREATE"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"}, {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
        {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"}, {WM_NCACTIVATE, "WM_NCACTIVATE"}, {WM_ACTIVATE, "WM_ACTIVATE"},
        {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"}, {WM_KILLFOCUS, "WM_KILLFOCUS"}, {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_NCPAINT, "WM_NCPAINT"}, {WM_ERASEBKGND, "WM_ERASEBKGND"}, {WM_SIZE, "WM_SIZE"}, {WM_MOVE, "WM_MOVE"},
        {WM_DESTROY, "WM_DESTROY"}, {WM_NCDESTROY, "WM_NCDESTROY"}};
    for (const auto &[id, name] : names)
        if (id == m) return name;
    return nullptr;
}

// Windows are named by their text (the text being created until the window
// has its name); WINDOWPOS messages carry their flags.
const char *creating = nullptr;
LRESULT CALLBACK LoggingProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) SetPropA(hwnd, "TestName", const_cast<char *>(reinterpret_cast<CREATESTRUCTA *>(l)->lpszName));
    const char *who = static_cast<const char *>(GetPropA(hwnd, "TestName"));
    if (who == nullptr) who = creating;
    if (const char *name = NameOf(m); name != nullptr && who != nullptr) {
        std::string entry = std::string(who) + ":" + name;
        if (m == WM_WINDOWPOSCHANGING || m == WM_WINDOWPOSCHANGED) {
            char flags[16];
            std::snprintf(flags, sizeof flags, ":0x%04x", reinterpret_cast<WINDOWPOS *>(l)->flags);
            entry += flags;
        }
        Log().push_back(entry);
    }
    if (m == WM_NCDESTROY) RemovePropA(hwnd, "TestName");
    return DefWindowProcA(hwnd, m, w, l);
}

std::vector<std::string> Recorded(const JsonValue &log) {
    std::vector<std::string> kept;
    for (const JsonValue &e : log.items()) {
        if (!e["msg"].IsString() || Ordered().count(e["msg"].AsString()) == 0) continue;
        std::string entry = e["w"].AsString() + ":" + e["msg"].AsString();
        if (e["flags"].IsString()) entry += ":" + e["flags"].AsString();
        kept.push_back(entry);
    }
    return kept;
}

class WindowManager : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.cbWndExtra = 4;
        wc.lpszClassName = "WmTestClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
        Log().clear();
    }
    void TearDown() override {
        EXPECT_TRUE(UnregisterClassA("WmTestClass", nullptr));
        LeakCheckedTest::TearDown();
    }
    HWND Make(const char *name, DWORD style, int x, int y, int cx, int cy, HWND owner = nullptr) {
        creating = name;
        HWND made = CreateWindowExA(0, "WmTestClass", name, style, x, y, cx, cy, owner, nullptr, nullptr, nullptr);
        creating = nullptr;
        return made;
    }
};

std::vector<long> Rect(const RECT &r) { return {r.left, r.top, r.right, r.bottom}; }
std::vector<long> Ints(const JsonValue &v) {
    std::vector<long> out;
    for (const JsonValue &i : v.items()) out.push_back(static_cast<long>(i.AsInt()));
    return out;
}

TEST_F(WindowManager, GeometryMatchesRecordedTables) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue metrics = LoadJsonFile(PlatformVectorPath("meta_user/user_metrics.json"));
    static const std::pair<const char *, DWORD> styles[] = {
        {"WS_CAPTION", WS_CAPTION}, {"WS_CAPTION|WS_SYSMENU", WS_CAPTION | WS_SYSMENU},
        {"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW}, {"WS_POPUP", WS_POPUP}, {"WS_BORDER", WS_BORDER},
        {"WS_DLGFRAME", WS_DLGFRAME}, {"0 (WS_OVERLAPPED)", 0}};
    const JsonValue &table = metrics["AdjustWindowRect_of_0_0_200_100"];
    for (std::size_t i = 0; i < std::size(styles); ++i) {
        RECT r{0, 0, 200, 100};
        ASSERT_TRUE(AdjustWindowRect(&r, styles[i].second, FALSE));
        EXPECT_EQ(Rect(r), Ints(table[i]["rect"])) << styles[i].first;
    }
    RECT menu{0, 0, 200, 100};
    AdjustWindowRect(&menu, WS_CAPTION, TRUE);
    EXPECT_EQ(Rect(menu), Ints(table[8]["rect"]));
    for (const auto &[name, value] : metrics["GetSystemMetrics"].members()) {
        static const std::pair<const char *, int> ids[] = {{"SM_CYCAPTION", SM_CYCAPTION}, {"SM_CXFRAME", SM_CXFRAME},
            {"SM_CXDLGFRAME", SM_CXDLGFRAME}, {"SM_CXMINTRACK", SM_CXMINTRACK}, {"SM_CYMINTRACK", SM_CYMINTRACK},
            {"SM_CXMAXTRACK", SM_CXMAXTRACK}, {"SM_CYMAXTRACK", SM_CYMAXTRACK}, {"SM_CXSCREEN", SM_CXSCREEN}};
        for (const auto &[id, index] : ids)
            if (name == id) {
                EXPECT_EQ(GetSystemMetrics(index), value.AsInt()) << name;
            }
    }
    // Real windows: rectangles, mapping and the minimum tracking size.
    const JsonValue &windows = metrics["windows"];
    for (int i = 0; i < 3; ++i) {
        const JsonValue &row = windows[static_cast<std::size_t>(i)];
        const DWORD style = i == 1 ? WS_CAPTION | WS_SYSMENU : WS_CAPTION;
        HWND h = Make("geo", style, 100, 50, static_cast<int>(row["size"][0].AsInt()), static_cast<int>(row["size"][1].AsInt()));
        RECT wr, cr;
        GetWindowRect(h, &wr);
        GetClientRect(h, &cr);
        EXPECT_EQ(Rect(wr), Ints(row["GetWindowRect"]));
        EXPECT_EQ(Rect(cr), Ints(row["GetClientRect"]));
        if (i < 2) {
            POINT o{0, 0}, s{150, 100};
            ClientToScreen(h, &o);
            ScreenToClient(h, &s);
            EXPECT_EQ((std::vector<long>{o.x, o.y, s.x, s.y}),
                      (std::vector<long>{Ints(row["ClientToScreen_0_0"])[0], Ints(row["ClientToScreen_0_0"])[1],
                                         Ints(row["ScreenToClient_150_100"])[0], Ints(row["ScreenToClient_150_100"])[1]}));
            EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)), std::stoul(row["GWL_STYLE"].AsString(), nullptr, 16));
        }
        DestroyWindow(h);
    }
}

// Creation, showing, resizing and destruction against the recorded logs.
TEST_F(WindowManager, MessageOrderReplaysRecordedLogs) {
    ZELT_SKIP_WITHOUT_VECTORS();
    const JsonValue create = LoadJsonFile(PlatformVectorPath("meta_user/user_create.json"));
    const JsonValue show = LoadJsonFile(PlatformVectorPath("meta_user/user_show.json"));
    const JsonValue messages = LoadJsonFile(PlatformVectorPath("meta_user/user_messages.json"));
    HWND owner = Make("owner", WS_OVERLAPPEDWINDOW, 20, 20, 400, 300);
    EXPECT_EQ(Log(), Recorded(create["owner_create"]["log"]));
    ShowWindow(owner, SW_SHOW);
    Log().clear();
    HWND pan = Make("pan", WS_CAPTION, 50, 60, 206, 125, owner);
    EXPECT_EQ(Log(), Recorded(create["owned_caption_create"]["log"]));
    EXPECT_EQ(GetWindow(pan, GW_OWNER), owner);
    // As recorded, a second owned window created later sits above it.
    Make("pan2", WS_CAPTION | WS_SYSMENU, 300, 60, 206, 125, owner);
    Log().clear();
    EXPECT_FALSE(ShowWindow(pan, SW_SHOW));
    EXPECT_EQ(Log(), Recorded(show["ShowWindow_SW_SHOW_hidden_owned"]["log"]));
    EXPECT_EQ(GetActiveWindow(), pan);
    EXPECT_EQ(GetFocus(), pan);
    Log().clear();
    EXPECT_TRUE(ShowWindow(pan, SW_SHOW));
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(SetWindowPos(pan, nullptr, 0, 0, 306, 175, SWP_NOMOVE));
    EXPECT_EQ(Log(), Recorded(show["SetWindowPos_SWP_NOMOVE"]["log"]));
    HWND pan3 = Make("pan3", WS_CAPTION | WS_SYSMENU, 600, 400, 126, 85, owner);
    Log().clear();
    EXPECT_TRUE(DestroyWindow(owner));
    std::vector<std::string> withoutPan2;
    std::copy_if(Log().begin(), Log().end(), std::back_inserter(withoutPan2),
                 [](const std::string &e) { return e.rfind("pan2:", 0) != 0; });
    EXPECT_EQ(withoutPan2, Recorded(messages["DestroyWindow_owner_with_owned_windows"]["log"]));
    EXPECT_FALSE(IsWindow(pan3));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

// Stacking: random raises, shows and hides of owned and free windows,
// compared with a model in which a raised window goes to the top and the
// windows it owns (in their order) above it.
TEST_F(WindowManager, StackingFollowsModel) {
    std::mt19937 random(1234);
    std::vector<HWND> windows, owners;
    std::vector<HWND> model;  // top first
    const auto ownerOf = [&](HWND h) { return owners[static_cast<std::size_t>(std::find(windows.begin(), windows.end(), h) - windows.begin())]; };
    const auto ownedBy = [&](HWND h, HWND owner) {
        for (HWND o = ownerOf(h); o != nullptr; o = ownerOf(o))
            if (o == owner) return true;
        return false;
    };
    const auto raise = [&](HWND h) {
        model.erase(std::find(model.begin(), model.end(), h));
        std::vector<HWND> lifted;
        std::vector<HWND> rest;
        for (HWND w : model) (ownedBy(w, h) ? lifted : rest).push_back(w);
        model = lifted;
        model.push_back(h);
        model.insert(model.end(), rest.begin(), rest.end());
    };
    for (int i = 0; i < 8; ++i) {
        HWND owner = i > 0 && random() % 2 ? windows[random() % windows.size()] : nullptr;
        const int x = static_cast<int>(random() % 300), y = static_cast<int>(random() % 300);
        HWND h = Make("s", WS_CAPTION, x, y, 150 + static_cast<int>(random() % 200), 100 + static_cast<int>(random() % 200), owner);
        windows.push_back(h);
        owners.push_back(owner);
        model.insert(model.begin(), h);
        raise(h);
    }
    std::set<HWND> shown;
    for (int step = 0; step < 300; ++step) {
        HWND h = windows[random() % windows.size()];
        switch (random() % 3) {
            case 0: BringWindowToTop(h); raise(h); break;
            case 1: ShowWindow(h, SW_SHOWNA); shown.insert(h); break;
            default: ShowWindow(h, SW_HIDE); shown.erase(h); break;
        }
        std::vector<HWND> order;
        for (HWND w = GetWindow(windows[0], GW_HWNDFIRST); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) order.push_back(w);
        ASSERT_EQ(order, model) << "step " << step;
        const POINT p{static_cast<LONG>(random() % 600), static_cast<LONG>(random() % 600)};
        HWND expected = nullptr;
        for (HWND w : model) {
            RECT r;
            GetWindowRect(w, &r);
            if (shown.count(w) != 0 && PtInRect(&r, p)) {
                expected = w;
                break;
            }
        }
        ASSERT_EQ(WindowFromPoint(p), expected) << "step " << step;
    }
    for (HWND h : windows) DestroyWindow(h);
}

LRESULT CALLBACK Subclass(HWND h, UINT m, WPARAM w, LPARAM l);
WNDPROC previous = nullptr;
LRESULT CALLBACK Subclass(HWND h, UINT m, WPARAM w, LPARAM l) {
    return m == WM_USER + 7 ? 77 : CallWindowProcA(previous, h, m, w, l) + (m == WM_GETTEXTLENGTH ? 100 : 0);
}

TEST_F(WindowManager, WindowDataPropertiesAndSubclassing) {
    HWND h = Make("data", WS_CAPTION, 0, 0, 100, 100);
    EXPECT_EQ(SetWindowLongA(h, 0, 0x12345678), 0);
    EXPECT_EQ(GetWindowLongA(h, 0), 0x12345678);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongA(h, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    // Properties: case-insensitive names, atoms, replacement, removal.
    EXPECT_TRUE(SetPropA(h, "Alpha", reinterpret_cast<HANDLE>(1)));
    EXPECT_TRUE(SetPropA(h, "ALPHA", reinterpret_cast<HANDLE>(2)));
    EXPECT_EQ(GetPropA(h, MAKEINTRESOURCEA(GlobalFindAtomA("alpha"))), reinterpret_cast<HANDLE>(2));
    EXPECT_EQ(RemovePropA(h, "alpha"), reinterpret_cast<HANDLE>(2));
    EXPECT_EQ(GetPropA(h, "Alpha"), nullptr);
    EXPECT_TRUE(SetPropA(h, "Left", reinterpret_cast<HANDLE>(3)));  // freed with the window
    // Subclassing returns the class procedure and restores it.
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
    EXPECT_EQ(previous, LoggingProc);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetClassLongPtrA(h, GCLP_WNDPROC)), LoggingProc);
    EXPECT_EQ(SendMessageA(h, WM_USER + 7, 0, 0), 77);
    EXPECT_TRUE(SetWindowTextA(h, "New Title"));
    EXPECT_EQ(GetWindowTextLengthA(h), 109);
    EXPECT_EQ(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous)), reinterpret_cast<LONG_PTR>(Subclass));
    char text[8];
    EXPECT_EQ(GetWindowTextA(h, text, sizeof text), 7);
    EXPECT_STREQ(text, "New Tit");
    EXPECT_EQ(GetWindowTextLengthA(h), 9);
    EXPECT_TRUE(DestroyWindow(h));
    SetLastError(0);
    EXPECT_EQ(GetPropA(h, "Left"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
}  // namespace zelt::test
