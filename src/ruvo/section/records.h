#pragma once
// The section point and section-line vertex records.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/geom/vec.h"

namespace ruvo {

// Point kinds (CDataStruct::nType).
enum : std::uint32_t {
  PT_CROSS = 0,   // intersection with a drawing object
  PT_HIDDEN = 1,  // hidden by the layer filter
  PT_KNEE = 2,    // inner vertex of the section line
  PT_END = 3,     // first or last point
  PT_ADDED = 4,   // added by the user
};

// Handle of a drawing object (the database's object id value); 0 is no object.
using ObjectHandle = std::uint64_t;

// One section point.
class CDataStruct {
 public:
  CDataStruct() = default;
  CDataStruct(const CDataStruct&) = default;
  CDataStruct& operator=(const CDataStruct&) = default;
  CDataStruct(CDataStruct&&) = default;
  CDataStruct& operator=(CDataStruct&&) = default;
  virtual ~CDataStruct() = default;

  std::int32_t nNo = 0;
  geom::Point3d ptPos;
  double dHigh = 0.0;
  double dDist = 0.0;
  std::uint32_t bDelete = 0;
  std::string strNote;
  std::uint32_t bMark = 0;
  std::uint32_t nType = PT_CROSS;
  std::string strLayer;
  std::uint32_t bRevised = 0;
  ObjectHandle idObject = 0;  // never stored in files
};

// One vertex of the section line.
class CPntList {
 public:
  CPntList() = default;
  CPntList(const CPntList&) = default;
  CPntList& operator=(const CPntList&) = default;
  CPntList(CPntList&&) = default;
  CPntList& operator=(CPntList&&) = default;
  virtual ~CPntList() = default;

  std::uint32_t nIndex = 0;
  geom::Point3d ptPos;
  double dDist = 0.0;
  double dBulge = 0.0;  // of the segment ending at this vertex
};

// Whether the data page list (and, leaving out deleted points, the drawing) shows a point
// under the display mode `KneePnt` (0 crossings, 1 crossings and knees, 2 knees only).
bool IsPointListed(const CDataStruct& point, int KneePnt);

// Whether a point may not serve as a source for interpolation or extrapolation.
bool IsHeightUnusable(const CDataStruct& point, int KneePnt);
// The same for the point at `index`; an index outside the list is unusable too.
bool IsHeightUnusable(const std::vector<CDataStruct>& points, std::size_t index, int KneePnt);

}  // namespace ruvo
