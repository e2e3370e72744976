#include "outputs/json_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// Unicode code points of windows-1252's bytes 0x80 to 0x9F; 0 where the code
// page defines none.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::uint32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence that starts at `at`; 0 when none
// does (a stray continuation byte, an overlong form, a surrogate, a code
// point beyond U+10FFFF, or a sequence cut short).
std::size_t Utf8SequenceAt(const unsigned char* text, std::size_t at, std::size_t length) {
  const unsigned char lead = text[at];
  std::size_t size = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (length - at < size) return 0;
  if (text[at + 1] < low || text[at + 1] > high) return 0;
  for (std::size_t i = 2; i < size; ++i) {
    if (!IsContinuation(text[at + i])) return 0;
  }
  return size;
}

void AppendCodePoint(std::string& out, std::uint32_t code) {
  if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// Bytes 0xA0 to 0xFF are Latin-1 in windows-1252: the code point is the byte.
void AppendCp1252Byte(std::string& out, unsigned char byte) {
  std::uint32_t code = byte;
  if (byte < 0xA0) {
    code = kCp1252High[byte - 0x80];
    if (code == 0) code = kReplacement;
  }
  AppendCodePoint(out, code);
}

}  // namespace

void AppendJsonString(std::string& out, const char* text, std::size_t length) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  out.push_back('"');
  std::size_t at = 0;
  while (at < length) {
    const unsigned char byte = bytes[at];
    if (byte == '"' || byte == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(byte));
      ++at;
    } else if (byte < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(byte));
      out += code;
      ++at;
    } else if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++at;
    } else if (const std::size_t size = Utf8SequenceAt(bytes, at, length)) {
      out.append(text + at, size);
      at += size;
    } else {
      AppendCp1252Byte(out, byte);
      ++at;
    }
  }
  out.push_back('"');
}

void AppendJsonString(std::string& out, const std::string& text) {
  AppendJsonString(out, text.data(), text.size());
}

void AppendSeconds(std::string& out, double seconds) {
  // Beyond this a thousandth no longer fits a 64-bit count: no time of a race.
  constexpr double kLargest = 9.0e15;
  if (!std::isfinite(seconds) || std::fabs(seconds) > kLargest) {
    out += "null";
    return;
  }
  const long long thousandths = std::llround(seconds * 1000.0);
  const unsigned long long whole = static_cast<unsigned long long>(thousandths < 0 ? -thousandths : thousandths);
  if (thousandths < 0) out.push_back('-');
  AppendInteger(out, static_cast<long long>(whole / 1000));
  const unsigned fraction = static_cast<unsigned>(whole % 1000);
  out.push_back('.');
  out.push_back(static_cast<char>('0' + fraction / 100));
  out.push_back(static_cast<char>('0' + fraction / 10 % 10));
  out.push_back(static_cast<char>('0' + fraction % 10));
}

// A few hundred numbers a document: std::to_chars, not a formatted print each.
void AppendInteger(std::string& out, long long value) {
  char text[24];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  out.append(text, end.ptr);
}
