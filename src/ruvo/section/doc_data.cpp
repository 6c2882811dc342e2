#include "ruvo/section/doc_data.h"

#include <algorithm>

namespace ruvo {

void SortUniqueLayers(std::vector<std::string>& layers) {
  std::sort(layers.begin(), layers.end());
  layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
}

}  // namespace ruvo
