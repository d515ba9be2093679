#include "AllocationCounter.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace
{

// Trivially initialised, so reading it never allocates itself.
thread_local std::size_t allocationCount = 0;

void* countedAllocate(std::size_t size)
{
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}

void* countedAllocateOrThrow(std::size_t size)
{
    if (void* p = countedAllocate(size))
        return p;
    throw std::bad_alloc();
}

void* countedAlignedAllocate(std::size_t size, std::align_val_t alignment)
{
    ++allocationCount;
    const auto align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    void* p = nullptr;
    return posix_memalign(&p, align, size == 0 ? 1 : size) == 0 ? p : nullptr;
}

void* countedAlignedAllocateOrThrow(std::size_t size, std::align_val_t alignment)
{
    if (void* p = countedAlignedAllocate(size, alignment))
        return p;
    throw std::bad_alloc();
}

} // namespace

namespace druvex::test
{

std::size_t allocationsOnThisThread() noexcept
{
    return allocationCount;
}

} // namespace druvex::test

void* operator new(std::size_t size) { return countedAllocateOrThrow(size); }
void* operator new[](std::size_t size) { return countedAllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return countedAlignedAllocateOrThrow(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return countedAlignedAllocateOrThrow(size, a); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return countedAlignedAllocate(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return countedAlignedAllocate(size, a);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
