#include <gtest/gtest.h>

#include "model/array.h"
#include "model/name.h"

TEST(CArray, GrowsByHundredKeepingOneSpareSlot) {
    CValueArray<int> a;
    EXPECT_EQ(a.Capacity(), 100);
    for (int i = 0; i < 98; ++i) a.Add(i);
    EXPECT_EQ(a.Capacity(), 100);
    a.Add(98);  // count 99 reached -> the next append grows
    EXPECT_EQ(a.Capacity(), 100);
    a.Add(99);
    EXPECT_EQ(a.Capacity(), 200);
    for (int i = 100; i < 1000; ++i) a.Add(i);
    EXPECT_EQ(a.Capacity(), 1100);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(a[i], i);
}

TEST(CArray, GetAtOutsideTheElementsIsNull) {
    CValueArray<float> a;
    EXPECT_EQ(a.GetAt(0), nullptr);
    a.Add(1.5f);
    EXPECT_NE(a.GetAt(0), nullptr);
    EXPECT_EQ(a.GetAt(1), nullptr);
    EXPECT_EQ(a.GetAt(-1), nullptr);
    EXPECT_EQ(*static_cast<float*>(a.GetAt(0)), 1.5f);
}

TEST(CName, CutsAt1023UnitsAndComparesExactly) {
    std::u16string longName(2000, u'x');
    CName n(longName);
    EXPECT_EQ(n.Length(), 1023);
    EXPECT_EQ(n.Data()[1023], u'\0');
    CName a, b;
    a.SetAscii("Bone");
    b.SetAscii("bone");
    EXPECT_FALSE(a == b);
    b.SetAscii("Bone");
    EXPECT_TRUE(a == b);
}
