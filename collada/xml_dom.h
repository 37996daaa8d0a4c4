#pragma once
// The small document-object layer the COLLADA importers read through:
// a parsed document, list and single selection by child paths with
// attribute predicates, attributes, and white-space-normalised text.
//
// Queries are fixed texts written in the importers. A value taken from the
// file (an id, a sid) is never pasted into a query: it is bound to the one
// "$" placeholder of the query and compared literally, so an id holding a
// quote or a bracket selects exactly the element with that id.
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collada/import_error.h"
#include "collada/source_buffer.h"

class XmlDocument {
public:
    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Parses the file or the bytes. A failure, saying why and where, when
    // the file cannot be read or is not well-formed XML.
    Status LoadFile(const std::string& path);
    Status LoadMemory(std::string_view bytes);

    // The document node: queries from here start with "COLLADA/...".
    pugi::xml_node Node() const { return doc_.root(); }
    // Bytes of the source document; no honest count in it can exceed this.
    std::size_t SourceSize() const { return sourceSize_; }
    // 1-based line of the element at a byte offset of the parsed buffer.
    int LineAt(std::ptrdiff_t offset) const;

private:
    Status Parse();

    SourceBuffer buffer_;  // parsed in place; the tree points into it
    std::size_t sourceSize_ = 0;
    pugi::xml_document doc_;
};

// Result of a list selection, in document order.
class XmlNodeList {
public:
    int Length() const { return static_cast<int>(nodes_.size()); }
    // The node at a 0-based index; a null node outside 0 .. Length()-1.
    pugi::xml_node Item(int index) const {
        return index >= 0 && index < Length() ? nodes_[static_cast<std::size_t>(index)] : pugi::xml_node();
    }
    std::vector<pugi::xml_node>::const_iterator begin() const { return nodes_.begin(); }
    std::vector<pugi::xml_node>::const_iterator end() const { return nodes_.end(); }

private:
    friend XmlNodeList SelectNodes(pugi::xml_node, std::string_view, std::string_view);
    std::vector<pugi::xml_node> nodes_;
};

// `path`: child steps separated by "/", each a name optionally followed by
// one predicate [@attr='literal'] or [@attr=$]; "$" takes `value`.
// A malformed path throws ColladaError.
XmlNodeList SelectNodes(pugi::xml_node context, std::string_view path, std::string_view value = {});
// The first match in document order, or a null node.
pugi::xml_node SelectSingleNode(pugi::xml_node context, std::string_view path, std::string_view value = {});

// The node itself when it is an element, else a null node.
inline pugi::xml_node ElementView(pugi::xml_node node) {
    return node.type() == pugi::node_element ? node : pugi::xml_node();
}

// An attribute's value as UTF-8; empty when absent.
inline std::string_view Attribute(pugi::xml_node element, const char* name) { return element.attribute(name).value(); }
inline bool HasAttribute(pugi::xml_node element, const char* name) { return !element.attribute(name).empty(); }
// A reference attribute ("#id") without its first character, whatever it is.
std::string_view ReferenceAttribute(pugi::xml_node element, const char* name);
// An attribute read as text and converted like atoi (absent or no number: 0).
int AttributeAtoi(pugi::xml_node element, const char* name);
// An attribute converted to a 32-bit integer as a variant conversion would:
// blanks around the number allowed, a fraction rounded half to even. An
// absent attribute or one that is no number throws ColladaError.
int AttributeInteger(pugi::xml_node element, const char* name);

// Text content of the node and its descendants, every run of space, tab,
// CR and LF turned into one space and none left at either end.
std::string Text(pugi::xml_node node);

// The number-list procedure: the node's normalised text as it would sit in
// a zeroed buffer of `bufferBytes` bytes (text beyond bufferBytes - 1 bytes
// in code page 932 is cut), split at spaces, at most `maxCount` tokens
// (negative: no limit), each converted like atof / atoi. The buffer is only
// emulated: nothing of bufferBytes is allocated.
void ReadFloats(pugi::xml_node node, std::int64_t bufferBytes, std::int64_t maxCount, std::vector<float>& out);
void ReadInts(pugi::xml_node node, std::int64_t bufferBytes, std::int64_t maxCount, std::vector<int>& out);
