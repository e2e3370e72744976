#include "common/text.hpp"

#include <cmath>
#include <cstdio>

namespace ksim {

namespace {

// Length of the valid UTF-8 sequence at bytes[i], or 0 when there is none.
std::size_t Utf8SequenceLength(const std::string& bytes, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned int lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    lowest = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  unsigned int code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = byte(i + k);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string ValidUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes, i);
    if (length > 0) {
      out.append(bytes, i, length);
      i += length;
    } else {
      const unsigned char latin1 = static_cast<unsigned char>(bytes[i]);
      out.push_back(static_cast<char>(0xC0 | (latin1 >> 6)));
      out.push_back(static_cast<char>(0x80 | (latin1 & 0x3F)));
      ++i;
    }
  }
  return out;
}

std::string EscapeMarkup(const std::string& text, bool quotes) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"':
        if (quotes) {
          out += "&quot;";
          break;
        }
        out.push_back(c);
        break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string HtmlText(const std::string& bytes) { return EscapeMarkup(ValidUtf8(bytes), true); }

std::string ClockText(double seconds) {
  const bool negative = seconds < 0;
  const double magnitude = std::fabs(seconds);
  // Tenths first, so that 59.96 s reads 1:00.0 and not 0:60.0.
  const long long tenths = std::llround(magnitude * 10.0);
  const long long hours = tenths / 36000;
  const long long minutes = (tenths / 600) % 60;
  const long long secondsPart = (tenths / 10) % 60;
  const long long tenth = tenths % 10;
  char buffer[48];
  if (hours > 0) {
    std::snprintf(buffer, sizeof buffer, "%s%lld:%02lld:%02lld.%lld", negative ? "-" : "", hours,
                  minutes, secondsPart, tenth);
  } else {
    std::snprintf(buffer, sizeof buffer, "%s%lld:%02lld.%lld", negative ? "-" : "", minutes,
                  secondsPart, tenth);
  }
  return buffer;
}

std::string Fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace ksim
