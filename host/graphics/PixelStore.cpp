#include "host/graphics/PixelStore.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace PixelStore {

namespace {
std::size_t Rounded(std::size_t Bytes) { return (Bytes + HugeBlock - 1) / HugeBlock * HugeBlock; }
} // namespace

void* TakeBlocks(std::size_t Bytes)
{
    if (Bytes > SIZE_MAX - 2 * HugeBlock) throw std::bad_alloc();
    const std::size_t size = Rounded(Bytes);
    // Map one block more than needed and cut the ends off, so that what is kept starts on a
    // block boundary (a huge page needs its own alignment).
    void* raw = mmap(nullptr, size + HugeBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + HugeBlock - 1) & ~std::uintptr_t{HugeBlock - 1};
    if (aligned > start) munmap(raw, aligned - start);
    if (const std::size_t tail = start + HugeBlock - aligned; tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
    // Only a hint: without transparent huge pages the store works in ordinary pages.
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void GiveBlocks(void* Memory, std::size_t Bytes) noexcept
{
    if (Memory) munmap(Memory, Rounded(Bytes));
}

} // namespace PixelStore
