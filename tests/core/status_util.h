#pragma once
// For tests that look at a failure's reason after the call: Kept(result, why)
// is the result's success, with its reason (and notes) kept for the checks.
#include <string>
#include <vector>

#include "platform/status.h"

template <class R>
bool Kept(const R& result, std::string& why) {
    why = result.Why();
    return result.IsOk();
}

inline bool Kept(const Outcome& result, std::string& why, std::vector<std::string>& notes) {
    notes.insert(notes.end(), result.notes.begin(), result.notes.end());
    return Kept(result, why);
}
