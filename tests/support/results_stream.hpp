// The live results stream as the simulator grows it, taken from the <Stream>
// element of a results file that the simulator wrote.
#pragma once

#include <string>
#include <vector>

struct StreamLine {
  double et;         // the line's elapsed-time attribute, 0 without one
  std::string text;  // the line with its line feed, as the stream holds it
};

// The lines between "<Stream>" and "</Stream>" in file order; empty when the
// file cannot be read or has no stream.
std::vector<StreamLine> ReadStreamLines(const std::string& resultsFile);
