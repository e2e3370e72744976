// The settings file: reading the user's rF2kovrel.ini, and writing the
// advised one, complete, with a note on each changed key.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "advise/search_space.hpp"

namespace ksim {

// The [KOVREL] section's keys (lower case) and values, the first of each as
// the plug-in reads it. Throws std::runtime_error when the file cannot be read.
using IniValues = std::map<std::string, std::string>;
IniValues ReadIniValues(const std::string& path);

// The searched keys as the plug-in would read `values`: the defaults where
// a key is missing or does not start with a number.
Candidate CandidateFromIni(const IniValues& values);

struct KeyNote {
  std::string key;
  std::string was;     // the user's value, or the plug-in's default
  std::string bought;  // what the change did to the broadcast, one line
};

// Writes every key of the section in the plug-in's order: the advice for the
// searched keys, the user's values (or the defaults) for the others, and
// above each changed key a comment. filespath is written only when the
// user's file had it: the plug-in's own default depends on where the file
// lies. Written to a temporary file beside `path` and renamed; throws
// std::runtime_error naming the path when it cannot be written.
void WriteAdvisedIni(const std::string& path, const std::vector<std::string>& header, const IniValues& user,
                     const Candidate& advice, const std::vector<KeyNote>& notes);

// Creates and removes a file beside `path`, so that a search is not run for
// a file that cannot be written; the message when it cannot, empty when it can.
std::string CheckWritable(const std::string& path);

}  // namespace ksim
