#include <gtest/gtest.h>

#include <vector>

#include "model/array.h"

// AddRange must leave the array exactly as the same number of Add calls.
TEST(CArrayAddRange, MatchesRepeatedAdd) {
    for (int start : {0, 50, 98, 99, 150}) {
        for (int n : {0, 1, 2, 99, 100, 101, 250, 5000}) {
            CValueArray<int> a, b;
            for (int i = 0; i < start; ++i) {
                a.Add(i);
                b.Add(i);
            }
            std::vector<int> more(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) more[static_cast<std::size_t>(i)] = 1000 + i;
            for (int v : more) a.Add(v);
            b.AddRange(more.data(), n);
            ASSERT_EQ(a.Count(), b.Count()) << start << " " << n;
            ASSERT_EQ(a.Capacity(), b.Capacity()) << start << " " << n;
            for (int i = 0; i < a.Count(); ++i) ASSERT_EQ(a[i], b[i]);
        }
    }
}
