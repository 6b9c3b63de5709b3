#pragma once

#include <cstdint>
#include <memory>

#include "rfft/Require.h"

namespace rfft {

// Plain heap array of the engine: a fresh block on every resize, old contents dropped.
// Elements of arithmetic types are left uninitialised; class types are default-constructed.
template <class T>
class DynArray {
public:
    DynArray() = default;
    // Precondition: size >= 0. Size 0 leaves the array empty.
    explicit DynArray(std::int32_t size) { resize(size); }

    DynArray(const DynArray&) = delete;
    DynArray& operator=(const DynArray&) = delete;

    std::int32_t size() const { return count_; }

    // Precondition: size >= 0. A positive size allocates a new block (contents are not
    // kept); 0 changes nothing. Throws std::bad_alloc when memory runs out.
    void resize(std::int32_t size)
    {
        RFFT_REQUIRE(size >= 0, "size >= 0");
        if (size > 0) {
            data_.reset(new T[static_cast<std::size_t>(size)]);
            count_ = size;
        }
    }

    // Precondition: 0 <= pos < size().
    T& operator[](std::int32_t pos)
    {
        RFFT_REQUIRE(pos >= 0 && pos < count_, "pos >= 0 && pos < count_");
        return data_[static_cast<std::size_t>(pos)];
    }
    const T& operator[](std::int32_t pos) const
    {
        RFFT_REQUIRE(pos >= 0 && pos < count_, "pos >= 0 && pos < count_");
        return data_[static_cast<std::size_t>(pos)];
    }

    // Raw access for the passes, which stay inside the bounds by construction.
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }

private:
    std::unique_ptr<T[]> data_;
    std::int32_t count_ = 0;
};

} // namespace rfft
