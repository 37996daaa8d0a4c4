#pragma once
// Paths on the command line are the file system's bytes (UTF-8 here) and
// stay so for opening, writing and messages; they become record names (and
// through them code page 932 in the files) only here.
#include <string>

#include "platform/name.h"

CName NameFromPath(const std::string& bytes);
// The extension after the last "." of the last path component, lower case
// and with its dot; empty when there is none.
std::string LowerExtension(const std::string& path);
// The last path component without its extension.
std::string Stem(const std::string& path);
// The last path component.
std::string BaseName(const std::string& path);
