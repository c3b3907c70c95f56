#pragma once
// The memory of a bitmap's pixels. A window's back buffer is megabytes that a fresh process
// touches for the first time in its first frame: taken in 4 KiB pages that is a thousand page
// faults (about 2 ms on this kind of machine), so large stores come in whole 2 MiB blocks that
// the kernel may back with huge pages. Small bitmaps (glyphs, images) use the ordinary heap.
#include <cstddef>
#include <memory>

namespace PixelStore {
// Bytes from which a store is taken in huge-page blocks: at most a quarter is rounding.
constexpr std::size_t HugeBlock = std::size_t{2} << 20;
constexpr std::size_t HugeFrom = HugeBlock / 2;
// Whole blocks of HugeBlock bytes, aligned to one; std::bad_alloc when the system has none.
void* TakeBlocks(std::size_t Bytes);
void GiveBlocks(void* Memory, std::size_t Bytes) noexcept;
} // namespace PixelStore

template <typename T>
struct TPixelAllocator {
    using value_type = T;
    TPixelAllocator() = default;
    template <typename U>
    TPixelAllocator(const TPixelAllocator<U>&) noexcept {}

    T* allocate(std::size_t N)
    {
        if (N * sizeof(T) < PixelStore::HugeFrom) return std::allocator<T>().allocate(N);
        return static_cast<T*>(PixelStore::TakeBlocks(N * sizeof(T)));
    }
    void deallocate(T* P, std::size_t N) noexcept
    {
        if (N * sizeof(T) < PixelStore::HugeFrom) std::allocator<T>().deallocate(P, N);
        else PixelStore::GiveBlocks(P, N * sizeof(T));
    }
    template <typename U>
    bool operator==(const TPixelAllocator<U>&) const noexcept { return true; }
};
