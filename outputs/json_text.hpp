// Pieces of JSON written straight into a growing document, without a stream
// per value: the standings document holds a few hundred of them.
#pragma once

#include <cstddef>
#include <string>

// A JSON string, quotes included, that is always valid UTF-8: bytes that form
// valid UTF-8 pass through as they are, any other byte is read as
// windows-1252 (older builds' names) and converted; its five undefined bytes
// become U+FFFD. Quotes, backslashes and control bytes are escaped.
void AppendJsonString(std::string& out, const char* text, std::size_t length);
void AppendJsonString(std::string& out, const std::string& text);

// Seconds with exactly three decimals and a full stop whatever the locale;
// null for a value that is not a finite number.
void AppendSeconds(std::string& out, double seconds);

void AppendInteger(std::string& out, long long value);
