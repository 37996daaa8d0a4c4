#pragma once
// The error that ends a COLLADA import: a required element is missing or a
// value cannot be read. It never leaves LoadCollada, which turns it into the
// caller's one-line message.
#include <pugixml.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>

class ColladaError : public std::runtime_error {
public:
    // `where` is the element the problem was found in (may be null).
    ColladaError(const std::string& what, pugi::xml_node where)
        : std::runtime_error(what), offset_(where ? where.offset_debug() : -1) {}
    explicit ColladaError(const std::string& what) : std::runtime_error(what), offset_(-1) {}
    // Byte offset of the element in the parsed buffer, -1 when unknown.
    std::ptrdiff_t Offset() const { return offset_; }

private:
    std::ptrdiff_t offset_;
};

// "<mesh>" of geometry 'Cube-mesh' - for messages.
std::string DescribeElement(pugi::xml_node element);
