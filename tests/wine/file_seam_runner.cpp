// Rewrites one stream file through the file seam (outputs/file_io.hpp), as
// built for Windows, and says whether the seam reported it written.
//
// usage: file_seam_runner <path> <text>
// Prints "written" or "not written"; exits 0 either way, 2 on bad usage.
#include <cstdio>
#include <string>

#include "outputs/file_io.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: file_seam_runner <path> <text>\n");
    return 2;
  }
  std::printf("%s\n", ReplaceFileContents(argv[1], argv[2]) ? "written" : "not written");
  return 0;
}
