#include "model/array.h"

#include <cstdlib>
#include <new>

CArray::CArray(int elementSize) : elementSize_(elementSize > 0 ? elementSize : 1) {
    GrowStorage(static_cast<std::size_t>(capacity_));
}

CArray::~CArray() { std::free(data_); }

void CArray::GrowStorage(std::size_t minSlots) {
    if (minSlots <= reserved_) return;
    std::size_t slots = reserved_ < 1024 ? minSlots : reserved_ + reserved_ / 2;
    if (slots < minSlots) slots = minSlots;
    const std::size_t bytes = slots * static_cast<std::size_t>(elementSize_);
    void* grown = std::realloc(data_, bytes);
    if (!grown) throw std::bad_alloc();
    data_ = static_cast<unsigned char*>(grown);
    reserved_ = slots;
}

void CArray::Reserve(std::size_t slots) { GrowStorage(slots); }

bool CArray::Add(const void* element) {
    if (count_ >= capacity_ - 1) {
        const int oldCapacity = capacity_;
        capacity_ += 100;
        GrowStorage(static_cast<std::size_t>(capacity_));
        // The new slots of a grown block start cleared.
        std::memset(data_ + static_cast<std::size_t>(oldCapacity) * elementSize_, 0,
                    static_cast<std::size_t>(capacity_ - oldCapacity) * elementSize_);
    }
    std::memcpy(data_ + static_cast<std::size_t>(count_) * elementSize_, element,
                static_cast<std::size_t>(elementSize_));
    ++count_;
    return true;
}

void* CArray::GetAt(int index) const {
    if (count_ <= 0 || index < 0 || index >= count_) return nullptr;
    return data_ + static_cast<std::size_t>(index) * elementSize_;
}
