// Small text helpers shared by the subsystems.
#pragma once

#include <cstddef>
#include <string>

// Settings' words compare byte by byte after tolower, and only at equal length.
bool EqualsIgnoringCase(const std::string& text, const char* word);

// Reads a fixed-size text field of the host that may lack its terminating NUL.
std::string TextOfField(const char* field, std::size_t size);
