// A plug-in object as the simulator leaves it after set-up, with its files in
// a fresh temporary folder, for tests that drive it snapshot by snapshot.
#pragma once

#include <memory>
#include <string>

#include "plugin/rF2kovrel.hpp"

// A folder of its own for one test, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return mPath; }
  std::string File(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

// Reads a whole file's bytes; empty when it does not exist.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// The settings' defaults, the files folder and the four stream-file paths set,
// the Director reset run; no INI file is involved.
void ApplyDefaultSettings(rF2kovrel& plugin, const std::string& filesFolder);

// Releases every key of the virtual keyboard (tests press and release keys).
void ReleaseAllKeys();
