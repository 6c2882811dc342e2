#pragma once
// The SVG back end: a picture as a self-contained SVG document, white background, y up in
// the world turned into y down on the page. Texts stay texts, in a CJK-capable font list.

#include <array>
#include <optional>
#include <string>

#include "platform/render/primitives.h"

namespace render {

// The drawings' typeface first, then faces with its widths (wide characters one em, all
// others half an em), which the writer anchors texts by; proportional faces last.
inline constexpr const char* kCjkFontFamilies =
    "SimSun, NSimSun, 'Noto Sans Mono CJK SC', 'WenQuanYi Zen Hei Mono', 'Songti SC', "
    "'Noto Serif CJK SC', 'Source Han Serif SC', 'Noto Sans CJK SC', 'WenQuanYi Zen Hei', "
    "'Microsoft YaHei', sans-serif";

struct SvgOptions {
  std::optional<geom::Extents2d> window;  // default: the picture's extents
  int size = 2000;                        // pixels of the longer side, margins included
  int margin = 10;                        // pixels around the window
  double fontScale = 1.3;                 // font size per capital height
};

// The document; nullopt, with the reason in `error`, when a coordinate or size of what the
// window shows cannot be written as an SVG number. Paths running far off the page are cut
// at a margin around it, so a stray distant point does not spoil the picture.
std::optional<std::string> writeSvg(const Picture& picture, const SvgOptions& options,
                                    std::string& error);

// The corners of a label's box in world coordinates (an estimate: no font metrics).
std::array<geom::Point2d, 4> labelBox(const Label& label);

}  // namespace render
