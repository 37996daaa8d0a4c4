#include <gtest/gtest.h>

#include "model/array.h"
#include "platform/name.h"

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

TEST(CArray, CapacityStepsByHundredForLargeArraysToo) {
    CValueArray<float> a;
    for (int i = 0; i < 25000; ++i) {
        a.Add(static_cast<float>(i));
        // One spare slot always: capacity is the next multiple of 100 above count.
        ASSERT_EQ(a.Capacity(), (a.Count() / 100 + 1) * 100) << "count " << a.Count();
    }
    for (int i = 0; i < 25000; i += 997) ASSERT_EQ(a[i], static_cast<float>(i));
}

TEST(CArray, ElementSizesAreKept) {
    CArray names(static_cast<int>(sizeof(CName)));
    CArray matrices(64);
    EXPECT_EQ(matrices.ElementSize(), 64);
    EXPECT_EQ(names.Count(), 0);
    CName n;
    n.SetAscii("uv");
    names.Add(&n);
    EXPECT_EQ(*static_cast<CName*>(names.GetAt(0)), n);
    float m[16] = {};
    m[15] = 2.0f;
    for (int i = 0; i < 150; ++i) matrices.Add(m);
    EXPECT_EQ(static_cast<float*>(matrices.GetAt(149))[15], 2.0f);
    EXPECT_EQ(matrices.Capacity(), 200);
}

TEST(CArray, AddingAnElementOfTheSameArrayIsSafe) {
    CValueArray<int> a;
    a.Add(42);
    // Each append may move the block; the source element lives in it.
    for (int i = 0; i < 5000; ++i) a.CArray::Add(a.GetAt(0));
    EXPECT_EQ(a.Count(), 5001);
    EXPECT_EQ(a[5000], 42);
}
