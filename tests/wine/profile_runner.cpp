// Runs a list of INI cases through the profile seam (config/profile.hpp) and
// writes a transcript: every value read, every write's result, and each file's
// bytes afterwards. Built twice, against the POSIX implementation natively
// and against Windows' profile functions for Wine, so that the two
// transcripts can be compared byte for byte.
//
// usage: profile_runner <cases file> <work folder> <transcript file>
//
// Cases file, one directive per line; '#' starts a comment line. Arguments
// are separated by '|' and taken as they stand (blanks count); "\r", "\n",
// "\t", "\\", "\|" and "\xHH" stand for the byte.
//   case <title>                      starts a case with a file of its own
//   file <bytes>                      the file's content before the case's steps
//   nofolder                          the file lies in a folder that does not exist
//   read <section>|<key>|<default>|<buffer size>
//   write <section>|<key>|<text>
//   end                               records the file's bytes (or its absence)
//   end normalised                    records them as Wine's profile functions
//                                     rewrite a whole file: blank lines dropped,
//                                     blanks around names and values trimmed,
//                                     every line ending in CR LF
//
// Windows changes only the line a write concerns and leaves every other byte
// alone, and so does the POSIX implementation; Wine rewrites the whole file
// from what it parsed. Cases whose files hold blank lines, blanks around
// names or other line ends than CR LF therefore compare the files in Wine's
// form, so that what the write did (the value, the key's place) still counts.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "config/profile.hpp"

namespace {

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char next = text[++i];
    if (next == 'r') {
      out.push_back('\r');
    } else if (next == 'n') {
      out.push_back('\n');
    } else if (next == 't') {
      out.push_back('\t');
    } else if (next == 'x' && i + 2 < text.size()) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(next);  // "\\" and "\|"
    }
  }
  return out;
}

std::string Escape(const std::string& bytes) {
  std::string out;
  char hex[8];
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\' || c == '"') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 32 || c >= 127) {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// Splits at '|' that are not escaped; each part is unescaped.
std::vector<std::string> Arguments(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      part.push_back(text[i]);
      part.push_back(text[++i]);
    } else if (text[i] == '|') {
      parts.push_back(Unescape(part));
      part.clear();
    } else {
      part.push_back(text[i]);
    }
  }
  parts.push_back(Unescape(part));
  return parts;
}

// Plain stdio on both platforms, binary: the bytes are the point.
bool ReadBytes(const std::string& path, std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[4096];
  std::size_t n;
  bytes.clear();
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  std::fclose(file);
  return true;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string TrimBlanks(const std::string& text) {
  const char* blanks = " \t\v\f";
  const auto begin = text.find_first_not_of(blanks);
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

std::string Normalised(const std::string& bytes) {
  std::string out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = TrimBlanks(bytes.substr(start, end - start));
    start = end;
    if (start < bytes.size() && bytes[start] == '\r') ++start;
    if (start < bytes.size() && bytes[start] == '\n') ++start;
    if (line.empty()) continue;
    const auto equals = line.find('=');
    if (line[0] == '[' && line.find(']') != std::string::npos) {
      const auto close = line.rfind(']');
      line = "[" + TrimBlanks(line.substr(1, close - 1)) + "]";
    } else if (equals != std::string::npos) {
      line = TrimBlanks(line.substr(0, equals)) + "=" + TrimBlanks(line.substr(equals + 1));
    }
    out += line + "\r\n";
  }
  return out;
}

// The seam takes backslash-joined paths; stdio here needs the platform's own.
std::string NativePath(std::string path, char separator) {
  for (char& c : path) {
    if (c == '\\' || c == '/') c = separator;
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: profile_runner <cases file> <work folder> <transcript file>\n";
    return 2;
  }
  std::ifstream cases(argv[1], std::ios::binary);
  if (!cases) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  const std::string folder = argv[2];
  const char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
  std::ostringstream transcript;
  std::string line;
  std::string path;
  int caseNumber = 0;
  int lineNumber = 0;
  while (std::getline(cases, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.find(' ');
    const std::string directive = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    if (directive == "case") {
      ++caseNumber;
      path = folder + "\\case-" + std::to_string(caseNumber) + ".ini";
      std::remove(NativePath(path, separator).c_str());
      transcript << "case " << caseNumber << ": " << rest << "\n";
    } else if (directive == "file") {
      if (!WriteBytes(NativePath(path, separator), Unescape(rest))) {
        std::cerr << "line " << lineNumber << ": cannot write " << path << "\n";
        return 2;
      }
    } else if (directive == "nofolder") {
      path = folder + "\\no-such-folder\\case-" + std::to_string(caseNumber) + ".ini";
    } else if (directive == "read" || directive == "write") {
      const std::vector<std::string> args = Arguments(rest);
      if (args.size() != (directive == "read" ? 4u : 3u)) {
        std::cerr << "line " << lineNumber << ": wrong number of arguments\n";
        return 2;
      }
      transcript << directive << " " << Escape(rest) << " -> ";
      if (directive == "read") {
        const std::string value =
            ReadProfileText(path, args[0], args[1], args[2], std::stoul(args[3]));
        transcript << "\"" << Escape(value) << "\"\n";
      } else {
        transcript << (WriteProfileText(path, args[0], args[1], args[2]) ? "written" : "failed")
                   << "\n";
      }
    } else if (directive == "end") {
      std::string bytes;
      if (ReadBytes(NativePath(path, separator), bytes)) {
        if (rest == "normalised") {
          transcript << "file, normalised \"" << Escape(Normalised(bytes)) << "\"\n";
        } else {
          transcript << "file \"" << Escape(bytes) << "\"\n";
        }
      } else {
        transcript << "no file\n";
      }
    } else {
      std::cerr << "line " << lineNumber << ": unknown directive " << directive << "\n";
      return 2;
    }
  }
  if (!WriteBytes(argv[3], transcript.str())) {
    std::cerr << "cannot write " << argv[3] << "\n";
    return 2;
  }
  std::cout << caseNumber << " cases run\n";
  return 0;
}
