// ruvo show: print a section data file of any version.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/program.h"
#include "cli/section_output.h"
#include "ruvo/section/data_file.h"

namespace cli {
namespace {

struct ShowArgs {
  std::string file;
  bool json = false;
};

int Execute(const ShowArgs& a) {
  ruvo::CDocData doc;
  const ruvo::DataFileResult result = ruvo::LoadSectionFile(doc, a.file);
  std::string notes;
  for (const std::string& note : result.notes) notes += note;
  std::cerr << notes;
  if (!result.ok()) return Refused("ruvo show", a.file + ": " + result.message);
  if (a.json) {
    SectionReport report;
    report.messages = MessageLines(notes);
    WriteSectionJson(std::cout, report, doc);
  } else {
    WritePointTable(std::cout, doc);
  }
  return kDone;
}

}  // namespace

Run DefineShow(CLI::App& sub) {
  auto a = std::make_shared<ShowArgs>();
  DescribeCommand(
      sub,
      "Reads a section data file (versions ZRK3.0, ZRK3.6 and ZRK3.8) and prints its points "
      "as the data page lists them (No, 高程, 删, 注释, 标, 图层 and the distance; a revised "
      "elevation is marked with *), or with --json one object {drawing, line, messages, "
      "warnings, vertices, points, layers}. Notes of the reader go to standard error.");
  sub.add_option("DATAFILE", a->file, "the section data file")->required();
  sub.add_flag("--json", a->json, "print one JSON object instead of the list");
  return [a] { return Execute(*a); };
}

}  // namespace cli
