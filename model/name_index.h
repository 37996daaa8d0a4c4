#pragma once
// Records of a list by one of their names: the first match in list order,
// as a linear scan finds it, in constant time. Build it once the list and
// the indexed names are complete and do not rename the records while it is
// in use: it reads the names from the records. One pointer slot per record
// and a half, so an index over a large skeleton stays small.
#include <functional>
#include <string_view>
#include <vector>

#include "model/array.h"
#include "platform/name.h"

template <class T>
class CNameIndex {
public:
    template <class List>
    CNameIndex(const List& list, CName T::*key) : key_(key) {
        std::size_t size = 16;
        while (size < static_cast<std::size_t>(list.Count()) * 3 / 2 + 1) size *= 2;
        slots_.assign(size, nullptr);
        for (T* record : list) {
            if (!record) continue;
            T** slot = SlotFor((record->*key_).View());
            if (!*slot) *slot = record;  // an earlier record of the same name wins
        }
    }
    // The first record whose name equals `name`, or null.
    T* Find(const CName& name) const { return *SlotFor(name.View()); }

private:
    // The slot holding `name`, or the empty slot where it would go.
    T** SlotFor(std::u16string_view name) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = std::hash<std::u16string_view>{}(name)&mask;; i = (i + 1) & mask) {
            T* const* slot = &slots_[i];
            if (!*slot || ((*slot)->*key_).View() == name) return const_cast<T**>(slot);
        }
    }

    CName T::*key_;
    std::vector<T*> slots_;
};
