#include "allocation_counter.hpp"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in a header, aligned for any scalar type.
constexpr std::size_t HEADER = alignof(std::max_align_t);

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> baseline{0};
std::atomic<std::size_t> largest{0};
std::atomic<std::size_t> limit{static_cast<std::size_t>(-1)};

void* allocate(std::size_t size) {
  largest.store(std::max(largest.load(), size));
  if (size > limit.load() || size > static_cast<std::size_t>(-1) - HEADER) throw std::bad_alloc();
  auto* block = static_cast<unsigned char*>(std::malloc(size + HEADER));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  const std::size_t now = held.fetch_add(size) + size;
  std::size_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return block + HEADER;
}

void release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - HEADER;
  held.fetch_sub(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete[](void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { release(pointer); }

namespace talvane::codec::testing {

AllocationScope::AllocationScope(std::size_t new_limit) {
  baseline.store(held.load());
  peak.store(held.load());
  largest.store(0);
  limit.store(new_limit);
}

AllocationScope::~AllocationScope() { limit.store(static_cast<std::size_t>(-1)); }

AllocationStats AllocationScope::stats() const { return {peak.load() - baseline.load(), largest.load()}; }

}  // namespace talvane::codec::testing
