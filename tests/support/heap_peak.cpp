// Counting replacements of the global operator new and delete. The suites are single-threaded.
#include "tests/support/heap_peak.h"

#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in front, so that delete knows how much it gives back.
constexpr std::size_t kHeader = alignof(std::max_align_t);

std::size_t inUse = 0;
std::size_t peakInUse = 0;
std::size_t startInUse = 0;

}  // namespace

void* operator new(std::size_t size)
{
    void* block = std::malloc(size + kHeader);
    if (!block)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    inUse += size;
    if (inUse > peakInUse)
        peakInUse = inUse;
    return static_cast<char*>(block) + kHeader;
}

void operator delete(void* pointer) noexcept
{
    if (!pointer)
        return;
    void* block = static_cast<char*>(pointer) - kHeader;
    inUse -= *static_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

void resetHeapPeak()
{
    startInUse = inUse;
    peakInUse = inUse;
}

std::size_t heapPeak() { return peakInUse - startInUse; }
