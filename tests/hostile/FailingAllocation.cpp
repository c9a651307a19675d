#include "FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> threshold{0};
std::atomic<std::size_t> refused{0};

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
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
