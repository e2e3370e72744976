// Text helpers: the simulator's names are bytes that need not be valid UTF-8.
#pragma once

#include <string>

namespace ksim {

// The text as valid UTF-8: valid sequences are kept, every other byte is read
// as Latin-1 (the encoding such files really use) and re-encoded.
std::string ValidUtf8(const std::string& bytes);

// The bytes as they are, with &, < and > (and " when asked) written as
// character references.
std::string EscapeMarkup(const std::string& text, bool quotes);

// Valid UTF-8 with &, <, > and " escaped for HTML text and attributes.
std::string HtmlText(const std::string& bytes);

// Session clock: "m:ss.s" below an hour, "h:mm:ss.s" from an hour on.
std::string ClockText(double seconds);

// A number with a fixed count of decimals ("0.31").
std::string Fixed(double value, int decimals);

std::string Trim(const std::string& text);

}  // namespace ksim
