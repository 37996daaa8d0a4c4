// The XML access layer: selection, predicates with bound values, text
// normalisation and the number-list procedure with its buffer bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "collada/xml_dom.h"
#include "platform/text.h"

namespace {

struct Doc {
    XmlDocument doc;
    explicit Doc(const std::string& text) {
        const Status loaded = doc.LoadMemory(text);
        EXPECT_TRUE(loaded) << loaded.Why();
    }
    pugi::xml_node root() const { return doc.Node(); }
};

std::vector<float> Floats(pugi::xml_node n, std::int64_t bytes, std::int64_t max) {
    std::vector<float> v;
    ReadFloats(n, bytes, max, v);
    return v;
}

std::vector<int> Ints(pugi::xml_node n, std::int64_t bytes, std::int64_t max) {
    std::vector<int> v;
    ReadInts(n, bytes, max, v);
    return v;
}

}  // namespace

TEST(XmlDocument, RejectsMalformedAndEmptyDocuments) {
    XmlDocument a, b, c;
    const Status malformed = a.LoadMemory("<COLLADA><a></COLLADA>");
    EXPECT_FALSE(malformed);
    EXPECT_NE(malformed.Why().find("not well-formed"), std::string::npos) << malformed.Why();
    EXPECT_FALSE(b.LoadMemory(""));
    const Status missing = c.LoadFile("/nonexistent/dir/x.dae");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.Why(), "cannot read the file: No such file or directory");
}

TEST(XmlDocument, ReportsTheLineOfAnElement) {
    Doc d("<COLLADA>\n<a/>\n\n<b/></COLLADA>");
    const pugi::xml_node b = SelectSingleNode(d.root(), "COLLADA/b");
    EXPECT_EQ(d.doc.LineAt(b.offset_debug()), 4);
}

TEST(XmlSelect, ListsInDocumentOrderAcrossRepeatedParents) {
    Doc d(
        "<COLLADA xmlns='http://www.collada.org/2005/11/COLLADASchema'>"
        "<lib><g id='1'/><g id='2'/></lib><other><g id='x'/></other><lib><g id='3'/></lib></COLLADA>");
    const XmlNodeList list = SelectNodes(d.root(), "COLLADA/lib/g");
    ASSERT_EQ(list.Length(), 3);
    EXPECT_EQ(Attribute(list.Item(0), "id"), "1");
    EXPECT_EQ(Attribute(list.Item(2), "id"), "3");
    EXPECT_FALSE(list.Item(3));
    EXPECT_FALSE(list.Item(-1));
    EXPECT_EQ(SelectNodes(d.root(), "COLLADA/nothing").Length(), 0);
    EXPECT_FALSE(SelectSingleNode(d.root(), "COLLADA/lib/nothing"));
}

TEST(XmlSelect, PredicatesOnLiteralsAndBoundValues) {
    Doc d(
        "<r><in semantic='JOINT' n='1'/><in semantic='WEIGHT' n='2'/><in semantic='WEIGHT' n='3'/>"
        "<e id=\"it's\"><v>q</v></e><e id=\"a']|//*[@id='b\"><v>x</v></e><e id='b'><v>y</v></e></r>");
    EXPECT_EQ(Attribute(SelectSingleNode(d.root(), "r/in[@semantic='WEIGHT']"), "n"), "2");
    EXPECT_EQ(SelectNodes(d.root(), "r/in[@semantic=$]", "WEIGHT").Length(), 2);
    // Values from the file are compared as they are, never parsed as query.
    EXPECT_EQ(Text(SelectSingleNode(d.root(), "r/e[@id=$]/v", "it's")), "q");
    EXPECT_EQ(SelectNodes(d.root(), "r/e[@id=$]", "a']|//*[@id='b").Length(), 1);
    EXPECT_EQ(Text(SelectSingleNode(d.root(), "r/e[@id=$]/v", "a']|//*[@id='b")), "x");
    EXPECT_EQ(SelectNodes(d.root(), "r/e[@id=$]", "c").Length(), 0);
}

TEST(XmlSelect, MalformedQueryIsAnError) {
    Doc d("<r/>");
    EXPECT_THROW(SelectNodes(d.root(), "r/[@id='x']"), ColladaError);
    EXPECT_THROW(SelectNodes(d.root(), "r/e[@id='x]"), ColladaError);
    EXPECT_THROW(SelectNodes(d.root(), "r//e"), ColladaError);
}

TEST(XmlAttributes, AtoiAndVariantReadings) {
    Doc d("<r a=' 12abc' b='x' c=' 7 ' e='2.5' f='3.5' g='99999999999' h='-4'/>");
    const pugi::xml_node r = SelectSingleNode(d.root(), "r");
    EXPECT_EQ(AttributeAtoi(r, "a"), 12);
    EXPECT_EQ(AttributeAtoi(r, "b"), 0);
    EXPECT_EQ(AttributeAtoi(r, "missing"), 0);
    EXPECT_EQ(AttributeInteger(r, "c"), 7);
    EXPECT_EQ(AttributeInteger(r, "e"), 2);  // half to even
    EXPECT_EQ(AttributeInteger(r, "f"), 4);
    EXPECT_EQ(AttributeInteger(r, "h"), -4);
    EXPECT_THROW(AttributeInteger(r, "a"), ColladaError);
    EXPECT_THROW(AttributeInteger(r, "b"), ColladaError);
    EXPECT_THROW(AttributeInteger(r, "g"), ColladaError);
    EXPECT_THROW(AttributeInteger(r, "missing"), ColladaError);
    EXPECT_EQ(ReferenceAttribute(SelectSingleNode(d.root(), "r"), "b"), "");
}

TEST(XmlText, NormalisesWhiteSpaceRuns) {
    Doc d("<r><t>\n\t  a  b\r\n\tc <![CDATA[ d]]>  </t><u><x>1</x> <y>2</y></u></r>");
    EXPECT_EQ(Text(SelectSingleNode(d.root(), "r/t")), "a b c d");
    EXPECT_EQ(Text(SelectSingleNode(d.root(), "r/u")), "12");
    EXPECT_EQ(Text(SelectSingleNode(d.root(), "r/none")), "");
}

TEST(XmlNumbers, TabsAndLineBreaksSplitLikeSpaces) {
    Doc d("<r><a>1.5 -2 3e2 x 4</a><b>\n1.5\t-2\r\n  3e2\n x\t\t4\n</b></r>");
    const std::vector<float> expect{1.5f, -2.0f, 300.0f, 0.0f, 4.0f};
    EXPECT_EQ(Floats(SelectSingleNode(d.root(), "r/a"), 1024, -1), expect);
    EXPECT_EQ(Floats(SelectSingleNode(d.root(), "r/b"), 1024, -1), expect);
    EXPECT_EQ(Floats(SelectSingleNode(d.root(), "r/b"), 1024, 2), (std::vector<float>{1.5f, -2.0f}));
}

TEST(XmlNumbers, AtoiAndAtofSemantics) {
    Doc d("<r><a>+7 -0 12abc abc 0x10 2147483648 -9.9</a><b>.5 5. -.25e1 1e 1e-400 inf</b></r>");
    EXPECT_EQ(Ints(SelectSingleNode(d.root(), "r/a"), 1024, -1), (std::vector<int>{7, 0, 12, 0, 0, 2147483647, -9}));
    const std::vector<float> f = Floats(SelectSingleNode(d.root(), "r/b"), 1024, -1);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0], 0.5f);
    EXPECT_EQ(f[1], 5.0f);
    EXPECT_EQ(f[2], -2.5f);
    EXPECT_EQ(f[3], 1.0f);
    EXPECT_EQ(f[4], 0.0f);
    EXPECT_TRUE(std::isinf(f[5]));
}

TEST(XmlNumbers, TextBeyondTheBufferIsCut) {
    // Normalised: "11 22 33 44" - a buffer of 8 bytes holds "11 22 3".
    Doc d("<r><a>\n  11\n\n22   33 44</a></r>");
    const pugi::xml_node a = SelectSingleNode(d.root(), "r/a");
    EXPECT_EQ(Ints(a, 8, -1), (std::vector<int>{11, 22, 3}));
    EXPECT_EQ(Ints(a, 7, -1), (std::vector<int>{11, 22}));
    EXPECT_EQ(Ints(a, 1, -1), std::vector<int>{});
    EXPECT_EQ(Ints(a, 0, -1), std::vector<int>{});
    EXPECT_EQ(Ints(a, -128, -1), std::vector<int>{});
    EXPECT_EQ(Ints(a, 1024, -1), (std::vector<int>{11, 22, 33, 44}));
}

TEST(XmlNumbers, HugeDeclaredBufferAllocatesNothingExtra) {
    Doc d("<r><a>1 2 3</a></r>");
    // 100 million declared elements: 12.8 GB of buffer is only emulated.
    EXPECT_EQ(Floats(SelectSingleNode(d.root(), "r/a"), 100000000LL * 128, 100000000LL), (std::vector<float>{1, 2, 3}));
}

TEST(XmlNumbers, MultibyteTextIsCutByItsCodePageBytes) {
    // U+3042 is two bytes in code page 932 (three in UTF-8): "\xe3\x81\x82" + "12 5".
    Doc d(
        "<r><a>\xe3\x81\x82"
        "12 5</a></r>");
    const pugi::xml_node a = SelectSingleNode(d.root(), "r/a");
    EXPECT_EQ(Ints(a, 1024, -1), (std::vector<int>{0, 5}));
    EXPECT_EQ(Floats(a, 4, -1), (std::vector<float>{0.0f}));
    Doc e("<r><a>7 \xe3\x81\x82 8</a></r>");
    // "7 " + 2 bytes + " 8": a 6-byte buffer holds "7 xx " and ends before 8.
    EXPECT_EQ(Ints(SelectSingleNode(e.root(), "r/a"), 6, -1), (std::vector<int>{7, 0}));
}

// Lists long enough to be converted in two halves at once must give what
// converting them token by token gives, in order, with the count limit
// falling before, at and after the middle.
TEST(XmlNumbers, LongListsConvertedOnTwoThreadsMatchTokenByToken) {
    const char* shapes[] = {"-0.7741333",
                            "0.01268625",
                            "1.089871",
                            "3e2",
                            "-4.5E-3",
                            "12abc",
                            "abc",
                            "+7",
                            "2147483648",
                            ".5",
                            "-0",
                            "123456",
                            "9.999999999999999999999",
                            "1e-400",
                            "123456789",
                            "99999999",
                            "-12345678",
                            "5.",
                            "-.5",
                            "1.2.3",
                            "--1",
                            "+-1",
                            "00000001.50000000",
                            "12345678.12345678",
                            "99999999.99999999",
                            "0.000000015",
                            "1111111111111111111111111111111111111111111111111111111111111111111111111111"
                            "1111111111111111111111111111111111111111111111111111111111111111111111111111.5"};
    const char* blanks[] = {" ", "  ", "\t", "\r\n", "\n \t"};
    std::string text;
    std::vector<std::string> tokens;
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    while (text.size() < 700 * 1024) {
        tokens.emplace_back(shapes[next() % std::size(shapes)]);
        text += tokens.back();
        text += blanks[next() % std::size(blanks)];
    }
    Doc d("<r><a>" + text + "</a></r>");
    const pugi::xml_node a = SelectSingleNode(d.root(), "r/a");
    const std::int64_t all = static_cast<std::int64_t>(tokens.size());

    const std::vector<float> floats = Floats(a, all * 128, -1);
    const std::vector<int> ints = Ints(a, all * 128, -1);
    ASSERT_EQ(floats.size(), tokens.size());
    ASSERT_EQ(ints.size(), tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const float want = static_cast<float>(ParseDouble(tokens[i]));
        ASSERT_TRUE(floats[i] == want || (std::isnan(want) && std::isnan(floats[i]))) << i << " " << tokens[i];
        ASSERT_EQ(std::signbit(floats[i]), std::signbit(want)) << i << " " << tokens[i];
        ASSERT_EQ(ints[i], ParseInt(tokens[i])) << i << " " << tokens[i];
    }
    for (const std::int64_t limit : {all / 3, all / 2, all / 2 + 1, all - 1, all + 5}) {
        const std::vector<float> cut = Floats(a, all * 128, limit);
        ASSERT_EQ(static_cast<std::int64_t>(cut.size()), std::min(limit, all));
        EXPECT_TRUE(std::equal(cut.begin(), cut.end(), floats.begin(),
                               [](float x, float y) { return x == y || (std::isnan(x) && std::isnan(y)); }));
        const std::vector<int> cutInts = Ints(a, all * 128, limit);
        EXPECT_TRUE(std::equal(cutInts.begin(), cutInts.end(), ints.begin()));
    }
}

// Multibyte text is found wherever it stands relative to the sixteen-byte
// blocks the text is scanned in.
TEST(XmlNumbers, MultibyteFoundAtEveryOffset) {
    for (int ones = 0; ones < 40; ++ones) {
        std::string text;
        for (int i = 0; i < ones; ++i) text += "1 ";
        Doc d("<r><a>" + text + "\xe3\x81\x82" + " 5</a></r>");
        std::vector<int> expect(static_cast<std::size_t>(ones), 1);
        expect.push_back(0);
        expect.push_back(5);
        const pugi::xml_node a = SelectSingleNode(d.root(), "r/a");
        ASSERT_EQ(Ints(a, 1024, -1), expect) << ones;
        // Two bytes in code page 932 (three in UTF-8): a buffer just large
        // enough for the text as code page 932 still holds the 5.
        ASSERT_EQ(Ints(a, 2 * ones + 2 + 2 + 1, -1), expect) << ones;
        expect.pop_back();
        ASSERT_EQ(Ints(a, 2 * ones + 2 + 2, -1), expect) << ones;
    }
}
