#pragma once

// Counts heap allocations made through the global operator new on the calling thread. Linking
// tests/support/AllocationCounter.cpp replaces the global allocation functions of the whole test
// executable (they still allocate with malloc; they only count).
//
//     druvex::test::AllocationCounter counter;
//     codeThatMustNotAllocate();
//     EXPECT_EQ(counter.count(), 0u);

#include <cstddef>

namespace druvex::test
{

// Allocations made on this thread since the program started.
std::size_t allocationsOnThisThread() noexcept;

// Allocations made on this thread since the counter was constructed (or last restarted).
class AllocationCounter
{
public:
    AllocationCounter() noexcept : start(allocationsOnThisThread()) {}

    std::size_t count() const noexcept { return allocationsOnThisThread() - start; }
    void restart() noexcept { start = allocationsOnThisThread(); }

private:
    std::size_t start;
};

} // namespace druvex::test
