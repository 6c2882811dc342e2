#include "ruvo/section/doc_data.h"

#include <algorithm>

namespace ruvo {

void SortUniqueLayers(std::vector<std::string>& layers) {
  // A section's points come a contour at a time, so its layers in runs: dropping the
  // repeats within a run first leaves the sort a few names to order.
  layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
  std::sort(layers.begin(), layers.end());
  layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
}

}  // namespace ruvo
