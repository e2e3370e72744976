// Where the INI file and the files folder lie, derived from the path that the
// simulator names at set-up.
#pragma once

#include <string>

// The text before the last "/" or "\" of a path; the whole text when it holds
// neither. A folder given with a trailing separator and a file inside it both
// give the folder.
std::string FolderPartOf(const std::string& path);

// The INI file beside the simulator's path entry: its folder part followed by
// "\rF2kovrel.ini". A missing entry (null) counts as an empty one.
std::string IniPathFor(const char* pathEntry);

// The files folder used when the INI file names none: "rF2stream" in the INI
// file's folder.
std::string DefaultFilesPathFor(const std::string& iniPath);
