// This process as the system knows it: its number, its program file, and the
// place for its short-lived files.
#pragma once

#include <filesystem>
#include <string>

namespace ksim {

int ProcessId();
// The running executable's path, UTF-8.
std::string ProgramFile();
// Where a run's scratch files go: a memory-backed folder where the system
// has one, its temporary folder otherwise.
std::filesystem::path ScratchRoot();

}  // namespace ksim
