#pragma once
// Append-only array of fixed-size elements in one block.
//
// The visible capacity grows by 100 slots at a time (100, 200, 300, ...) and
// always keeps one spare slot. The storage underneath is reserved
// geometrically so that appending N elements costs O(N), not O(N^2).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/name.h"

class CArray {
public:
    explicit CArray(int elementSize);
    ~CArray();
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    // Copies elementSize bytes from `element` into the next slot.
    void Add(const void* element);
    // Appends `n` elements stored one after another at `elements`; the same
    // result as n calls of Add, without a call per element.
    void AddRange(const void* elements, int n);
    // Appends `n` elements and returns the first (null when n <= 0), for
    // readers that fill them in place: the caller writes all n before
    // anything reads them (a first block is not cleared beforehand).
    void* AddUnset(int n);
    // Address of slot `index`, or null when index is outside 0 .. count-1.
    void* GetAt(int index) const;

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    int ElementSize() const { return elementSize_; }
    // Contiguous elements, count() of them (may be null when reserved is 0).
    void* Data() const { return data_; }

    // Makes room for at least `slots` elements without changing the visible
    // capacity sequence; used by readers that know the count in advance.
    void Reserve(std::size_t slots);

private:
    void GrowStorage(std::size_t minSlots);

    unsigned char* data_ = nullptr;
    int capacity_ = 100;
    int count_ = 0;
    int elementSize_;
    std::size_t reserved_ = 0;  // slots actually allocated (>= count_), taken on demand
};

// A typed view over CArray. It adds no state; it only spares callers casts.
template <class T>
class CValueArray : public CArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    CValueArray() : CArray(static_cast<int>(sizeof(T))) {}
    void Add(const T& v) { CArray::Add(&v); }
    T& operator[](int i) const { return static_cast<T*>(Data())[i]; }
    T* begin() const { return static_cast<T*>(Data()); }
    T* end() const { return static_cast<T*>(Data()) + Count(); }
};

// Records owned by the list: each is freed with the list, exactly once. The
// list cannot be copied (that would free the records twice); it can be moved.
// Iterating yields the records as plain pointers.
template <class T>
class CPtrArray {
public:
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T* const*;
        using reference = T*;
        explicit Iterator(const std::unique_ptr<T>* at) : at_(at) {}
        T* operator*() const { return at_->get(); }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++at_;
            return before;
        }
        bool operator==(const Iterator&) const = default;

    private:
        const std::unique_ptr<T>* at_;
    };

    CPtrArray() = default;
    CPtrArray(const CPtrArray&) = delete;
    CPtrArray& operator=(const CPtrArray&) = delete;
    CPtrArray(CPtrArray&&) noexcept = default;
    CPtrArray& operator=(CPtrArray&&) noexcept = default;

    // Takes `p` over and returns it (null stays a hole in the list).
    T* Add(std::unique_ptr<T> p) {
        items_.push_back(std::move(p));
        return items_.back().get();
    }
    // A new default record at the end, owned by the list.
    T* AddNew() { return Add(std::make_unique<T>()); }
    int Count() const { return static_cast<int>(items_.size()); }
    // The element at `i`, or null when out of range.
    T* Get(int i) const { return i >= 0 && i < Count() ? items_[static_cast<std::size_t>(i)].get() : nullptr; }
    T* operator[](int i) const { return items_[static_cast<std::size_t>(i)].get(); }
    void Reserve(std::size_t n) { items_.reserve(n); }
    // Frees the records `drop` picks; the others keep their order.
    template <class Pred>
    void RemoveIf(Pred drop) {
        std::erase_if(items_, [&](const std::unique_ptr<T>& p) { return drop(static_cast<const T*>(p.get())); });
    }
    Iterator begin() const { return Iterator(items_.data()); }
    Iterator end() const { return Iterator(items_.data() + items_.size()); }

private:
    std::vector<std::unique_ptr<T>> items_;
};

// Records owned elsewhere, in order: links such as a bone's children or a
// model's root bones. Holes (null) are kept.
template <class T>
class CRefArray {
public:
    void Add(T* p) { items_.push_back(p); }
    int Count() const { return static_cast<int>(items_.size()); }
    // The element at `i`, or null when out of range.
    T* Get(int i) const { return i >= 0 && i < Count() ? items_[static_cast<std::size_t>(i)] : nullptr; }
    T* operator[](int i) const { return items_[static_cast<std::size_t>(i)]; }
    void Reserve(std::size_t n) { items_.reserve(n); }
    T* const* begin() const { return items_.data(); }
    T* const* end() const { return items_.data() + items_.size(); }

private:
    std::vector<T*> items_;
};

// Names in order. A name owns storage of its own length, so the list keeps
// them as objects rather than as bytes in one block.
class CNameList {
public:
    void Add(const CName& n) { names_.push_back(n); }
    int Count() const { return static_cast<int>(names_.size()); }
    const CName& operator[](int i) const { return names_[static_cast<std::size_t>(i)]; }
    auto begin() const { return names_.begin(); }
    auto end() const { return names_.end(); }

private:
    std::vector<CName> names_;
};
