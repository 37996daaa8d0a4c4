#pragma once
// Helpers for the COLLADA tests: import a document held in a string.
#include <gtest/gtest.h>

#include <string>

#include "collada/collada.h"
#include "platform/cp932.h"
#include "tests/core/status_util.h"

namespace colladatest {

inline CName Name(const char* ascii) {
    CName n;
    n.SetAscii(ascii);
    return n;
}

inline std::string Wrap(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">" +
           body + "</COLLADA>";
}

// Imports `doc` as model "test"; the message goes to the test log.
inline bool Import(CModel& model, const std::string& doc) {
    std::string error;
    const bool ok = Kept(LoadColladaFromMemory(model, doc, Name("test")), error);
    if (!ok) ADD_FAILURE() << error;
    return ok;
}

// Imports a document that must fail; returns the message.
inline std::string ImportFails(CModel& model, const std::string& doc) {
    std::string error;
    EXPECT_FALSE(Kept(LoadColladaFromMemory(model, doc, Name("test")), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
}

inline std::string ModelNameOf(const std::string& path, const char* ext) {
    return ColladaModelName(path, Name(ext)).ToUtf8();
}

}  // namespace colladatest
