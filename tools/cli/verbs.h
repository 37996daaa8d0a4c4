#pragma once
// The verbs of vorland-cli. Each returns the process exit code:
// 0 success, 1 the file could not be read or the import failed, 2 usage.
#include <string>
#include <vector>

using Args = std::vector<std::string>;

int RunInfo(const Args& args);
int RunConvert(const Args& args);
int RunRender(const Args& args);
int RunSettings(const Args& args);
