// Reads a fuzz input front to back in the shapes the harnesses need. Past the
// end every read gives zeros, so any input, however short, is a whole case.
// The seed writer builds inputs with ByteWriter, in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}

  bool Empty() const { return mAt >= mSize; }
  std::size_t Left() const { return mAt < mSize ? mSize - mAt : 0; }

  std::uint8_t U8() { return mAt < mSize ? mData[mAt++] : 0; }

  template <typename T>
  T Raw() {
    T value{};
    unsigned char bytes[sizeof(T)] = {};
    for (unsigned char& byte : bytes) byte = U8();
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  std::string Bytes(std::size_t count) {
    const std::size_t taken = count < Left() ? count : Left();
    std::string text(reinterpret_cast<const char*>(mData + mAt), taken);
    mAt += taken;
    return text;
  }

  // A text of up to 255 bytes, its length first.
  std::string ShortText() { return Bytes(U8()); }

  // Everything not read yet.
  std::string Rest() { return Bytes(Left()); }

  // Values that matter to a director: small counts, the limits of the type,
  // and now and then any 32 bits.
  std::int32_t Integer() {
    const std::uint8_t code = U8();
    switch (code) {
      case 250: return std::numeric_limits<std::int32_t>::min();
      case 251: return std::numeric_limits<std::int32_t>::max();
      case 252: return std::numeric_limits<std::int32_t>::max() - 1;
      case 253: return std::numeric_limits<std::int32_t>::min() + 1;
      case 254: return -1;
      case 255: return Raw<std::int32_t>();
      default: return static_cast<std::int32_t>(code) - 20;
    }
  }

  // Times and gaps: quarter steps around zero, the sentinels and the values
  // that break arithmetic (NaN, infinities, the largest and smallest doubles),
  // and now and then any 64 bits.
  double Real() {
    const std::uint8_t code = U8();
    if (code < kSpecialCount) return Special(code);
    if (code == 255) return Raw<double>();
    return (static_cast<int>(code) - 120) * 0.25;
  }

  static constexpr std::uint8_t kSpecialCount = 12;
  static double Special(std::uint8_t code) {
    const double values[kSpecialCount] = {
        0.0,
        -0.0,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::max(),
        -std::numeric_limits<double>::max(),
        std::numeric_limits<double>::denorm_min(),
        2147483640.0,
        1e300,
        -1e300,
        3.4e38,
    };
    return values[code];
  }

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mAt = 0;
};

// Builds inputs in ByteReader's shapes.
class ByteWriter {
 public:
  ByteWriter& U8(std::uint8_t value) {
    mBytes.push_back(static_cast<char>(value));
    return *this;
  }
  // A small integer (-20 to 229) in one byte; others in full.
  ByteWriter& Integer(std::int32_t value) {
    if (value >= -20 && value < 230) return U8(static_cast<std::uint8_t>(value + 20));
    U8(255);
    return Raw(value);
  }
  // A quarter step between -30 and 33 in one byte; others in full.
  ByteWriter& Real(double value) {
    const double steps = value * 4.0 + 120.0;
    if (steps >= ByteReader::kSpecialCount && steps < 255 && steps == static_cast<int>(steps)) {
      return U8(static_cast<std::uint8_t>(steps));
    }
    U8(255);
    return Raw(value);
  }
  ByteWriter& ShortText(const std::string& text) {
    const std::string kept = text.substr(0, 255);
    U8(static_cast<std::uint8_t>(kept.size()));
    mBytes += kept;
    return *this;
  }
  ByteWriter& Text(const std::string& text) {
    mBytes += text;
    return *this;
  }
  template <typename T>
  ByteWriter& Raw(T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    mBytes.append(bytes, sizeof(T));
    return *this;
  }
  const std::string& Bytes() const { return mBytes; }

 private:
  std::string mBytes;
};
