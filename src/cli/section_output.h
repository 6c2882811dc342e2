#pragma once
// How `ruvo section` and `ruvo show` print a section: the point list as the data page
// shows it, or one JSON object.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ruvo/section/doc_data.h"

namespace cli {

struct SectionLineInfo {
  std::string handle;  // upper-case hex
  std::string type;    // DXF entity type
};

struct SectionReport {
  std::optional<std::string> drawing;
  std::optional<SectionLineInfo> line;
  std::vector<std::string> messages;  // command-line lines, blank ones left out
  std::vector<std::string> warnings;  // what the surveyor must hear about the result
};

// The lines of captured command-line text that carry something.
std::vector<std::string> MessageLines(std::string_view text);

// The data page's list (No, 高程, 删, 注释, 标, 图层) with the distance, for the points the
// display mode `KneePnt` lists.
void WritePointTable(std::ostream& out, const ruvo::CDocData& doc);

void WriteSectionJson(std::ostream& out, const SectionReport& report, const ruvo::CDocData& doc);

// A number as JSON: the shortest text that reads back the same; null when not finite.
std::string JsonNumber(double value);
std::string JsonString(std::string_view text);

}  // namespace cli
