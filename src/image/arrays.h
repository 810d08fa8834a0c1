#pragma once
// Arrays as the image library passes them around.
//
// ArrayView2D is a non-owning two-dimensional view over memory that someone else owns:
// an image's pixels, a codec's buffer, a caller's array. It is indexed (element within
// the row, row), both from 0, the first index running fastest in memory; a view over a
// rectangle of a larger buffer steps `stride` elements from one row to the next. The
// owner must outlive every use of the view; the view never frees anything.
//
// Array is an owning 0-based array of one or two dimensions (or none: "not dimensioned"),
// laid out like a view, for the members that hand out or take in arrays whose shape
// matters to the caller (GetDIBbits, GetAlphaMask, BlendToBackgroundColor).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/runtime/error.h"

template <class T>
class ArrayView2D {
public:
    ArrayView2D() = default;
    // rowLength elements per row, `rows` rows; stride 0 means rowLength.
    ArrayView2D(T* data, size_t rowLength, size_t rows, size_t stride = 0)
        : data_(data), rowLength_(data ? rowLength : 0), rows_(data ? rows : 0),
          stride_(stride ? stride : rowLength) {}

    T& operator()(size_t i, size_t row) const { return data_[row * stride_ + i]; }
    // As operator(), raising "Subscript out of range" (9) outside the view.
    T& at(size_t i, size_t row) const {
        if (i >= rowLength_ || row >= rows_) runtime::raise(runtime::kErrSubscriptOutOfRange);
        return (*this)(i, row);
    }
    std::span<T> row(size_t r) const { return {data_ + r * stride_, rowLength_}; }

    // The rectangle of `length` elements by `rows` rows starting at (i, row); raises 9
    // unless it lies within this view.
    ArrayView2D sub(size_t i, size_t row, size_t length, size_t rows) const {
        if (i > rowLength_ || length > rowLength_ - i || row > rows_ || rows > rows_ - row)
            runtime::raise(runtime::kErrSubscriptOutOfRange);
        if (length == 0 || rows == 0) return {};
        return ArrayView2D(data_ + row * stride_ + i, length, rows, stride_);
    }

    T* data() const { return data_; }
    size_t rowLength() const { return rowLength_; }
    size_t rows() const { return rows_; }
    size_t stride() const { return stride_; }
    bool empty() const { return rowLength_ == 0 || rows_ == 0; }

private:
    T* data_ = nullptr;
    size_t rowLength_ = 0;
    size_t rows_ = 0;
    size_t stride_ = 0;
};

using ByteView2D = ArrayView2D<uint8_t>;
using LongView2D = ArrayView2D<int32_t>;

template <class T>
class Array {
public:
    Array() = default;  // not dimensioned

    static Array oneDim(size_t count) { return Array(1, count, 1); }
    // countB elements per row, countA rows, as (0 to countB - 1, 0 to countA - 1).
    static Array twoDim(size_t countB, size_t countA) { return Array(2, countB, countA); }

    int dimensions() const { return dims_; }
    bool dimensioned() const { return dims_ != 0; }
    // Elements per row (all elements for one dimension) and rows (1 for one dimension).
    size_t countB() const { return countB_; }
    size_t countA() const { return countA_; }
    size_t size() const { return items_.size(); }

    T& operator()(size_t i) { return items_[i]; }
    const T& operator()(size_t i) const { return items_[i]; }
    T& operator()(size_t i, size_t row) { return items_[row * countB_ + i]; }
    const T& operator()(size_t i, size_t row) const { return items_[row * countB_ + i]; }

    T* data() { return items_.data(); }
    const T* data() const { return items_.data(); }
    std::span<T> span() { return items_; }
    std::span<const T> span() const { return items_; }
    ArrayView2D<T> view() { return ArrayView2D<T>(items_.data(), countB_, countA_); }
    ArrayView2D<const T> view() const {
        return ArrayView2D<const T>(items_.data(), countB_, countA_);
    }

    // Back to not dimensioned.
    void erase() { *this = Array(); }

private:
    Array(int dims, size_t countB, size_t countA)
        : items_(countB * countA), dims_(dims), countB_(countB), countA_(countA) {}

    std::vector<T> items_;
    int dims_ = 0;
    size_t countB_ = 0;
    size_t countA_ = 0;
};

using ByteArray = Array<uint8_t>;
using LongArray = Array<int32_t>;
