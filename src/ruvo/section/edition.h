#pragma once

namespace ruvo {

// The plug-in is built for the current host interface and for an older one; the few places
// where their behaviour differs ask for the edition.
enum class Edition { Current, Legacy };

}  // namespace ruvo
