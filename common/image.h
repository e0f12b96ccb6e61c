#ifndef QMX_COMMON_IMAGE_H_
#define QMX_COMMON_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "common/platform.h"

namespace qmx {

/// Allocates whole-file images through the platform layer, which backs
/// large ones with huge pages: reading a 7 MB file into ordinary pages costs
/// more in page faults than the read itself. Elements are default-initialised,
/// so sizing an image does not write every byte before the file fills it.
template <class T>
struct ImageAllocator {
  using value_type = T;

  ImageAllocator() = default;
  template <class U>
  ImageAllocator(const ImageAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    void* memory = platform::AllocateImageMemory(n * sizeof(T));
    if (memory == nullptr) throw std::bad_alloc();
    return static_cast<T*>(memory);
  }
  void deallocate(T* p, size_t n) noexcept {
    platform::FreeImageMemory(p, n * sizeof(T));
  }

  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const ImageAllocator<U>&) const noexcept {
    return true;
  }
};

/// The bytes of a whole file.
using Image = std::vector<uint8_t, ImageAllocator<uint8_t>>;

}  // namespace qmx

#endif  // QMX_COMMON_IMAGE_H_
