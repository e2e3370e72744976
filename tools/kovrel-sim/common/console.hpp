// The program's console: its command line as UTF-8 text, and whether its
// error output is a screen (a redrawn progress line) or a file or pipe.
#pragma once

#include <string>
#include <vector>

namespace ksim {

// The arguments as UTF-8, whatever the system's code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Sets the console up for UTF-8 output where it needs telling.
void PrepareConsole();
bool ErrorOutputIsTerminal();

}  // namespace ksim
