// The profile seam: one value of an INI file read or written the way Windows'
// profile functions do it (GetPrivateProfileStringA, WritePrivateProfileStringA).
// Paths are joined with backslashes as on Windows; the POSIX side turns them
// into slashes.
#pragma once

#include <cstddef>
#include <string>

// The value of `key` in `section`, or `defaultText` when the file, the section
// or the key is missing. Section and key names match without regard to case.
// The result is cut to `bufferSize` less one characters, as the read into a
// buffer of that size would cut it.
std::string ReadProfileText(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& defaultText,
                            std::size_t bufferSize);

// Sets `key` in `section` to `text`, creating the file, the section or the key
// as needed; a new key goes to the end of its section. Lines the write does
// not concern keep their bytes. False when the file could not be written.
bool WriteProfileText(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& text);
