#include "model/array.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "platform/large_block.h"

// Storage is taken on the first Add, not at construction: records hold many
// arrays that stay empty (a polygon block's colour indices, a channel read
// from a one-line file), and reserving 100 slots for each would let a small
// file of empty blocks ask for hundreds of times its size.
CArray::CArray(int elementSize) : elementSize_(elementSize > 0 ? elementSize : 1) {}

CArray::~CArray() { std::free(data_); }

void CArray::GrowStorage(std::size_t minSlots) {
    if (minSlots <= reserved_) return;
    std::size_t slots = reserved_ + reserved_ / 2;
    if (slots < 4) slots = 4;
    if (slots < minSlots) slots = minSlots;
    // New slots start cleared. A first block comes from calloc, which hands
    // out fresh pages from the system as they are (already zero) instead of
    // writing every byte of a large reservation once more.
    if (!data_) {
        data_ = static_cast<unsigned char*>(std::calloc(slots, static_cast<std::size_t>(elementSize_)));
        if (!data_) throw std::bad_alloc();
        reserved_ = slots;
        return;
    }
    const std::size_t bytes = slots * static_cast<std::size_t>(elementSize_);
    void* grown = std::realloc(data_, bytes);
    if (!grown) throw std::bad_alloc();
    data_ = static_cast<unsigned char*>(grown);
    std::memset(data_ + reserved_ * static_cast<std::size_t>(elementSize_), 0,
                (slots - reserved_) * static_cast<std::size_t>(elementSize_));
    reserved_ = slots;
}

void CArray::Reserve(std::size_t slots) { GrowStorage(slots); }

void CArray::Add(const void* element) {
    // The visible capacity follows 100, 200, 300, ... whatever is reserved.
    if (count_ >= capacity_ - 1) capacity_ += 100;
    const auto* src = static_cast<const unsigned char*>(element);
    const std::size_t size = static_cast<std::size_t>(elementSize_);
    if (static_cast<std::size_t>(count_) >= reserved_) {
        // The element may live in this very block, which is about to move.
        const auto at = reinterpret_cast<std::uintptr_t>(src);
        const auto base = reinterpret_cast<std::uintptr_t>(data_);
        const bool inside = data_ && at >= base && at < base + reserved_ * size;
        GrowStorage(static_cast<std::size_t>(count_) + 1);
        if (inside) src = data_ + (at - base);
    }
    std::memcpy(data_ + static_cast<std::size_t>(count_) * size, src, size);
    ++count_;
}

void CArray::AddRange(const void* elements, int n) {
    if (n <= 0) return;
    const int newCount = count_ + n;
    // Add grows the visible capacity by 100 whenever an append would fill
    // the last slot: land on the same step.
    if (newCount >= capacity_) capacity_ += ((newCount - capacity_) / 100 + 1) * 100;
    if (static_cast<std::size_t>(newCount) > reserved_) {
        const bool fresh = !data_;
        GrowStorage(static_cast<std::size_t>(newCount));
        if (fresh)
            PrefaultForWriting(data_,
                               static_cast<std::size_t>(n) * static_cast<std::size_t>(elementSize_));  // filled next
    }
    std::memcpy(data_ + static_cast<std::size_t>(count_) * elementSize_, elements,
                static_cast<std::size_t>(n) * static_cast<std::size_t>(elementSize_));
    count_ = newCount;
}

void* CArray::AddUnset(int n) {
    if (n <= 0) return nullptr;
    const int first = count_;
    const int newCount = count_ + n;
    if (newCount >= capacity_) capacity_ += ((newCount - capacity_) / 100 + 1) * 100;
    if (!data_) {
        // Exactly the slots the caller fills, not cleared first.
        const std::size_t bytes = static_cast<std::size_t>(n) * static_cast<std::size_t>(elementSize_);
        data_ = static_cast<unsigned char*>(std::malloc(bytes));
        if (!data_) throw std::bad_alloc();
        PrefaultForWriting(data_, bytes);  // the caller writes every byte next
        reserved_ = static_cast<std::size_t>(n);
    } else if (static_cast<std::size_t>(newCount) > reserved_) {
        GrowStorage(static_cast<std::size_t>(newCount));
    }
    count_ = newCount;
    return data_ + static_cast<std::size_t>(first) * elementSize_;
}

void* CArray::GetAt(int index) const {
    if (count_ <= 0 || index < 0 || index >= count_) return nullptr;
    return data_ + static_cast<std::size_t>(index) * elementSize_;
}
