// Page buffers over mmap and the heap.
#include "platform/PageBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace sorvane {
namespace {

constexpr std::size_t kMapThreshold = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t RoundUp(std::size_t value, std::size_t unit) {
    return (value + unit - 1) / unit * unit;
}

// An anonymous mapping of `length` bytes (a whole number of pages) starting on
// a 2 MiB boundary, so that every whole 2 MiB stretch of it can be a huge page.
char* MapAligned(std::size_t length) {
    if (length > SIZE_MAX - kHugePage) throw std::bad_alloc();
    const std::size_t span = length + kHugePage;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    char* const start = static_cast<char*>(raw);
    char* const aligned =
        reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
    if (aligned > start) ::munmap(start, static_cast<std::size_t>(aligned - start));
    char* const end = start + span;
    if (aligned + length < end)
        ::munmap(aligned + length, static_cast<std::size_t>(end - aligned - length));
    // Without transparent huge pages the advice fails and the mapping works as it is.
    ::madvise(aligned, length, MADV_HUGEPAGE);
    return aligned;
}

} // namespace

void PageBuffer::Release() noexcept {
    if (data_ == nullptr) return;
    if (mapped_)
        ::munmap(data_, capacity_);
    else
        std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
    mapped_ = false;
}

void PageBuffer::Swap(PageBuffer& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(mapped_, other.mapped_);
}

// New storage of `capacity` bytes holding the current contents.
void PageBuffer::MoveTo(std::size_t capacity) {
    if (capacity < kMapThreshold) {
        if (mapped_) {
            // Only a shrink gets here: from a mapping down to the heap.
            void* heap = std::malloc(capacity == 0 ? 1 : capacity);
            if (heap == nullptr) throw std::bad_alloc();
            std::memcpy(heap, data_, size_);
            ::munmap(data_, capacity_);
            data_ = static_cast<char*>(heap);
            mapped_ = false;
        } else {
            void* heap = std::realloc(data_, capacity == 0 ? 1 : capacity);
            if (heap == nullptr) throw std::bad_alloc();
            data_ = static_cast<char*>(heap);
        }
        capacity_ = capacity;
        return;
    }
    capacity = RoundUp(capacity, PageSize());
    char* const mapping = MapAligned(capacity);
    if (size_ > 0) std::memcpy(mapping, data_, size_);
    const std::size_t size = size_;
    Release();
    data_ = mapping;
    size_ = size;
    capacity_ = capacity;
    mapped_ = true;
}

void PageBuffer::Reserve(std::size_t bytes) {
    if (bytes > capacity_) MoveTo(bytes);
}

void PageBuffer::Resize(std::size_t bytes) {
    if (bytes > capacity_)
        MoveTo(std::max(bytes, capacity_ > SIZE_MAX / 2 ? bytes : capacity_ * 2));
    size_ = bytes;
}

void PageBuffer::AppendGrowing(const void* bytes, std::size_t count) {
    if (count == 0) return;
    if (count > SIZE_MAX - size_) throw std::bad_alloc();
    // `bytes` may lie in this buffer, which growing moves: note its offset first.
    const bool inside = data_ != nullptr && static_cast<const char*>(bytes) >= data_ &&
                        static_cast<const char*>(bytes) < data_ + capacity_;
    const std::size_t offset =
        inside ? static_cast<std::size_t>(static_cast<const char*>(bytes) - data_) : 0;
    const std::size_t old = size_;
    Resize(size_ + count);
    std::memmove(data_ + old, inside ? data_ + offset : bytes, count);
}

void PageBuffer::ShrinkToFit() {
    if (!mapped_) {
        if (capacity_ > size_ && size_ > 0) MoveTo(size_);
        return;
    }
    const std::size_t keep = RoundUp(size_, PageSize());
    if (keep < kMapThreshold) {
        MoveTo(size_);
    } else if (keep < capacity_) {
        ::munmap(data_ + keep, capacity_ - keep);
        capacity_ = keep;
    }
}

} // namespace sorvane
