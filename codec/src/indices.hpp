#pragma once
// Index blocks: triangles as vertex indices, either at a fixed width or as
// deltas from a high water mark that rises with every newly used vertex.

#include <array>
#include <cstdint>
#include <vector>

#include "result.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

using Triangle = std::array<std::uint32_t, 3>;

inline constexpr std::uint8_t TRIANGLE_ARITY = 3;

enum class IndexCoding : std::uint8_t { FixedWidth = 0, Delta = 1 };

// Turns deltas into indices: delta d names vertex (mark - d), and a delta of
// 0 raises the mark afterwards.
class DeltaDecoder {
 public:
  explicit DeltaDecoder(std::uint32_t item_count) : item_count_(item_count) {}
  Result<std::uint32_t> next(std::uint64_t delta) {
    if (delta > mark_) return CodecError::malformed("index delta reaches back past the high water mark");
    const std::uint32_t index = mark_ - static_cast<std::uint32_t>(delta);
    if (index >= item_count_) {
      return CodecError::malformed("simplex refers to an index at or beyond the item count");
    }
    // Cannot overflow: the mark stays at or below the item count.
    if (delta == 0) ++mark_;
    return index;
  }
  std::uint32_t mark() const { return mark_; }

 private:
  std::uint32_t item_count_;
  std::uint32_t mark_ = 0;
};

// Reads an index block from its arity byte to its end. `item_count` is the
// number of points the item holds; every index must lie below it.
// Fixed-width indices of width 0 cost no payload, so their count is checked
// against `max_free_simplices` (else Io "out of memory") before any is built;
// every other simplex is paid for by payload bits.
Result<std::vector<Triangle>> read_index_block(StreamReader& reader, std::uint32_t item_count,
                                               std::uint64_t max_free_simplices = UINT64_MAX);

}  // namespace talvane::codec
