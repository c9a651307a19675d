#include "FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include <malloc.h>

namespace {

std::atomic<std::size_t> threshold{0};
std::atomic<std::size_t> refused{0};
std::atomic<bool> poison{false};

void* allocate(std::size_t size)
{
    const std::size_t limit = threshold.load(std::memory_order_relaxed);
    if (limit != 0 && size >= limit) {
        refused.fetch_add(1, std::memory_order_relaxed);
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void release(void* p)
{
    if (p == nullptr)
        return;
    if (poison.load(std::memory_order_relaxed)) {
        std::memset(p, 0xA5, malloc_usable_size(p));
        return;
    }
    std::free(p);
}

} // namespace

namespace failing {

void arm(std::size_t size)
{
    refused = 0;
    threshold = size;
}

void disarm()
{
    threshold = 0;
}

std::size_t refusals()
{
    return refused;
}

void poisonFreedMemory()
{
    poison = true;
}

} // namespace failing

void* operator new(std::size_t size)
{
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    return allocate(size);
}

void operator delete(void* p) noexcept
{
    release(p);
}

void operator delete[](void* p) noexcept
{
    release(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}
