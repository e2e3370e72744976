#include "outputs/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace {

std::string ToPosixPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes, int flags) {
  const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes);
  return ::close(fd) == 0 && written;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  const std::string target = ToPosixPath(path);
  // A temporary file beside the target, renamed over it: readers see old or new.
  const std::string temporary = target + ".kovrel-tmp";
  if (WriteFile(temporary, bytes, O_TRUNC) && ::rename(temporary.c_str(), target.c_str()) == 0) {
    return true;
  }
  ::unlink(temporary.c_str());
  return WriteFile(target, bytes, O_TRUNC);
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  return WriteFile(ToPosixPath(path), bytes, O_APPEND);
}
