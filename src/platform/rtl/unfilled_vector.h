// Vectors of plain items that are grown without being filled: made or grown without a value,
// their new items are left unwritten, for buffers whose every item is written before it is read
// (a fill first would only cost a pass over the memory). A size given with a value (resize(n, v),
// assign) fills as usual.
#pragma once

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
