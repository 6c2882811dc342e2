// Reading linetype definitions from a .lin file:
//   *NAME,description
//   A,dash,gap,dash,...        (dash > 0, gap < 0, dot 0; may continue on lines ending ",")
// Complex elements in brackets (text or shapes) are skipped: the pattern keeps its dashes.

#include <fstream>
#include <sstream>

#include "platform/cad/database.h"

namespace cad {

namespace {

struct LinDefinition {
  std::string name;
  std::string description;
  std::vector<double> pattern;
};

std::string trim(std::string s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

// Splits at commas outside brackets.
std::vector<std::string> fields(const std::string& s) {
  std::vector<std::string> out(1);
  int depth = 0;
  for (char c : s) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (c == ',' && depth == 0) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

bool parsePattern(const std::string& body, std::vector<double>& pattern) {
  const std::vector<std::string> parts = fields(body);
  if (parts.empty() || trim(parts[0]) != "A") return false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string f = trim(parts[i]);
    if (f.empty() || f.front() == '[') continue;
    std::istringstream in(f);
    double v = 0.0;
    if (!(in >> v)) return false;
    pattern.push_back(v);
  }
  return true;
}

std::vector<LinDefinition> readLin(std::istream& in) {
  std::vector<LinDefinition> defs;
  std::string line, pending;
  bool wantPattern = false;
  while (std::getline(in, line)) {
    if (const auto semi = line.find(";;"); semi != std::string::npos) line.erase(semi);
    line = trim(line);
    if (line.empty()) continue;
    if (line.front() == '*') {
      const auto comma = line.find(',');
      LinDefinition d;
      d.name = trim(line.substr(1, comma == std::string::npos ? std::string::npos : comma - 1));
      if (comma != std::string::npos) d.description = trim(line.substr(comma + 1));
      defs.push_back(std::move(d));
      wantPattern = true;
      pending.clear();
      continue;
    }
    if (!wantPattern) continue;
    pending += line;
    if (pending.back() == ',') continue;  // continued on the next line
    if (!parsePattern(pending, defs.back().pattern)) defs.pop_back();
    wantPattern = false;
    pending.clear();
  }
  if (wantPattern && !defs.empty() && defs.back().pattern.empty()) defs.pop_back();
  return defs;
}

}  // namespace

Status Database::loadLinetypes(const std::filesystem::path& linFile, std::string_view name) {
  // A folder or a device opens as a stream too, and reading it throws or never ends.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(linFile, ec)) return Status::FileError;
  std::ifstream in(linFile, std::ios::binary);
  if (!in) return Status::FileError;
  const std::vector<LinDefinition> defs = readLin(in);
  const bool all = name == "*";
  bool found = false, added = false;
  for (const LinDefinition& d : defs) {
    if (!all && foldName(d.name) != foldName(name)) continue;
    found = true;
    if (linetypes_.has(d.name)) continue;
    auto lt = std::make_unique<Linetype>(d.name);
    lt->setDescription(d.description);
    lt->setPattern(d.pattern);
    added = addTableRecord(std::move(lt)).ok() || added;
  }
  if (!found) return Status::KeyNotFound;
  return added || all ? Status::Ok : Status::DuplicateKey;
}

}  // namespace cad
