#include "support/leak_guard.h"

#include <ostream>

#include "support/host_controls.h"

namespace zelt::test {

LiveCounts LiveCounts::Now() {
    return {ZeltHostLiveGdiObjects(), ZeltHostLiveUserObjects(), ZeltHostLiveGlobalBlocks()};
}

std::ostream &operator<<(std::ostream &out, const LiveCounts &counts) {
    return out << "{gdi " << counts.gdi << ", user " << counts.user << ", global " << counts.global << "}";
}

void LeakCheckedTest::SetUp() {
    if (kHostControls) atStart_ = LiveCounts::Now();
}

void LeakCheckedTest::TearDown() {
    if (!kHostControls) return;
    ZeltHostFailAllocationAfter(-1);
    EXPECT_EQ(LiveCounts::Now(), atStart_) << "live objects differ from the start of the test";
}

long ForEachAllocationFailure(const std::function<void()> &operation,
                              const std::function<void(long failedAt)> &verify) {
    if (!kHostControls) {
        operation();
        return 0;
    }
    ZeltHostFailAllocationAfter(-1);
    operation();
    const long allocations = ZeltHostFailAllocationAfter(-1);
    for (long n = 1; n <= allocations; ++n) {
        const LiveCounts before = LiveCounts::Now();
        ZeltHostFailAllocationAfter(n);
        operation();
        ZeltHostFailAllocationAfter(-1);
        verify(n);
        EXPECT_EQ(LiveCounts::Now(), before) << "leak when allocation " << n << " of " << allocations << " failed";
    }
    return allocations;
}

}  // namespace zelt::test
