// Growable storage for large in-memory data: the bytes of loaded catalogues and
// their line tables. From 1 MiB on the bytes live on an anonymous mapping
// aligned to 2 MiB and advised MADV_HUGEPAGE, so filling it faults a few large
// pages instead of hundreds of thousands of small ones; smaller buffers use the
// heap. Bytes past size() are unspecified.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace sorvane {

class PageBuffer {
public:
    PageBuffer() = default;
    PageBuffer(PageBuffer&& other) noexcept { Swap(other); }
    PageBuffer& operator=(PageBuffer&& other) noexcept {
        PageBuffer taken(static_cast<PageBuffer&&>(other));
        Swap(taken);
        return *this;
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer() { Release(); }

    char* data() { return data_; }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

    // Room for at least `bytes` without moving; the contents stay. Raises
    // std::bad_alloc when the memory cannot be had.
    void Reserve(std::size_t bytes);
    // Sets the size, growing the capacity by doubling when needed.
    void Resize(std::size_t bytes);
    void Append(const void* bytes, std::size_t count) {
        if (count > 0 && count <= capacity_ - size_) {
            std::memmove(data_ + size_, bytes, count);
            size_ += count;
        } else {
            AppendGrowing(bytes, count);
        }
    }
    // Size 0; the storage is kept.
    void Clear() { size_ = 0; }
    // Gives back the storage past the size (down to whole pages on a mapping).
    void ShrinkToFit();
    void Swap(PageBuffer& other) noexcept;

private:
    void AppendGrowing(const void* bytes, std::size_t count);
    void MoveTo(std::size_t capacity);
    void Release() noexcept;

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
};

// An array of trivially copyable values on a PageBuffer.
template <typename T> class PageArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    std::size_t size() const { return buffer_.size() / sizeof(T); }
    std::size_t capacity() const { return buffer_.capacity() / sizeof(T); }
    bool empty() const { return buffer_.empty(); }
    T& operator[](std::size_t i) { return Data()[i]; }
    const T& operator[](std::size_t i) const { return Data()[i]; }

    void reserve(std::size_t count) { buffer_.Reserve(count * sizeof(T)); }
    void clear() { buffer_.Clear(); }
    void shrink_to_fit() { buffer_.ShrinkToFit(); }
    void push_back(const T& value) { buffer_.Append(&value, sizeof(T)); }
    // Inserts before index i (i == size() appends).
    void insert(std::size_t i, const T& value) {
        const std::size_t count = size();
        const T copy = value;
        buffer_.Resize(buffer_.size() + sizeof(T));
        std::memmove(Data() + i + 1, Data() + i, (count - i) * sizeof(T));
        std::memcpy(Data() + i, &copy, sizeof(T));
    }
    void erase(std::size_t i) {
        std::memmove(Data() + i, Data() + i + 1, (size() - i - 1) * sizeof(T));
        buffer_.Resize(buffer_.size() - sizeof(T));
    }

private:
    T* Data() { return reinterpret_cast<T*>(buffer_.data()); }
    const T* Data() const { return reinterpret_cast<const T*>(buffer_.data()); }

    PageBuffer buffer_;
};

} // namespace sorvane
