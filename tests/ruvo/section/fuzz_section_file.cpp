// The data file reader must refuse or accept any bytes without crashing, and what it
// accepts must write and read back to the same points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ruvo/section/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ruvo::SectionFileContent content;
  if (!ruvo::ParseSectionData(bytes, content).ok()) return 0;
  ruvo::CDocData doc;
  doc.pointList = content.points;
  doc.vertexList = content.vertices;
  doc.strPmName = content.strPmName;
  ruvo::SectionFileContent again;
  if (!ruvo::ParseSectionData(ruvo::FormatSectionData(doc, ruvo::Edition::Current), again).ok() ||
      again.points.size() != content.points.size()) {
    std::abort();
  }
  return 0;
}
