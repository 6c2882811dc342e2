// The data file reader must refuse or accept any bytes without crashing. What it accepts
// must write and read back (the written form is a fixed point of reading and writing
// unless a text grew beyond the reader's limit),
// and the export tool's points-only reading must agree with the full reading.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ruvo/section/data_file.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool samePoint(const ruvo::CDataStruct& a, const ruvo::CDataStruct& b) {
  return a.nNo == b.nNo && a.ptPos == b.ptPos && a.dHigh == b.dHigh && a.dDist == b.dDist &&
         a.bDelete == b.bDelete && a.strNote == b.strNote && a.bMark == b.bMark &&
         a.nType == b.nType && a.strLayer == b.strLayer && a.bRevised == b.bRevised;
}

std::string written(const ruvo::SectionFileContent& content) {
  ruvo::CDocData doc;
  doc.XYScale = content.XYScale;
  doc.XScale = content.XScale;
  doc.YScale = content.YScale;
  doc.strPmName = content.strPmName;
  doc.pointList = content.points;
  doc.vertexList = content.vertices;
  return ruvo::FormatSectionData(doc, ruvo::Edition::Current);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ruvo::SectionFileContent content, pointsOnly;
  const bool full = ruvo::ParseSectionData(bytes, content).ok();
  const bool points = ruvo::ParseSectionData(bytes, pointsOnly, {.readVertices = false}).ok();
  if (!full) return 0;
  // What follows the points can only refuse a file, never change its points.
  check(points && pointsOnly.points.size() == content.points.size() && pointsOnly.vertices.empty());
  for (std::size_t i = 0; i < content.points.size(); ++i) {
    check(samePoint(pointsOnly.points[i], content.points[i]));
  }

  const std::string once = written(content);
  ruvo::SectionFileContent again;
  const ruvo::DataFileResult reread = ruvo::ParseSectionData(once, again);
  check(reread.ok());
  check(again.version == ruvo::SectionFileVersion::V38);
  check(again.points.size() == content.points.size());
  check(again.vertices.size() == content.vertices.size());
  // A text may come back longer than it was read (a broken byte is written as the
  // four-byte code of the replacement character), and the reader cuts what exceeds
  // its limit, with a note; anything else must be a fixed point.
  if (reread.notes.empty()) check(written(again) == once);
  return 0;
}
