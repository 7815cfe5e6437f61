#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    zelt::fuzz::PlayMetafileBytes(data, size);
    return 0;
}
