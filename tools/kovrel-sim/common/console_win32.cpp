#include <windows.h>

#include <shellapi.h>

#include "common/console.hpp"
#include "common/wide_text.hpp"

namespace ksim {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // The C runtime's argv went through the ANSI code page, which loses what
  // it cannot hold ("Données" on a Greek system): the wide command line keeps it.
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

void PrepareConsole() {
  // The program writes UTF-8; a console shows it as such only when told.
  SetConsoleOutputCP(CP_UTF8);
}

bool ErrorOutputIsTerminal() {
  // A console, with or without virtual-terminal sequences, redraws a line on
  // a carriage return, which is all the progress line uses.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace ksim
