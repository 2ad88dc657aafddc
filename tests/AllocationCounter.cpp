#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
// A plain pointer needs no dynamic initialisation, so reading it inside operator new never allocates.
thread_local AllocationCounter::Scope* innermostScope = nullptr;

void* AllocateOrNull (std::size_t size) noexcept
{
    AllocationCounter::RecordAllocation();
    return std::malloc (size == 0 ? 1 : size);
}

void* AllocateAlignedOrNull (std::size_t size, std::align_val_t alignment) noexcept
{
    AllocationCounter::RecordAllocation();
    const auto align = static_cast<std::size_t> (alignment);
    void* memory = nullptr;
    if (posix_memalign (&memory, align < sizeof (void*) ? sizeof (void*) : align, size == 0 ? 1 : size) != 0)
        return nullptr;
    return memory;
}

void Release (void* memory) noexcept
{
    if (memory == nullptr)
        return;
    AllocationCounter::RecordDeallocation();
    std::free (memory);
}

void* AllocateOrThrow (std::size_t size)
{
    if (void* memory = AllocateOrNull (size))
        return memory;
    throw std::bad_alloc();
}

void* AllocateAlignedOrThrow (std::size_t size, std::align_val_t alignment)
{
    if (void* memory = AllocateAlignedOrNull (size, alignment))
        return memory;
    throw std::bad_alloc();
}
} // namespace

AllocationCounter::Scope::Scope() noexcept
    : Outer (innermostScope)
{
    innermostScope = this;
}

AllocationCounter::Scope::~Scope()
{
    innermostScope = Outer;
}

void AllocationCounter::RecordAllocation() noexcept
{
    if (innermostScope != nullptr)
        ++innermostScope->Allocations;
}

void AllocationCounter::RecordDeallocation() noexcept
{
    if (innermostScope != nullptr)
        ++innermostScope->Deallocations;
}

void* operator new (std::size_t size)                                          { return AllocateOrThrow (size); }
void* operator new[] (std::size_t size)                                        { return AllocateOrThrow (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept          { return AllocateOrNull (size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept        { return AllocateOrNull (size); }
void* operator new (std::size_t size, std::align_val_t a)                      { return AllocateAlignedOrThrow (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a)                    { return AllocateAlignedOrThrow (size, a); }
void* operator new (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept   { return AllocateAlignedOrNull (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return AllocateAlignedOrNull (size, a); }

void operator delete (void* p) noexcept                                        { Release (p); }
void operator delete[] (void* p) noexcept                                      { Release (p); }
void operator delete (void* p, std::size_t) noexcept                           { Release (p); }
void operator delete[] (void* p, std::size_t) noexcept                         { Release (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept                 { Release (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept               { Release (p); }
void operator delete (void* p, std::align_val_t) noexcept                      { Release (p); }
void operator delete[] (void* p, std::align_val_t) noexcept                    { Release (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept         { Release (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept       { Release (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept   { Release (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release (p); }
