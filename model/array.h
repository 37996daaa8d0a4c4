#pragma once
// Append-only array of fixed-size elements in one block.
//
// The visible capacity grows by 100 slots at a time (100, 200, 300, ...) and
// always keeps one spare slot. The storage underneath is reserved
// geometrically so that appending N elements costs O(N), not O(N^2).
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Typed views over CArray. They add no state; they only spare callers casts.
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

template <class T>
class CPtrArray : public CArray {
public:
    CPtrArray() : CArray(static_cast<int>(sizeof(T*))) {}
    void Add(T* p) { CArray::Add(&p); }
    // The element at `i`, or null when out of range.
    T* Get(int i) const {
        void* slot = GetAt(i);
        return slot ? *static_cast<T**>(slot) : nullptr;
    }
    T* operator[](int i) const { return static_cast<T**>(Data())[i]; }
    T** begin() const { return static_cast<T**>(Data()); }
    T** end() const { return static_cast<T**>(Data()) + Count(); }
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
