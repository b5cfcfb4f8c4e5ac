// Finding every occurrence of a short text in a block of bytes.
//
// The scan looks for a handful of texts (maker names, "MThd", "MPEGTV") in
// windows after the sectors it tests. On camera media most bytes are
// compressed data, in which any one byte value turns up every 256 bytes or
// so; a search that stops at every occurrence of one byte of the text would
// stop thousands of times a block. This one tests the text's first and last
// byte together, 32 or 16 positions at a time (as the processor allows), and
// compares the whole text only where both agree: about once in 65,536
// positions of random data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "app/types.h"

namespace tvn {

// Appends base + p to starts for every position p, in rising order, at which
// text begins and lies wholly inside data.
void FindText(std::span<const BYTE> data, std::string_view text,
              std::vector<uint32_t>& starts, uint32_t base = 0);

// The first position at which text begins and lies wholly inside data, or
// null when there is none.
const BYTE* FindFirstText(std::span<const BYTE> data, std::string_view text);

// FindText with a given way of searching, for tests and measurements; false
// (and nothing searched) when this processor cannot search that way.
enum class TextSearchKind { OneByOne, Sse2, Avx2 };
bool FindTextUsing(TextSearchKind kind, std::span<const BYTE> data, std::string_view text,
                   std::vector<uint32_t>& starts, uint32_t base = 0);

}  // namespace tvn
