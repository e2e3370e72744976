#include "outputs/file_io.hpp"

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

// The overlay program may hold a stream file open while it is written: deny
// it nothing, not even the rename of the file it holds.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

enum class Outcome { Written, NotOpened, Failed };

Outcome WriteFileWith(const std::string& path, const std::string& bytes, DWORD access,
                      DWORD disposition) {
  const HANDLE file = ::CreateFileA(path.c_str(), access, kShareAll, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Outcome::NotOpened;
  const bool written = WriteAll(file, bytes);
  return ::CloseHandle(file) != 0 && written ? Outcome::Written : Outcome::Failed;
}

// Puts the finished temporary file in the target's place with one rename.
// Not ReplaceFileA: where a reader holds the target without sharing deletion,
// Wine's ReplaceFileA fails and leaves a file "rf*.tmp" of its own behind in
// the folder, one more at every snapshot.
bool PutInPlace(const std::string& temporary, const std::string& target) {
  return ::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  // Readers see the old or the new bytes, never a half-written file.
  const std::string temporary = path + ".kovrel-tmp";
  const Outcome outcome = WriteFileWith(temporary, bytes, GENERIC_WRITE, CREATE_ALWAYS);
  if (outcome == Outcome::Written && PutInPlace(temporary, path)) return true;
  if (outcome != Outcome::NotOpened) ::DeleteFileA(temporary.c_str());
  // The temporary file could not be written whole (disk full, quota): a
  // rewrite in place would fail too and cut the old file on its way.
  if (outcome == Outcome::Failed) return false;
  // A reader that does not share deletion refuses the replace: rewrite in place
  // rather than lose the write.
  return WriteFileWith(path, bytes, GENERIC_WRITE, CREATE_ALWAYS) == Outcome::Written;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  return WriteFileWith(path, bytes, FILE_APPEND_DATA, OPEN_ALWAYS) == Outcome::Written;
}
