// kw::vector: the engine's growable array of pointers. Members are public and
// laid out as callers rely on: data (null until the first element), capacity
// and count. Growth lives with its users (kwNode::addChild).
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include <corvane/kwAligned.h>

namespace kw {

template <class T>
class vector {
public:
    KW_ALIGNED_NEW

    vector() = default;
    vector(const vector& other) { copyFrom(other); }
    vector& operator=(const vector& other) {
        if (this != &other) {
            vector copy(other);
            swap(copy);
        }
        return *this;
    }
    vector(vector&& other) noexcept { swap(other); }
    vector& operator=(vector&& other) noexcept {
        swap(other);
        return *this;
    }
    virtual ~vector() { ::operator delete(data); }

    // Appends one element, growing as addChild does: 16 slots first, then doubling.
    void add(T value) {
        if (count == capacity) grow();
        data[count++] = value;
    }

    T& operator[](std::uint32_t i) { return data[i]; }
    const T& operator[](std::uint32_t i) const { return data[i]; }

    // Makes room for one more element: 16 slots for an empty array, otherwise
    // twice the capacity, keeping the elements in order. A byte size that does
    // not fit in 32 bits asks for the largest size, so the allocation fails.
    void grow() {
        if (!data) {
            if (capacity == 0) capacity = 16;
            data = static_cast<T*>(::operator new(byteSize(capacity)));
            return;
        }
        const std::uint64_t doubled = static_cast<std::uint64_t>(capacity) * 2;
        T* bigger = static_cast<T*>(::operator new(byteSize(doubled)));
        if (count) std::memcpy(bigger, data, static_cast<std::size_t>(count) * sizeof(T));
        ::operator delete(data);
        data = bigger;
        capacity = static_cast<std::uint32_t>(doubled);
    }

    T* data = nullptr;
    std::uint32_t capacity = 0;
    std::uint32_t count = 0;

private:
    static std::size_t byteSize(std::uint64_t slots) {
        const std::uint64_t bytes = slots * sizeof(T);
        if (slots > std::numeric_limits<std::uint32_t>::max() || bytes > std::numeric_limits<std::uint32_t>::max())
            return std::numeric_limits<std::size_t>::max();
        return static_cast<std::size_t>(bytes);
    }
    void copyFrom(const vector& other) {
        if (!other.data) return;
        data = static_cast<T*>(::operator new(byteSize(other.capacity)));
        capacity = other.capacity;
        count = other.count;
        if (count) std::memcpy(data, other.data, static_cast<std::size_t>(count) * sizeof(T));
    }
    void swap(vector& other) noexcept {
        T* d = data;
        data = other.data;
        other.data = d;
        std::uint32_t c = capacity;
        capacity = other.capacity;
        other.capacity = c;
        c = count;
        count = other.count;
        other.count = c;
    }
};

}  // namespace kw
