#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    zelt::fuzz::PasteDibBytes(data, size);
    return 0;
}
