// One raw deflate stream made of chunks compressed apart, so that the chunks can be
// compressed on several cores and the result is still what every inflater reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "CryptoError.h"

namespace qorva {

struct DeflateResult {
  std::uint32_t crc = 0;  // CRC-32 of the input
  std::uint64_t in = 0;   // input bytes
  std::uint64_t out = 0;  // deflate bytes written
};

// Reads up to n bytes into buf; returns 0 only at the end. Throws on a read error.
using DeflateReader = std::function<std::size_t(std::uint8_t* buf, std::size_t n)>;
using DeflateWriter = std::function<void(const std::uint8_t* data, std::size_t n)>;

// Compresses everything `read` gives at `level` (1..9) on `threads` workers (0 = one per
// core) and hands the stream to `write` in order. `total` is only for the progress
// callback; a false answer from it throws CryptoCancelled. Memory stays bounded by a few
// chunks per worker whatever the input's size.
DeflateResult DeflateChunked(const DeflateReader& read, const DeflateWriter& write, int level,
                             unsigned threads, std::uint64_t total,
                             const ProgressCallback& progress);

}  // namespace qorva
