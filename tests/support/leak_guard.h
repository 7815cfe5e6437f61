// Leak checks for tests: a fixture base that notes the live GDI objects,
// USER objects and global blocks when a test starts and fails the test when
// they differ at its end, and a helper that runs an operation once per
// allocation it makes with that allocation failing.
#pragma once

#include <functional>

#include <gtest/gtest.h>

namespace zelt::test {

struct LiveCounts {
    long gdi = 0;
    long user = 0;
    long global = 0;
    static LiveCounts Now();
    bool operator==(const LiveCounts &) const = default;
};

std::ostream &operator<<(std::ostream &out, const LiveCounts &counts);

// Derive test fixtures from this to check that nothing leaks (where the host
// counts live objects).
class LeakCheckedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    LiveCounts atStart_;
};

// Runs `operation` once to count the allocations it makes, then once more
// for each of them with exactly that allocation failing. After every failing
// run, `verify(failedAt)` is called (it should check the documented status
// and that the caller's data is untouched) and the live counts must be back
// to what they were before the run. Returns the number of allocations of the
// undisturbed run. Without host controls (Windows) only the undisturbed run
// is made, and 0 is returned.
long ForEachAllocationFailure(const std::function<void()> &operation,
                              const std::function<void(long failedAt)> &verify);

}  // namespace zelt::test
