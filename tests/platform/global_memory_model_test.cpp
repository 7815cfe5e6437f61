// Global memory under seeded random call sequences, checked against a
// simple model of every block (kind, size, lock count, discarded, contents),
// plus failure injection and a two-thread smoke test.
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "support/leak_guard.h"
#include "zelt/host.h"

namespace zelt::test {
namespace {

struct ModelBlock {
    bool moveable = false;
    bool discarded = false;
    unsigned locks = 0;
    std::vector<unsigned char> bytes;
};

struct Rng {
    std::uint32_t x;
    std::uint32_t Next() {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    }
    std::size_t Size() {
        const std::size_t sizes[] = {0, 1, 15, 16, 17, 100, 255, 4096};
        return (Next() & 1) ? sizes[Next() % 8] : Next() % 3000;
    }
};

class GlobalMemoryModel : public LeakCheckedTest {};

void CheckBlock(HGLOBAL h, const ModelBlock &model, unsigned seed, int step) {
    const UINT flags = GlobalFlags(h);
    ASSERT_EQ(flags & GMEM_LOCKCOUNT, model.moveable ? std::min(model.locks, 255u) : 0u) << "case " << seed << " step " << step;
    ASSERT_EQ((flags & GMEM_DISCARDED) != 0, model.discarded) << "case " << seed << " step " << step;
    if (model.discarded) {
        ASSERT_EQ(GlobalSize(h), 0u) << "case " << seed << " step " << step;
        return;
    }
    ASSERT_EQ(GlobalSize(h), model.bytes.size()) << "case " << seed << " step " << step;
    auto *data = static_cast<unsigned char *>(GlobalLock(h));
    ASSERT_NE(data, nullptr) << "case " << seed << " step " << step;
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(data) % (2 * sizeof(void *)), 0u);
    ASSERT_EQ(GlobalHandle(data), h) << "case " << seed << " step " << step;
    ASSERT_TRUE(model.bytes.empty() || std::memcmp(data, model.bytes.data(), model.bytes.size()) == 0)
        << "case " << seed << " step " << step << ": contents differ";
    GlobalUnlock(h);
}

TEST_F(GlobalMemoryModel, RandomSequencesMatchModel) {
    const long base = ZeltHostLiveGlobalBlocks();
    for (unsigned seed = 1; seed <= 200; ++seed) {
        Rng rng{seed * 0x9E3779B9u + 1};
        std::map<HGLOBAL, ModelBlock> blocks;
        // Frees what is left on every exit, a failed assertion included.
        struct FreeAll {
            std::map<HGLOBAL, ModelBlock> &blocks;
            ~FreeAll() {
                for (auto &entry : blocks) GlobalFree(entry.first);
            }
        } freeAll{blocks};
        for (int step = 0; step < 120; ++step) {
            const unsigned action = rng.Next() % 8;
            auto pick = [&]() -> std::map<HGLOBAL, ModelBlock>::iterator {
                if (blocks.empty()) return blocks.end();
                auto it = blocks.begin();
                std::advance(it, rng.Next() % blocks.size());
                return it;
            };
            auto chosen = pick();
            if (action <= 1 || chosen == blocks.end()) {
                const bool moveable = rng.Next() & 1;
                const std::size_t size = rng.Size();
                HGLOBAL h = GlobalAlloc((moveable ? GMEM_MOVEABLE : GMEM_FIXED) | GMEM_ZEROINIT, size);
                ASSERT_NE(h, nullptr) << "case " << seed << " step " << step;
                ModelBlock model;
                model.moveable = moveable;
                model.discarded = moveable && size == 0;
                // A fixed block always has at least one byte.
                model.bytes.assign(moveable ? size : std::max<std::size_t>(size, 1), 0);
                blocks[h] = model;
                continue;
            }
            HGLOBAL h = chosen->first;
            ModelBlock &model = chosen->second;
            switch (action) {
                case 2: {  // lock, write a pattern, maybe stay locked
                    auto *data = static_cast<unsigned char *>(GlobalLock(h));
                    if (model.discarded) {
                        ASSERT_EQ(data, nullptr);
                        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISCARDED));
                        break;
                    }
                    ASSERT_NE(data, nullptr);
                    for (std::size_t i = 0; i < model.bytes.size(); ++i)
                        data[i] = model.bytes[i] = static_cast<unsigned char>(rng.Next());
                    if (model.moveable) ++model.locks;
                    break;
                }
                case 3: {  // unlock
                    SetLastError(1234);
                    const BOOL stillLocked = GlobalUnlock(h);
                    if (!model.moveable) {
                        ASSERT_TRUE(stillLocked);
                    } else if (model.locks == 0) {
                        ASSERT_FALSE(stillLocked);
                        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
                    } else {
                        --model.locks;
                        ASSERT_EQ(stillLocked != 0, model.locks != 0);
                        if (model.locks == 0) {
                            ASSERT_EQ(GetLastError(), 0u);
                        }
                    }
                    break;
                }
                case 4:
                case 5: {  // reallocate
                    const std::size_t size = rng.Size();
                    const UINT flags = GMEM_ZEROINIT | ((rng.Next() & 1) ? GMEM_MOVEABLE : 0);
                    HGLOBAL r = GlobalReAlloc(h, size, flags);
                    if (r == nullptr) {
                        // Refusals allowed: growing a block that may not move
                        // (fixed, or locked without GMEM_MOVEABLE), or
                        // discarding a locked block.
                        const bool pinned = !model.moveable || model.locks != 0;
                        const bool mayRefuse =
                            ((flags & GMEM_MOVEABLE) == 0 && pinned && size > model.bytes.size()) ||
                            (model.moveable && model.locks != 0 && size == 0 && (flags & GMEM_MOVEABLE));
                        ASSERT_TRUE(mayRefuse) << "case " << seed << " step " << step;
                        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
                        break;
                    }
                    if (model.moveable) {
                        ASSERT_EQ(r, h) << "a moveable handle never changes";
                    }
                    if (model.moveable && size == 0 && (flags & GMEM_MOVEABLE)) {
                        model.discarded = true;
                        model.bytes.clear();
                    } else {
                        model.discarded = false;
                        model.bytes.resize(model.moveable ? size : std::max<std::size_t>(size, 1), 0);
                    }
                    ModelBlock moved = model;
                    blocks.erase(chosen);
                    blocks[r] = moved;
                    h = r;
                    break;
                }
                case 6:  // check
                    break;
                case 7:  // free, then the handle is dead
                    ASSERT_EQ(GlobalFree(h), nullptr);
                    blocks.erase(chosen);
                    ASSERT_EQ(GlobalFlags(h) & GMEM_INVALID_HANDLE, static_cast<UINT>(GMEM_INVALID_HANDLE))
                        << "case " << seed << " step " << step;
                    continue;
            }
            ASSERT_EQ(ZeltHostLiveGlobalBlocks(), base + static_cast<long>(blocks.size())) << "case " << seed;
            CheckBlock(h, blocks[h], seed, step);
            if (HasFatalFailure()) return;
        }
    }
}

// Each allocation GlobalAlloc and GlobalReAlloc make can fail: NULL,
// ERROR_NOT_ENOUGH_MEMORY, the block being resized untouched, nothing leaked.
TEST_F(GlobalMemoryModel, AllocationFailureInjection) {
    for (UINT flags : {UINT{GMEM_FIXED}, UINT{GMEM_MOVEABLE}, UINT{GHND}, UINT{GMEM_MOVEABLE | GMEM_DDESHARE}}) {
        bool made = false;
        const long allocations = ForEachAllocationFailure(
            [&] {
                SetLastError(0);
                HGLOBAL h = GlobalAlloc(flags, 200);
                made = h != nullptr;
                GlobalFree(h);
            },
            [&](long failedAt) {
                EXPECT_FALSE(made) << "flags " << flags << ", allocation " << failedAt;
                EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
            });
        EXPECT_EQ(allocations, (flags & GMEM_MOVEABLE) ? 2 : 1) << "record and data for a moveable block";
    }
    for (UINT flags : {UINT{GMEM_FIXED}, UINT{GMEM_MOVEABLE}}) {
        HGLOBAL h = GlobalAlloc(flags, 100);
        auto *data = static_cast<unsigned char *>(GlobalLock(h));
        for (int i = 0; i < 100; ++i) data[i] = static_cast<unsigned char>(i);
        GlobalUnlock(h);
        ZeltHostFailAllocationAfter(1);
        SetLastError(0);
        EXPECT_EQ(GlobalReAlloc(h, 100000, GMEM_MOVEABLE), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        ZeltHostFailAllocationAfter(-1);
        EXPECT_EQ(GlobalSize(h), 100u);
        data = static_cast<unsigned char *>(GlobalLock(h));
        for (int i = 0; i < 100; ++i) ASSERT_EQ(data[i], i) << "contents kept after a failed reallocation";
        GlobalUnlock(h);
        GlobalFree(h);
    }
    // Exactly the n-th allocation fails; those around it succeed.
    ZeltHostFailAllocationAfter(3);
    HGLOBAL a = GlobalAlloc(GMEM_FIXED, 8), b = GlobalAlloc(GMEM_FIXED, 8), c = GlobalAlloc(GMEM_FIXED, 8),
            d = GlobalAlloc(GMEM_FIXED, 8);
    EXPECT_EQ(ZeltHostFailAllocationAfter(-1), 4);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(c, nullptr);
    EXPECT_NE(d, nullptr);
    GlobalFree(a);
    GlobalFree(b);
    GlobalFree(d);
}

// Two threads allocating, locking, resizing and freeing at once, and creating
// and deleting GDI objects: every block keeps its own contents and the
// counters return to where they started.
TEST_F(GlobalMemoryModel, TwoThreadSmoke) {
    auto work = [](unsigned seed) {
        Rng rng{seed};
        std::vector<std::pair<HGLOBAL, unsigned char>> mine;
        for (int step = 0; step < 3000; ++step) {
            if (mine.size() < 20 && (rng.Next() & 1)) {
                const unsigned char tag = static_cast<unsigned char>(rng.Next());
                HGLOBAL h = GlobalAlloc((rng.Next() & 1) ? GMEM_MOVEABLE : GMEM_FIXED, 64);
                std::memset(GlobalLock(h), tag, 64);
                GlobalUnlock(h);
                mine.emplace_back(h, tag);
            } else if (!mine.empty()) {
                const std::size_t i = rng.Next() % mine.size();
                auto *data = static_cast<unsigned char *>(GlobalLock(mine[i].first));
                for (int k = 0; k < 64; ++k) ASSERT_EQ(data[k], mine[i].second) << "seed " << seed;
                GlobalUnlock(mine[i].first);
                GlobalFree(mine[i].first);
                mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(i));
            }
            HBRUSH brush = CreateSolidBrush(rng.Next() & 0xFFFFFF);
            ASSERT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
            ASSERT_TRUE(DeleteObject(brush));
            ASSERT_FALSE(DeleteObject(brush));
        }
        for (auto &block : mine) GlobalFree(block.first);
    };
    std::thread first(work, 11u), second(work, 29u);
    first.join();
    second.join();
}

}  // namespace
}  // namespace zelt::test
