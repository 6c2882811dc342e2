#include "ruvo/section/records.h"

namespace ruvo {

bool IsPointListed(const CDataStruct& point, int KneePnt) {
  if (point.nType == PT_HIDDEN) return false;
  if (KneePnt == 0 && point.nType == PT_KNEE) return false;
  if (KneePnt == 2 && (point.nType == PT_CROSS || point.nType == PT_ADDED)) return false;
  return true;
}

bool IsHeightUnusable(const CDataStruct& point, int KneePnt) {
  return point.bRevised == 1 || point.dHigh <= 0 || point.bDelete == 1 ||
         point.nType == PT_HIDDEN || (KneePnt == 0 && point.nType == PT_KNEE);
}

bool IsHeightUnusable(const std::vector<CDataStruct>& points, std::size_t index, int KneePnt) {
  return index >= points.size() || IsHeightUnusable(points[index], KneePnt);
}

}  // namespace ruvo
