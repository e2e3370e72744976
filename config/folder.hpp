// The folder seam: creates the last folder of a backslash-joined path. A
// folder that exists already, a missing parent or an empty path leave things
// as they are; nobody is told.
#pragma once

#include <string>

void CreateOneFolder(const std::string& path);
