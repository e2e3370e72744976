// The file seam: every output is one open, write and close. Paths are joined
// with backslashes as on Windows; the POSIX side turns them into slashes.
// Bytes are written as given: callers turn line feeds into CR LF first.
#pragma once

#include <string>

// Replaces the file's whole content so that a reader sees the old or the new
// bytes, never a half-written file; where the replace is refused (a reader
// holding the file on Windows) the file is rewritten in place instead.
// False when nothing could be written (folder missing, no rights).
bool ReplaceFileContents(const std::string& path, const std::string& bytes);

// Appends to the end of the file, creating it when missing. False when the
// file could not be opened.
bool AppendToFile(const std::string& path, const std::string& bytes);
