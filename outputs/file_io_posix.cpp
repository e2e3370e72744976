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

enum class Outcome { Written, NotOpened, Failed };

// On NotOpened, errno tells why.
Outcome WriteFile(const std::string& path, const std::string& bytes, int flags) {
  const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Outcome::NotOpened;
  const bool written = WriteAll(fd, bytes);
  return ::close(fd) == 0 && written ? Outcome::Written : Outcome::Failed;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  const std::string target = ToPosixPath(path);
  // A temporary file beside the target, renamed over it: readers see old or new.
  const std::string temporary = target + ".kovrel-tmp";
  const Outcome outcome = WriteFile(temporary, bytes, O_TRUNC);
  if (outcome == Outcome::Written && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
  // No folder to create the temporary file in: the target cannot be there
  // either. A missing files folder is retried on every snapshot, and every
  // system call counts then.
  if (outcome == Outcome::NotOpened && errno == ENOENT) return false;
  ::unlink(temporary.c_str());
  // The temporary file could not be written whole (disk full, quota): a
  // rewrite in place would fail too and cut the old file on its way.
  if (outcome == Outcome::Failed) return false;
  // The folder may refuse new files (or the longer name) while the target
  // itself can still be rewritten in place.
  return WriteFile(target, bytes, O_TRUNC) == Outcome::Written;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  return WriteFile(ToPosixPath(path), bytes, O_APPEND) == Outcome::Written;
}
