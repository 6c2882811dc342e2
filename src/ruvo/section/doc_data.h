#pragma once
// Everything the plug-in keeps about one drawing document: the section's lists and every
// acquisition, editing and drawing setting, with their defaults.

#include <cstdint>
#include <string>
#include <vector>

#include "ruvo/section/paper_choice.h"
#include "ruvo/section/records.h"

namespace ruvo {

class CDocData {
 public:
  std::vector<CPntList> vertexList;
  std::vector<CDataStruct> pointList;
  std::vector<std::string> layerList;  // ascending, byte order, no duplicates
  double FilterHMax = 9000.0;
  double FilterHMin = 1.0;
  std::int32_t bIncrement = 0;
  std::int32_t FilterHeight = 0;
  std::int32_t AutoAssign = 1;
  double dIncrement = 0.0;
  double XYScale = 1000.0;
  double XScale = 500.0;
  double YScale = 500.0;
  std::int32_t bXYEqual = 1;
  std::int32_t bXScale = 0;
  double txtX = 5.0;
  double txtY = 5.0;
  std::int32_t bUserRange = 0;
  double dHighMax = 10.0;
  double dHighMin = 0.0;
  double dUserTop = 10.0;
  double dUserBottom = 0.0;
  double dRangeTop = 10.0;
  double dRangeBottom = 0.0;
  std::string strPmName = "剖面图";
  std::int32_t bLineType = 0;
  std::int32_t bReverse = 0;
  std::int32_t Interval = 0;
  std::int32_t bDistAndHigh = 1;
  std::int32_t bDirection1 = 0;
  std::int32_t bDirection2 = 0;
  std::int32_t bKneePosition = 0;
  std::int32_t bRemarkPosition = 0;
  double RodWidth = 1.5;
  std::int32_t SideDistance = 5;
  std::int32_t KneePnt = 0;
  std::int32_t bSetHigh = 0;
  std::int32_t bFromDrawing = 0;
  CPreviewPaper paperPreview;
};

// Sorts layer names ascending by byte order and removes duplicates.
void SortUniqueLayers(std::vector<std::string>& layers);

}  // namespace ruvo
