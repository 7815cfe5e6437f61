// The progress callback of long operations, kept per thread.
#include "zelt/kernel.h"

namespace {
struct StatusCallback {
    KRNSTATUSCALLBACK callback = nullptr;
    void *userData = nullptr;
};
thread_local StatusCallback currentCallback;
}  // namespace

extern "C" {

KRNSTATUSCALLBACK ZELT_API KrnGetStatusCallback(void **userData) {
    if (userData != nullptr) *userData = currentCallback.userData;
    return currentCallback.callback;
}

int ZELT_API KrnSetStatusCallback(KRNSTATUSCALLBACK callback, void *userData) {
    currentCallback = {callback, userData};
    return STATUS_OK;
}

}  // extern "C"
