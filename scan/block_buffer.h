// Buffers for blocks read from the medium.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "app/types.h"

namespace tvn {

// Memory for whole blocks of the medium, aligned to a page: reads from a
// block device into a buffer that is not page-aligned are several times
// slower.
template <class T>
struct PageAlignedAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlign{4096};
    PageAlignedAllocator() = default;
    template <class U>
    PageAlignedAllocator(const PageAlignedAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlign)); }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, kAlign); }
    template <class U>
    bool operator==(const PageAlignedAllocator<U>&) const noexcept { return true; }
};
using BlockBuffer = std::vector<BYTE, PageAlignedAllocator<BYTE>>;

}  // namespace tvn
