// Entry points shared by the libFuzzer programs and the regression replay:
// each takes arbitrary bytes and must neither crash nor leak, whatever they
// hold.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelt::fuzz {

// The bytes as a metafile file: parsed, played into a small 24-bit record
// and released.
void PlayMetafileBytes(const std::uint8_t *data, std::size_t size);

// The bytes as a packed DIB placed on the clipboard (CF_DIB), then pasted.
// The first byte chooses whether the same bytes also travel as the
// selection-region block.
void PasteDibBytes(const std::uint8_t *data, std::size_t size);

}  // namespace zelt::fuzz
