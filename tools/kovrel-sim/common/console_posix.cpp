#include <unistd.h>

#include "common/console.hpp"

namespace ksim {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PrepareConsole() {}

bool ErrorOutputIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

}  // namespace ksim
