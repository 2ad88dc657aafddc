#pragma once

#include <cstddef>

// Counts heap allocations (operator new, and the C allocator on glibc) on the thread that opened a Scope.
// Scopes nest; each counts what happens on its thread while it is the innermost one.
class AllocationCounter
{
public:
    class Scope
    {
    public:
        Scope() noexcept;
        ~Scope();
        Scope (const Scope&) = delete;
        Scope& operator= (const Scope&) = delete;

        std::size_t GetAllocations() const noexcept   { return Allocations; }
        std::size_t GetDeallocations() const noexcept { return Deallocations; }

    private:
        friend class AllocationCounter;
        Scope* Outer;
        std::size_t Allocations = 0;
        std::size_t Deallocations = 0;
    };

    static void RecordAllocation() noexcept;
    static void RecordDeallocation() noexcept;
};
