// The profile functions of Windows, rebuilt on a plain file. What they do,
// case by case:
// - Lines end in CR LF, a lone LF or a lone CR; blank lines are ignored.
// - Blanks around a line, a section name (inside its brackets), a key name and
//   a value are trimmed: space, tab, vertical tab, form feed and Ctrl-Z, the
//   old end-of-file mark.
// - "[name]" starts a section; the name ends at the line's last "]". A line
//   with "[" but no "]" is an ordinary line. Lines before the first section
//   form a nameless section.
// - Any other line is a key: the text before the first "=" names it, the text
//   after it is its value. A line without "=" names a key that has no value:
//   a read of it gives the default, a write gives it one.
// - Names match without regard to case; the first matching section, and in it
//   the first matching key, is the one read and written.
// - A value (or default) wrapped in one pair of double or single quotes is
//   read without them. Trailing spaces of the default text are dropped.
// - A write keeps every byte it does not concern: other keys, other sections,
//   comments and blank lines stay as they are. A key found is rewritten as
//   "name=value" with the name as the file spells it; the same value again
//   leaves the file alone. A new key goes right after the last non-blank line
//   of its section, so blank lines that part it from the next section stay
//   where they are. A new section goes at the end of the file. Leading blanks
//   of the written text are dropped. Every line written ends in CR LF.
// - A UTF-8 byte-order mark at the start is not part of the first line.
// Wine's profile functions agree with all of this except the byte keeping: Wine
// writes the whole file back in a normal form (blank lines dropped, blanks
// around "=" and every line break normalised), where Windows edits the file
// only where the key is.
#include "config/profile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "outputs/file_io.hpp"
#include "plugin/text.hpp"

namespace {

enum class FileState { Read, Missing, Unreadable };

enum class LineKind { Blank, Section, Key };

struct Line {
  std::size_t begin = 0;  // first byte
  std::size_t end = 0;    // one past the last byte before the line break
  std::size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Blank;
  std::string name;  // section or key name, trimmed
  bool hasValue = false;
  std::string value;  // trimmed
};

// A section's lines: from its header (or the file's start) to the next header.
struct Section {
  std::size_t first = 0;  // index of the header line, or of the first line when nameless
  std::size_t last = 0;   // one past its last line
  bool hasHeader = false;
};

const char kLineEnd[] = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string Trimmed(const std::string& text, std::size_t begin, std::size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::size_t StartOfText(const std::string& bytes) {
  return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

void ClassifyLine(const std::string& bytes, Line& line) {
  const std::string content = Trimmed(bytes, line.begin, line.end);
  if (content.empty()) return;
  const std::size_t closing = content.rfind(']');
  if (content[0] == '[' && closing != std::string::npos) {
    line.kind = LineKind::Section;
    line.name = Trimmed(content, 1, closing);
    return;
  }
  line.kind = LineKind::Key;
  const std::size_t equals = content.find('=');
  if (equals == std::string::npos) {
    line.name = content;
    return;
  }
  line.name = Trimmed(content, 0, equals);
  line.hasValue = true;
  line.value = Trimmed(content, equals + 1, content.size());
}

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  std::size_t position = StartOfText(bytes);
  while (position < bytes.size()) {
    Line line;
    line.begin = position;
    line.end = bytes.find_first_of("\r\n", position);
    if (line.end == std::string::npos) line.end = bytes.size();
    line.next = line.end;
    if (line.next < bytes.size()) {
      const bool crLf = bytes[line.next] == '\r' && line.next + 1 < bytes.size() &&
                        bytes[line.next + 1] == '\n';
      line.next += crLf ? 2 : 1;
    }
    ClassifyLine(bytes, line);
    position = line.next;
    lines.push_back(std::move(line));
  }
  return lines;
}

bool FindSection(const std::vector<Line>& lines, const std::string& name, Section& found) {
  // Lines before the first header form the nameless section.
  Section current;
  bool matching = name.empty();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != LineKind::Section) continue;
    if (matching) break;
    current.first = i;
    current.hasHeader = true;
    matching = EqualsIgnoringCase(lines[i].name, name.c_str());
  }
  if (!matching) return false;
  current.last = current.hasHeader ? current.first + 1 : current.first;
  while (current.last < lines.size() && lines[current.last].kind != LineKind::Section) {
    ++current.last;
  }
  found = current;
  return true;
}

const Line* FindKey(const std::vector<Line>& lines, const Section& section,
                    const std::string& key) {
  const std::size_t from = section.hasHeader ? section.first + 1 : section.first;
  for (std::size_t i = from; i < section.last; ++i) {
    if (lines[i].kind == LineKind::Key && EqualsIgnoringCase(lines[i].name, key.c_str())) {
      return &lines[i];
    }
  }
  return nullptr;
}

std::string WithoutQuotes(const std::string& text) {
  const bool quoted = text.size() >= 2 && (text[0] == '"' || text[0] == '\'') &&
                      text.back() == text[0];
  return quoted ? text.substr(1, text.size() - 2) : text;
}

std::string CutToBuffer(const std::string& text, std::size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  return text.substr(0, std::min(text.size(), bufferSize - 1));
}

std::string DefaultAsRead(std::string defaultText) {
  while (!defaultText.empty() && defaultText.back() == ' ') defaultText.pop_back();
  return WithoutQuotes(defaultText);
}

std::string LookUpValue(const std::string& bytes, const std::string& section,
                        const std::string& key, const std::string& defaultText) {
  const std::vector<Line> lines = SplitLines(bytes);
  Section found;
  if (!FindSection(lines, section, found)) return DefaultAsRead(defaultText);
  const Line* line = FindKey(lines, found, key);
  if (line == nullptr || !line->hasValue) return DefaultAsRead(defaultText);
  return WithoutQuotes(line->value);
}

// Where a key new to the section goes: after its last non-blank line.
std::size_t NewKeyPosition(const std::string& bytes, const std::vector<Line>& lines,
                           const Section& section, std::string& prefix) {
  for (std::size_t i = section.last; i > section.first; --i) {
    const Line& line = lines[i - 1];
    if (line.kind == LineKind::Blank) continue;
    // The file's last line may lack its line break; it gets one first.
    if (line.next == line.end) prefix = kLineEnd;
    return line.next;
  }
  // A nameless section without lines: the start of the text.
  return StartOfText(bytes);
}

std::string WithValueSet(const std::string& bytes, const std::string& section,
                         const std::string& key, const std::string& text) {
  const std::vector<Line> lines = SplitLines(bytes);
  Section found;
  if (!FindSection(lines, section, found)) {
    std::string appended = bytes;
    if (!appended.empty() && appended.back() != '\n' && appended.back() != '\r') {
      appended += kLineEnd;
    }
    return appended + "[" + section + "]" + kLineEnd + key + "=" + text + kLineEnd;
  }
  if (const Line* line = FindKey(lines, found, key)) {
    if (line->hasValue && line->value == text) return bytes;
    std::string changed = bytes;
    changed.replace(line->begin, line->end - line->begin, line->name + "=" + text);
    return changed;
  }
  std::string prefix;
  const std::size_t position = NewKeyPosition(bytes, lines, found, prefix);
  std::string changed = bytes;
  changed.insert(position, prefix + key + "=" + text + kLineEnd);
  return changed;
}

std::string PosixPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

FileState ReadWholeFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(PosixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileState::Missing : FileState::Unreadable;
  struct stat status {};
  FileState state = FileState::Read;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) state = FileState::Unreadable;
  char chunk[4096];
  while (state == FileState::Read) {
    const ssize_t n = ::read(fd, chunk, sizeof(chunk));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      state = FileState::Unreadable;
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return state;
}

std::string WithoutLeadingBlanks(const std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return text.substr(begin);
}

}  // namespace

std::string ReadProfileText(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& defaultText,
                            std::size_t bufferSize) {
  std::string bytes;
  const bool read = ReadWholeFile(path, bytes) == FileState::Read;
  const std::string value =
      read ? LookUpValue(bytes, section, key, defaultText) : DefaultAsRead(defaultText);
  return CutToBuffer(value, bufferSize);
}

bool WriteProfileText(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& text) {
  std::string bytes;
  const FileState state = ReadWholeFile(path, bytes);
  // A file that exists but cannot be read is never overwritten with a new one.
  if (state == FileState::Unreadable) return false;
  const std::string changed = WithValueSet(bytes, section, key, WithoutLeadingBlanks(text));
  if (state == FileState::Read && changed == bytes) return true;
  return ReplaceFileContents(path, changed);
}
