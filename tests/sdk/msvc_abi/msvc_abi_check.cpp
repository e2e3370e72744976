// Compiles sdk/InternalsPlugin.hpp the way the simulator's compiler sees it
// (clang for the target x86_64-pc-windows-msvc, Microsoft's C++ ABI) and
// compares the layouts clang reports with the host interface's own tables in
// host-interface.md: every virtual slot, every record's field offsets and
// types, and the records' sizes.
//
// usage: msvc_abi_check <clang++> <source root> <stand-in include dir>
//                       <probe.cpp> <host-interface.md>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Field {
  long offset = -1;
  std::string name;
  std::string type;
};

struct Record {
  long size = -1;
  std::vector<Field> fields;  // only the record's own, top-level members
};

int gFailures = 0;

void Fail(const std::string& what) {
  ++gFailures;
  std::cout << "MISMATCH: " << what << "\n";
}

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  const auto end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

std::string WithoutSpaces(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The cells of a Markdown table row "| a | b | c |", backticks removed.
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '|') {
      std::string text = Trim(cell);
      ReplaceAll(text, "`", "");
      cells.push_back(text);
      cell.clear();
    } else {
      cell.push_back(line[i]);
    }
  }
  return cells;
}

bool IsNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// ---- the host interface's document ----------------------------------------------

struct Interface {
  std::vector<std::string> slots;          // by slot number
  std::map<std::string, Record> records;   // "### Name (size N)" tables
};

Interface ReadInterface(const std::string& path) {
  Interface doc;
  std::ifstream in(path);
  if (!in) {
    Fail("cannot read " + path);
    return doc;
  }
  std::string line;
  std::string section;
  std::string record;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) {
      section = line;
      record.clear();
      continue;
    }
    if (line.rfind("### ", 0) == 0) {
      // "### ScoringInfoV01 (size 548)"
      const auto open = line.find(" (size ");
      record.clear();
      if (open != std::string::npos) {
        record = Trim(line.substr(4, open - 4));
        doc.records[record].size = std::stol(line.substr(open + 7));
      }
      continue;
    }
    if (line.empty() || line[0] != '|') continue;
    const std::vector<std::string> cells = Cells(line);
    if (cells.empty() || !IsNumber(cells[0])) continue;  // heading and rule rows
    if (section.find("Virtual-table slots") != std::string::npos && cells.size() >= 2) {
      const std::size_t slot = std::stoul(cells[0]);
      if (doc.slots.size() <= slot) doc.slots.resize(slot + 1);
      doc.slots[slot] = cells[1];
    } else if (!record.empty() && cells.size() >= 3) {
      doc.records[record].fields.push_back({std::stol(cells[0]), cells[1], cells[2]});
    }
  }
  return doc;
}

// ---- clang's dump ------------------------------------------------------------------

struct Dump {
  std::map<std::string, Record> records;  // by record name
  std::vector<std::string> probeSlots;    // the derived class's table, by slot
};

std::string RunCompiler(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  if (status != 0) Fail("the compiler failed:\n" + output);
  return output;
}

// A layout line "        64 |   std::int32_t mSession": offset, depth, text.
bool LayoutLine(const std::string& line, long& offset, int& depth, std::string& text) {
  const auto bar = line.find(" | ");
  if (bar == std::string::npos) return false;
  const std::string left = Trim(line.substr(0, bar));
  if (!IsNumber(left)) return false;
  offset = std::stol(left);
  const std::string right = line.substr(bar + 3);
  const auto first = right.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  depth = static_cast<int>(first) / 2;
  text = right.substr(first);
  return true;
}

// "unsigned char[200] mExpansion" -> type "unsigned char[200]", name "mExpansion";
// "class PluginObject (base)" -> type "class PluginObject", name "(base)";
// "(InternalsPlugin vftable pointer)" -> that whole text as the name, no type.
Field SplitMember(long offset, const std::string& text) {
  Field field;
  field.offset = offset;
  if (!text.empty() && text[0] == '(') {
    field.name = text;
    return field;
  }
  const auto cut = text.back() == ')' ? text.find_last_of('(') - 1 : text.find_last_of(' ');
  field.name = text.substr(cut + 1);
  field.type = Trim(text.substr(0, cut));
  return field;
}

Dump ParseDump(const std::string& output) {
  Dump dump;
  std::istringstream in(output);
  std::string line;
  std::string record;
  bool inProbeTable = false;
  while (std::getline(in, line)) {
    if (line.rfind("*** Dumping AST Record Layout", 0) == 0) {
      record.clear();
      inProbeTable = false;
      continue;
    }
    if (line.rfind("VFTable for '", 0) == 0) {
      record.clear();
      // The derived class's complete table: "... in 'ProbePlugin' (51 entries)."
      inProbeTable = line.find("in 'ProbePlugin' (") != std::string::npos;
      continue;
    }
    if (inProbeTable) {
      const auto bar = line.find(" | ");
      if (Trim(line).empty()) {
        inProbeTable = false;
      } else if (bar != std::string::npos && IsNumber(Trim(line.substr(0, bar)))) {
        const std::string entry = Trim(line.substr(bar + 3));
        // The type information sits before the slots proper.
        if (entry.size() < 5 || entry.compare(entry.size() - 5, 5, " RTTI") != 0) {
          dump.probeSlots.push_back(entry);
        }
      }
      continue;
    }
    long offset;
    int depth;
    std::string text;
    const auto sizeAt = line.find("[sizeof=");
    if (sizeAt != std::string::npos && !record.empty()) {
      dump.records[record].size = std::stol(line.substr(sizeAt + 8));
      record.clear();
      continue;
    }
    if (!LayoutLine(line, offset, depth, text)) continue;
    if (depth == 0) {
      // "struct ScoringInfoV01" or "class InternalsPlugin"
      record = text.substr(text.find(' ') + 1);
      dump.records[record] = Record{};
    } else if (depth == 1 && !record.empty()) {
      dump.records[record].fields.push_back(SplitMember(offset, text));
    }
  }
  return dump;
}

// The interface's own spelling of a type clang prints under the header's names.
std::string InterfaceType(std::string type) {
  ReplaceAll(type, "struct ", "");
  ReplaceAll(type, "class ", "");
  ReplaceAll(type, "std::", "");
  ReplaceAll(type, "_Bool", "bool");
  ReplaceAll(type, "TelemVect3", "vector3");
  return WithoutSpaces(type);
}

// ---- comparisons -----------------------------------------------------------------

void CompareSlots(const Interface& doc, const Dump& dump) {
  if (doc.slots.empty()) Fail("no virtual-table slots found in the document");
  if (dump.probeSlots.size() != doc.slots.size()) {
    Fail("the table has " + std::to_string(dump.probeSlots.size()) + " slots, the interface " +
         std::to_string(doc.slots.size()));
  }
  for (std::size_t slot = 0; slot < doc.slots.size() && slot < dump.probeSlots.size(); ++slot) {
    std::string built = dump.probeSlots[slot];
    const std::string& wanted = doc.slots[slot];
    if (slot == 0) {
      // One entry: the scalar deleting destructor.
      if (wanted.find("scalar deleting destructor") == std::string::npos ||
          built.find("::~ProbePlugin() [scalar deleting]") == std::string::npos) {
        Fail("slot 0 holds \"" + built + "\", the interface \"" + wanted + "\"");
      }
      continue;
    }
    ReplaceAll(built, "std::int32_t", "long");  // the header's 32-bit "long"
    if (WithoutSpaces(built) != WithoutSpaces(wanted)) {
      Fail("slot " + std::to_string(slot) + " holds \"" + built + "\", the interface \"" +
           wanted + "\"");
    }
  }
}

void CompareRecord(const std::string& name, const Record& wanted, const Dump& dump) {
  const auto found = dump.records.find(name);
  if (found == dump.records.end()) {
    Fail("no layout of " + name + " in the compiler's dump");
    return;
  }
  const Record& built = found->second;
  if (built.size != wanted.size) {
    Fail(name + " is " + std::to_string(built.size) + " bytes, the interface says " +
         std::to_string(wanted.size));
  }
  if (built.fields.size() != wanted.fields.size()) {
    Fail(name + " has " + std::to_string(built.fields.size()) + " fields, the interface " +
         std::to_string(wanted.fields.size()));
  }
  for (std::size_t i = 0; i < built.fields.size() && i < wanted.fields.size(); ++i) {
    const Field& b = built.fields[i];
    const Field& w = wanted.fields[i];
    if (b.name != w.name || b.offset != w.offset ||
        InterfaceType(b.type) != WithoutSpaces(w.type)) {
      Fail(name + " field " + std::to_string(i) + ": built " + std::to_string(b.offset) + " " +
           b.name + " (" + b.type + "), interface " + std::to_string(w.offset) + " " + w.name +
           " (" + w.type + ")");
    }
  }
}

// The object layout, stated in the document's prose: the table pointer at 0,
// the PluginObject base (one pointer, mInfo) at 8, mET at 16, mEnabled at 20,
// 24 bytes in all; a derived class's own fields begin at 24.
void CompareObjectLayout(const Dump& dump) {
  Record pluginObject;
  pluginObject.size = 8;
  pluginObject.fields = {{0, "mInfo", "PluginInfo *"}};
  CompareRecord("PluginObject", pluginObject, dump);

  Record internals;
  internals.size = 24;
  internals.fields = {{0, "(InternalsPlugin vftable pointer)", ""},
                      {8, "(base)", "PluginObject"},
                      {16, "mET", "float"},
                      {20, "mEnabled", "bool"}};
  CompareRecord("InternalsPlugin", internals, dump);

  for (const char* version : {"InternalsPluginV01", "InternalsPluginV02", "InternalsPluginV03",
                              "InternalsPluginV04", "InternalsPluginV05", "InternalsPluginV06",
                              "InternalsPluginV07"}) {
    const auto found = dump.records.find(version);
    if (found == dump.records.end() || found->second.size != 24) {
      Fail(std::string(version) + " adds fields or is missing from the dump");
    }
  }
  const auto probe = dump.records.find("ProbePlugin");
  if (probe == dump.records.end() || probe->second.fields.size() != 2 ||
      probe->second.fields[1].name != "mOwnField" || probe->second.fields[1].offset != 24) {
    Fail("a derived class's own fields do not begin at offset 24");
  }
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: msvc_abi_check <clang++> <source root> <include dir> <probe.cpp> "
                 "<host-interface.md>\n";
    return 2;
  }
  // Without RF2_ONE_SLOT_DESTRUCTOR: Microsoft's ABI gives the virtual
  // destructor its one slot by itself. The tables are laid out only when code
  // is generated, so the compile goes as far as LLVM's intermediate form.
  const std::string command = Quote(argv[1]) +
                              " --target=x86_64-pc-windows-msvc -std=c++17 -nostdinc -isystem " +
                              Quote(argv[3]) + " -I" + Quote(argv[2]) +
                              " -Xclang -fdump-vtable-layouts -Xclang -fdump-record-layouts"
                              " -S -emit-llvm -o /dev/null " +
                              Quote(argv[4]) + " 2>&1";
  const Dump dump = ParseDump(RunCompiler(command));
  const Interface doc = ReadInterface(argv[5]);

  CompareSlots(doc, dump);
  if (doc.records.empty()) Fail("no record tables found in the document");
  std::size_t fieldCount = 0;
  for (const auto& [name, record] : doc.records) {
    CompareRecord(name, record, dump);
    fieldCount += record.fields.size();
  }
  CompareObjectLayout(dump);

  std::cout << doc.slots.size() << " slots, " << doc.records.size() << " records with "
            << fieldCount << " fields compared: "
            << (gFailures == 0 ? "all match" : std::to_string(gFailures) + " mismatch(es)")
            << "\n";
  return gFailures == 0 ? 0 : 1;
}
