#include "outputs/file_io.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "support/director_fixture.hpp"

namespace {

// Lowers the limit on the size of files this process writes, as a quota or a
// full disk would stop it; writes beyond it fail (the signal that would
// otherwise end the process is ignored meanwhile).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &mBefore);
    rlimit lowered = mBefore;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    mHandlerBefore = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &mBefore);
    std::signal(SIGXFSZ, mHandlerBefore);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit mBefore{};
  void (*mHandlerBefore)(int) = SIG_DFL;
};

TEST(FileSeam, ReaderSeesOldOrNewContentsNeverAHalfWrittenFile) {
  TempFolder folder;
  const std::string path = folder.Path() + "\\time.txt";
  const std::string first(200000, 'a');
  const std::string second(200000, 'b');
  ASSERT_TRUE(ReplaceFileContents(path, first));

  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 300; ++i) ReplaceFileContents(path, i % 2 == 0 ? second : first);
    done = true;
  });
  int reads = 0;
  int torn = 0;
  while (!done) {
    const std::string seen = ReadFileBytes(folder.File("time.txt"));
    if (seen != first && seen != second) ++torn;
    ++reads;
  }
  writer.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(ReadFileBytes(folder.File("time.txt")), first);
}

TEST(FileSeam, RewritesInPlaceWhenTheTemporaryFileIsRefused) {
  TempFolder folder;
  const std::string path = folder.Path() + "\\driver.txt";
  ASSERT_TRUE(ReplaceFileContents(path, "old contents"));
  // Something else holds the temporary file's name: the write still lands.
  std::filesystem::create_directory(folder.File("driver.txt.kovrel-tmp"));
  EXPECT_TRUE(ReplaceFileContents(path, "new"));
  EXPECT_EQ(ReadFileBytes(folder.File("driver.txt")), "new");
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("driver.txt.kovrel-tmp")));
}

TEST(FileSeam, RewriteThatRunsOutOfSpaceLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.Path() + "\\time.txt";
  ASSERT_TRUE(ReplaceFileContents(path, "old clock"));
  {
    const FileSizeLimit limit(4096);
    EXPECT_FALSE(ReplaceFileContents(path, std::string(6000, 'x')));
    EXPECT_EQ(ReadFileBytes(folder.File("time.txt")), "old clock");
    EXPECT_FALSE(FileExists(folder.File("time.txt.kovrel-tmp")));
    // What fits is still written.
    EXPECT_TRUE(ReplaceFileContents(path, "next clock"));
  }
  EXPECT_EQ(ReadFileBytes(folder.File("time.txt")), "next clock");
  EXPECT_FALSE(FileExists(folder.File("time.txt.kovrel-tmp")));
}

TEST(FileSeam, MissingFolderFailsQuietlyAndCreatesNothing) {
  TempFolder folder;
  const std::string missing = folder.Path() + "\\absent";
  EXPECT_FALSE(ReplaceFileContents(missing + "\\time.txt", "-"));
  EXPECT_FALSE(AppendToFile(missing + "\\debug.log", "line\r\n"));
  EXPECT_FALSE(FileExists(folder.File("absent")));
}

TEST(FileSeam, AppendCreatesTheFileThenAddsToItsEnd) {
  TempFolder folder;
  const std::string path = folder.Path() + "\\debug.log";
  EXPECT_TRUE(AppendToFile(path, "one\r\n"));
  EXPECT_TRUE(AppendToFile(path, "two\r\n"));
  EXPECT_EQ(ReadFileBytes(folder.File("debug.log")), "one\r\ntwo\r\n");
}

}  // namespace
