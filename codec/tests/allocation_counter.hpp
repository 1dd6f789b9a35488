#pragma once
// Counts the bytes held through global operator new in this test binary and
// can refuse requests above a limit, as an exhausted machine would.

#include <cstddef>

namespace talvane::codec::testing {

struct AllocationStats {
  std::size_t peak_bytes;  // most bytes held at once since the scope began, above its start
  std::size_t largest_request;
};

// While alive, tracks the peak and makes requests larger than `limit` throw
// std::bad_alloc.
class AllocationScope {
 public:
  explicit AllocationScope(std::size_t limit);
  ~AllocationScope();
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;
  AllocationStats stats() const;
};

}  // namespace talvane::codec::testing
