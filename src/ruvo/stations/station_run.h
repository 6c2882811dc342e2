#pragma once
// The "ruvostations" command of the plug-in: the centreline, the interval and the two widths
// asked on the command line, the cross-sections cut, drawn on sheets and dragged into place.

#include <optional>

#include "platform/host/host.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"

namespace ruvo {

inline constexpr const char* kPromptCentreline = "\n选择中线(直线或多段线):";
inline constexpr const char* kPromptInterval = "\n桩距(米) <%g>:";
inline constexpr const char* kPromptLeft = "\n左侧宽度(米) <%g>:";
inline constexpr const char* kPromptRight = "\n右侧宽度(米) <%g>:";
inline constexpr const char* kMsgPositive = "\n命令:请输入大于0的数值\n";
inline constexpr const char* kMsgTooMany = "\n命令:横断面%zu个, 一次最多%zu个, 请加大间距\n";
inline constexpr const char* kMsgTooLarge = "\n命令:横断面超出图框, 请选用A1图框或缩小比例\n";
// Some cross-sections left off the sheets (count, then their chainages).
inline constexpr const char* kMsgSomeTooLarge = "\n命令:%zu个横断面超出图框, 未绘制: %s\n";
inline constexpr const char* kMsgNotNegative = "\n命令:请输入不小于0的数值\n";

struct StationRunResult {
  enum Outcome { Cancelled, Refused, Placed } outcome = Cancelled;
  std::size_t sections = 0;
  std::size_t sheets = 0;
  std::size_t notDrawn = 0;  // sections too large for the sheet
};

// Runs the command on the current document with its settings (scales, acquisition
// filters); the sheets take an A1 frame when the document's paper choice is A1, else A3.
StationRunResult RunStations(host::Host& host, CDocData& doc, Edition edition = Edition::Current);

}  // namespace ruvo
