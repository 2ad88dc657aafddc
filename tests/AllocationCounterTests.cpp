#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <thread>

#include "AllocationCounter.h"

namespace
{
// Escaping through a volatile pointer keeps the optimiser from eliding the allocations.
void* volatile escaped = nullptr;

TEST (AllocationCounter, CountsAllocationsAndReleasesOfAllForms)
{
    struct alignas (64) Wide { float Values[16]; };
    std::size_t allocations = 0, deallocations = 0;
    {
        AllocationCounter::Scope scope;
        auto* single = new int (1);
        escaped = single;
        auto* array = new double[16];
        escaped = array;
        auto* aligned = new Wide();
        escaped = aligned;
        auto* quiet = new (std::nothrow) int (2);
        escaped = quiet;
        delete single;
        delete[] array;
        delete aligned;
        delete quiet;
        allocations = scope.GetAllocations();
        deallocations = scope.GetDeallocations();
    }
    EXPECT_EQ (allocations, 4u);
    EXPECT_EQ (deallocations, 4u);
}

TEST (AllocationCounter, InnerScopeCountsAloneAndOuterResumesAfterIt)
{
    std::size_t innerCount = 0, outerCount = 0;
    {
        AllocationCounter::Scope outer;
        std::unique_ptr<int> first (new int (1));
        escaped = first.get();
        {
            AllocationCounter::Scope inner;
            std::unique_ptr<int> second (new int (2));
            escaped = second.get();
            innerCount = inner.GetAllocations();
        }
        std::unique_ptr<int> third (new int (3));
        escaped = third.get();
        outerCount = outer.GetAllocations();
    }
    EXPECT_EQ (innerCount, 1u);
    EXPECT_EQ (outerCount, 2u);
}

TEST (AllocationCounter, IgnoresOtherThreads)
{
    std::atomic<bool> go { false }, done { false };
    std::thread worker ([&] {
        while (! go.load())
            std::this_thread::yield();
        for (int i = 0; i < 100; ++i)
        {
            auto* value = new int (i);
            escaped = value;
            delete value;
        }
        done.store (true);
    });

    std::size_t counted = 1;
    {
        AllocationCounter::Scope scope;
        go.store (true);
        while (! done.load())
            std::this_thread::yield();
        counted = scope.GetAllocations();
    }
    worker.join();
    EXPECT_EQ (counted, 0u);
}
} // namespace
