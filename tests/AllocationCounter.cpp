#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

#if defined(__has_feature)
 #if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
  #define GORLAN_UNDER_SANITIZER 1
 #endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
 #define GORLAN_UNDER_SANITIZER 1
#endif
#if defined(__SANITIZE_THREAD__)
 #define GORLAN_UNDER_THREAD_SANITIZER 1
#elif defined(__has_feature)
 #if __has_feature(thread_sanitizer)
  #define GORLAN_UNDER_THREAD_SANITIZER 1
 #endif
#endif

// JUCE's buffers come from malloc, not operator new, so on glibc the C allocator is counted too.
// Sanitizers own malloc themselves; there only operator new is counted.
#if defined(__GLIBC__) && ! defined(GORLAN_UNDER_SANITIZER)
 #define GORLAN_COUNTS_MALLOC 1
#else
 #define GORLAN_COUNTS_MALLOC 0
#endif

namespace
{
// A plain pointer needs no dynamic initialisation, so reading it inside an allocator never allocates.
thread_local AllocationCounter::Scope* innermostScope = nullptr;

#if ! defined(GORLAN_UNDER_THREAD_SANITIZER)
void* AllocateOrNull (std::size_t size) noexcept
{
    if (! GORLAN_COUNTS_MALLOC)
        AllocationCounter::RecordAllocation();
    return std::malloc (size == 0 ? 1 : size);
}

void* AllocateAlignedOrNull (std::size_t size, std::align_val_t alignment) noexcept
{
    if (! GORLAN_COUNTS_MALLOC)
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
    if (! GORLAN_COUNTS_MALLOC)
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
#endif
} // namespace

#if GORLAN_COUNTS_MALLOC
extern "C"
{
void* __libc_malloc (std::size_t);
void* __libc_calloc (std::size_t, std::size_t);
void* __libc_realloc (void*, std::size_t);
void* __libc_memalign (std::size_t, std::size_t);
void __libc_free (void*);

void* malloc (std::size_t size) noexcept
{
    AllocationCounter::RecordAllocation();
    return __libc_malloc (size);
}

void* calloc (std::size_t count, std::size_t size) noexcept
{
    AllocationCounter::RecordAllocation();
    return __libc_calloc (count, size);
}

void* realloc (void* memory, std::size_t size) noexcept
{
    AllocationCounter::RecordAllocation();
    if (memory != nullptr)
        AllocationCounter::RecordDeallocation();
    return __libc_realloc (memory, size);
}

int posix_memalign (void** memory, std::size_t alignment, std::size_t size) noexcept
{
    AllocationCounter::RecordAllocation();
    *memory = __libc_memalign (alignment, size);
    return *memory != nullptr ? 0 : 12; // ENOMEM
}

void free (void* memory) noexcept
{
    if (memory != nullptr)
        AllocationCounter::RecordDeallocation();
    __libc_free (memory);
}
}
#endif

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

// ThreadSanitizer's runtime defines the allocation functions itself and cannot share them;
// that build runs only the concurrency test, which counts nothing.
#if ! defined(GORLAN_UNDER_THREAD_SANITIZER)
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
#endif
