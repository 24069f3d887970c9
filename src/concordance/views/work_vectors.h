// Vectors of plain items that a count fills on its workers. Made or grown without a value, they
// are left unwritten: the workers that fill them are the first to touch their pages, instead of
// the owner's thread zeroing (and taking every page fault of) millions of items alone before the
// work can spread. A size given with a value (resize(n, v), assign) fills as usual.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

template <class T>
class TUnfilledAllocator : public std::allocator<T> {
 public:
  using value_type = T;
  template <class U>
  struct rebind {
    using other = TUnfilledAllocator<U>;
  };
  TUnfilledAllocator() noexcept = default;
  template <class U>
  TUnfilledAllocator(const TUnfilledAllocator<U>&) noexcept {}  // NOLINT: allocators convert freely
  // An item made without a value is left as it is.
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <class T, class U>
bool operator==(const TUnfilledAllocator<T>&, const TUnfilledAllocator<U>&) noexcept {
  return true;
}

// Only for items that a default construction leaves unwritten: anything else would gain nothing.
template <class T>
  requires std::is_trivially_default_constructible_v<T>
using TWorkVector = std::vector<T, TUnfilledAllocator<T>>;

// Places for items that pieces of a count hand in by bucket, each bucket's items in piece order:
// on entry place[p][b] holds how many items piece p has for bucket b; on return, where piece p's
// first item of bucket b goes. Answers where each bucket starts (buckets + 1 numbers, the last
// the count of every item).
inline std::vector<uint32_t> PlacesByPiece(std::vector<std::vector<uint32_t>>& place, size_t buckets) {
  std::vector<uint32_t> starts(buckets + 1, 0);
  for (size_t b = 0; b < buckets; ++b) {
    uint32_t at = starts[b];
    for (std::vector<uint32_t>& piece : place) {
      const uint32_t here = piece[b];
      piece[b] = at;
      at += here;
    }
    starts[b + 1] = at;
  }
  return starts;
}
