#pragma once
// Laid-out shapes turned into drawing entities.

#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "ruvo/drawing/profile_shapes.h"

namespace ruvo {

// Creates one entity per shape, in order, and appends the ids of those created to `ids`.
// `linFile` is where a missing linetype is loaded from.
void CreateShapes(cad::Database& db, const ProfileShapes& shapes, const std::string& linFile,
                  std::vector<cad::ObjectId>& ids);

}  // namespace ruvo
