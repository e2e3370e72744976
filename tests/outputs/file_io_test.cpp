#include "outputs/file_io.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "support/director_fixture.hpp"

namespace {

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
