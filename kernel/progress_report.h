// Progress of a long whole-image operation, reported to the calling
// thread's status callback whenever the percentage moves on.
#pragma once

#include <cstdint>

#include "zelt/kernel.h"

namespace zelt::kernel {

class ProgressReport {
public:
    ProgressReport() { callback_ = KrnGetStatusCallback(&userData_); }

    // After `done` of `total` steps: STATUS_OK to go on, otherwise the
    // callback's answer, which the operation stops with.
    int Step(std::int64_t done, std::int64_t total) {
        if (callback_ == nullptr || total <= 0) return STATUS_OK;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == lastPercent_) return STATUS_OK;
        lastPercent_ = percent;
        return callback_(percent, userData_);
    }

private:
    KRNSTATUSCALLBACK callback_ = nullptr;
    void *userData_ = nullptr;
    int lastPercent_ = -1;
};

}  // namespace zelt::kernel
