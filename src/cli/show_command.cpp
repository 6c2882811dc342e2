// ruvo show: print a section data file of any version.

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/section_output.h"
#include "ruvo/section/data_file.h"

namespace cli {
namespace {

constexpr const char* kShowHelp =
    "usage: ruvo show DATAFILE [--json]\n"
    "\n"
    "Reads a section data file (versions ZRK3.0, ZRK3.6 and ZRK3.8) and prints its points\n"
    "as the data page lists them (No, 高程, 删, 注释, 标, 图层 and the distance; a revised\n"
    "elevation is marked with *), or with --json one object:\n"
    "  {\"drawing\": null, \"line\": null, \"messages\": [...], \"vertices\": [...],\n"
    "   \"points\": [...], \"layers\": [...]}\n"
    "Notes of the reader go to standard error.\n"
    "Exit status: 0 done, 1 the file was refused, 2 usage error.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "ruvo show: %s (ruvo show --help)\n", message.c_str());
  return 2;
}

}  // namespace

int runShow(Args args) {
  ArgReader reader(args);
  std::string file;
  bool json = false;
  while (!reader.done()) {
    if (reader.flag("--help") || reader.flag("-h")) {
      std::fputs(kShowHelp, stdout);
      return 0;
    }
    if (reader.flag("--json")) {
      json = true;
      continue;
    }
    const std::string_view arg = reader.take();
    if (arg.starts_with("-") && arg.size() > 1) return Usage("unknown option " + std::string(arg));
    if (!file.empty()) return Usage("more than one data file given");
    file = std::string(arg);
  }
  if (file.empty()) return Usage("no data file given");

  ruvo::CDocData doc;
  const ruvo::DataFileResult result = ruvo::LoadSectionFile(doc, file);
  std::string notes;
  for (const std::string& note : result.notes) notes += note;
  std::fputs(notes.c_str(), stderr);
  if (!result.ok()) {
    std::fprintf(stderr, "ruvo show: %s: %s\n", file.c_str(), result.message.c_str());
    return 1;
  }
  if (json) {
    SectionReport report;
    report.messages = MessageLines(notes);
    WriteSectionJson(std::cout, report, doc);
  } else {
    WritePointTable(std::cout, doc);
  }
  return 0;
}

}  // namespace cli
