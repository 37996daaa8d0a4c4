#include "collada/xml_dom.h"

#include "collada/number_list.h"

#include <algorithm>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/text_encoding.h"
#include "platform/text.h"

// ---------------------------------------------------------------- document

Status XmlDocument::LoadFile(const std::string& path) {
    if (Status read = buffer_.ReadFile(path); !read) return Status::Failure("cannot read the file: " + read.Why());
    return Parse();
}

Status XmlDocument::LoadMemory(std::string_view bytes) {
    buffer_.Assign(bytes);
    return Parse();
}

namespace {

// The encoding named by the XML declaration of a document that starts in
// ASCII ("<?xml ... encoding='...'?>"); empty when there is none.
std::string DeclaredEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") return {};
    const std::string_view decl = bytes.substr(0, bytes.find("?>"));
    std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return {};
    at = decl.find_first_of("\"'", at);
    if (at == std::string_view::npos) return {};
    const std::size_t end = decl.find(decl[at], at + 1);
    if (end == std::string_view::npos) return {};
    return std::string(decl.substr(at + 1, end - at - 1));
}

// Encodings the XML parser reads itself (it tells them apart by the bytes).
bool IsUnicode(std::string name) {
    for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (name.empty()) return true;
    for (const char* prefix : {"UTF-8", "UTF8", "UTF-16", "UTF16", "UTF-32", "UTF32", "UCS-2", "UCS2", "UCS-4", "UCS4"})
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

}  // namespace

Status XmlDocument::Parse() {
    // The parser reads UTF-8, -16 and -32 only: a document declared in
    // another encoding (Shift_JIS from Japanese tools, Latin-1, ...) is
    // turned into UTF-8 first, so its names and paths arrive intact.
    pugi::xml_encoding encoding = pugi::encoding_auto;
    const std::string declared = DeclaredEncoding(std::string_view(buffer_.Data(), buffer_.Size()));
    if (!IsUnicode(declared)) {
        const Result<std::string> utf8 = ConvertToUtf8(std::string_view(buffer_.Data(), buffer_.Size()), declared);
        if (!utf8) return utf8.status();
        buffer_.Assign(*utf8);
        encoding = pugi::encoding_utf8;
    }
    sourceSize_ = buffer_.Size();
    // In place: the tree points into our buffer instead of a second copy of
    // the file, which keeps the peak memory of large files down.
    const pugi::xml_parse_result r =
        doc_.load_buffer_inplace(buffer_.Data(), buffer_.Size(), pugi::parse_default, encoding);
    if (r) return Status::Ok();
    Status failed = Status::Failure(std::string("not well-formed XML (") + r.description() + ") at line " +
                                    std::to_string(LineAt(r.offset)));
    doc_.reset();
    return failed;
}

int XmlDocument::LineAt(std::ptrdiff_t offset) const {
    if (offset < 0) return 0;
    const std::size_t end = std::min(static_cast<std::size_t>(offset), buffer_.Size());
    return 1 + static_cast<int>(std::count(buffer_.Data(), buffer_.Data() + end, '\n'));
}

std::string DescribeElement(pugi::xml_node element) {
    if (!element) return "the document";
    std::string s = "<";
    s += element.name();
    for (const char* key : {"id", "sid", "semantic"}) {
        const pugi::xml_attribute a = element.attribute(key);
        if (!a.empty()) {
            s += ' ';
            s += key;
            s += "=\"";
            s += a.value();
            s += '"';
            break;
        }
    }
    s += '>';
    return s;
}

// ---------------------------------------------------------------- queries

namespace {

struct Step {
    std::string_view name;
    std::string_view attribute;  // empty: no predicate
    std::string_view literal;
    bool bound = false;  // compare with the bound value instead of `literal`
};

constexpr int kMaxSteps = 12;

int ParsePath(std::string_view path, Step (&steps)[kMaxSteps]) {
    int n = 0;
    std::size_t pos = 0;
    while (true) {
        if (n == kMaxSteps) throw ColladaError("query too long: " + std::string(path));
        const std::size_t slash = path.find('/', pos);
        std::string_view text =
            path.substr(pos, slash == std::string_view::npos ? std::string_view::npos : slash - pos);
        Step& s = steps[n++];
        s = Step{};
        const std::size_t open = text.find('[');
        s.name = text.substr(0, open);
        bool ok = !s.name.empty() && s.name.find_first_of("]@'$ ") == std::string_view::npos;
        if (ok && open != std::string_view::npos) {
            std::string_view pred = text.substr(open);  // [@attr='lit'] or [@attr=$]
            const std::size_t eq = pred.find('=');
            ok = pred.size() > 5 && pred.substr(0, 2) == "[@" && pred.back() == ']' && eq != std::string_view::npos &&
                 eq > 2;
            if (ok) {
                s.attribute = pred.substr(2, eq - 2);
                const std::string_view rhs = pred.substr(eq + 1, pred.size() - eq - 2);
                if (rhs == "$") {
                    s.bound = true;
                } else if (rhs.size() >= 2 && rhs.front() == '\'' && rhs.back() == '\'') {
                    s.literal = rhs.substr(1, rhs.size() - 2);
                    ok = s.literal.find('\'') == std::string_view::npos;
                } else {
                    ok = false;
                }
            }
        }
        if (!ok) throw ColladaError("malformed query: " + std::string(path));
        if (slash == std::string_view::npos) break;
        pos = slash + 1;
    }
    return n;
}

bool Matches(pugi::xml_node node, const Step& s, std::string_view value) {
    if (s.attribute.empty()) return true;
    // Attribute names here are the fixed ones of the queries ("id", "sid",
    // "semantic"); look them up without building a terminated copy.
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::string_view(a.name()) == s.attribute)
            return std::string_view(a.value()) == (s.bound ? value : s.literal);
    }
    return false;
}

bool NameIs(pugi::xml_node node, std::string_view name) {
    return node.type() == pugi::node_element && std::string_view(node.name()) == name;
}

// Depth-first over child steps; for child-only paths this is document order.
bool Walk(pugi::xml_node context, const Step* steps, int count, std::string_view value,
          std::vector<pugi::xml_node>* all, pugi::xml_node* first) {
    for (pugi::xml_node child = context.first_child(); child; child = child.next_sibling()) {
        if (!NameIs(child, steps[0].name) || !Matches(child, steps[0], value)) continue;
        if (count == 1) {
            if (first) {
                *first = child;
                return true;
            }
            all->push_back(child);
        } else if (Walk(child, steps + 1, count - 1, value, all, first)) {
            return true;
        }
    }
    return false;
}

}  // namespace

XmlNodeList SelectNodes(pugi::xml_node context, std::string_view path, std::string_view value) {
    Step steps[kMaxSteps];
    const int n = ParsePath(path, steps);
    XmlNodeList list;
    if (context) Walk(context, steps, n, value, &list.nodes_, nullptr);
    return list;
}

pugi::xml_node SelectSingleNode(pugi::xml_node context, std::string_view path, std::string_view value) {
    Step steps[kMaxSteps];
    const int n = ParsePath(path, steps);
    pugi::xml_node found;
    if (context) Walk(context, steps, n, value, nullptr, &found);
    return found;
}

// ---------------------------------------------------------------- attributes

std::string_view ReferenceAttribute(pugi::xml_node element, const char* name) {
    std::string_view v = Attribute(element, name);
    if (!v.empty()) v.remove_prefix(1);
    return v;
}

int AttributeAtoi(pugi::xml_node element, const char* name) { return ParseInt(Attribute(element, name)); }

namespace {
bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

int AttributeInteger(pugi::xml_node element, const char* name) {
    const pugi::xml_attribute a = element.attribute(name);
    std::string_view v = a.value();
    while (!v.empty() && IsXmlSpace(v.front())) v.remove_prefix(1);
    while (!v.empty() && IsXmlSpace(v.back())) v.remove_suffix(1);
    bool negative = false;
    if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    double d = 0.0;
    bool ok = !a.empty() && !v.empty() && (std::isdigit(static_cast<unsigned char>(v.front())) || v.front() == '.');
    if (ok) {
        const auto r = std::from_chars(v.data(), v.data() + v.size(), d, std::chars_format::general);
        ok = r.ec == std::errc() && r.ptr == v.data() + v.size();
    }
    if (ok) {
        d = std::nearbyint(negative ? -d : d);  // round half to even
        ok = d >= -2147483648.0 && d <= 2147483647.0;
    }
    if (!ok) {
        throw ColladaError(
            DescribeElement(element) + (a.empty() ? " has no " : " has a non-numeric ") + name + " attribute", element);
    }
    return static_cast<int>(d);
}

// ---------------------------------------------------------------- text

namespace numlist {

std::string_view RawText(pugi::xml_node node, std::string& storage) {
    pugi::xml_node only = node.first_child();
    if (only && !only.next_sibling() && (only.type() == pugi::node_pcdata || only.type() == pugi::node_cdata))
        return only.value();
    storage.clear();
    for (pugi::xml_node n = node.first_child(); n;) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) storage += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != node && !n.next_sibling()) n = n.parent();
        if (!n || n == node) break;
        n = n.next_sibling();
    }
    return storage;
}

namespace {

// Length of the zero-terminated text at `s` and whether every byte of it is
// below 0x80, sixteen bytes at a time. Loads are aligned, so none crosses
// into a page the text does not reach; the bytes around the text that they
// take in are masked out, which the address sanitizer cannot know.
#if defined(__SSE2__)
__attribute__((no_sanitize("address"))) ScannedText ScanZeroTerminated(const char* s) {
    const auto address = reinterpret_cast<std::uintptr_t>(s);
    const char* block = reinterpret_cast<const char*>(address & ~std::uintptr_t{15});
    const unsigned skip = static_cast<unsigned>(address & 15);
    unsigned high = 0;
    for (unsigned keep = 0xFFFFu << skip;; block += 16, keep = 0xFFFF) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        const unsigned zero = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) & keep;
        const unsigned top = static_cast<unsigned>(_mm_movemask_epi8(v)) & keep;
        if (zero != 0) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(zero));
            high |= top & ((1u << at) - 1);
            const std::size_t length = static_cast<std::size_t>(block + at - s);
            return {std::string_view(s, length), high == 0};
        }
        high |= top;
    }
}
#else
ScannedText ScanZeroTerminated(const char* s) {
    const std::string_view text(s);
    return {text, IsAscii(text)};
}
#endif

}  // namespace

ScannedText ScanRawText(pugi::xml_node node, std::string& storage) {
    pugi::xml_node only = node.first_child();
    if (only && !only.next_sibling() && (only.type() == pugi::node_pcdata || only.type() == pugi::node_cdata))
        return ScanZeroTerminated(only.value());
    const std::string_view text = RawText(node, storage);
    return {text, IsAscii(text)};
}

}  // namespace numlist

namespace {

std::string Normalize(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    bool pendingSpace = false;
    for (char c : raw) {
        if (IsXmlSpace(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

template <class T>
void Slow(std::string_view raw, std::int64_t limit, std::int64_t maxCount, std::vector<T>& out) {
    std::string bytes = Utf16ToCp932(Utf8ToUtf16(Normalize(raw)));
    if (static_cast<std::int64_t>(bytes.size()) > limit) bytes.resize(static_cast<std::size_t>(limit));
    // A converted byte can be a terminator (U+0000 from a character
    // reference); the C buffer would end there.
    bytes.resize(std::strlen(bytes.c_str()));
    Tokenizer tokens(bytes);
    for (std::int64_t n = 0; maxCount < 0 || n < maxCount; ++n) {
        const std::string_view t = tokens.Next(" ");
        if (t.empty()) break;
        out.push_back(numlist::Convert(t.data(), t.data() + t.size(), static_cast<T*>(nullptr)));
    }
}

}  // namespace

void numlist::SlowFloats(std::string_view raw, std::int64_t limit, std::int64_t maxCount, std::vector<float>& out) {
    Slow(raw, limit, maxCount, out);
}
void numlist::SlowInts(std::string_view raw, std::int64_t limit, std::int64_t maxCount, std::vector<int>& out) {
    Slow(raw, limit, maxCount, out);
}

std::string Text(pugi::xml_node node) {
    std::string storage;
    return Normalize(numlist::RawText(node, storage));
}

void ReadFloats(pugi::xml_node node, std::int64_t bufferBytes, std::int64_t maxCount, std::vector<float>& out) {
    numlist::ForEachNumber<float>(node, bufferBytes, maxCount, numlist::AppendTo<float>{out});
}

void ReadInts(pugi::xml_node node, std::int64_t bufferBytes, std::int64_t maxCount, std::vector<int>& out) {
    numlist::ForEachNumber<int>(node, bufferBytes, maxCount, numlist::AppendTo<int>{out});
}
