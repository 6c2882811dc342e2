#pragma once
// What a surveyor must hear about a section that was cut without error: results that are
// complete as far as the program can tell but are likely not what was meant.

#include <optional>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "ruvo/section/doc_data.h"

namespace cli {

// The drawing's contour interval: the most frequent step between the distinct elevations
// of its polylines; nullopt when fewer than two elevations are found.
std::optional<double> ContourInterval(const cad::Database& db);

// One line each: no crossing at all, or none carries an elevation; the section is shorter
// than one drawing
// unit; neighbouring crossings whose elevations step by more than the interval.
std::vector<std::string> SurveyWarnings(const ruvo::CDocData& doc, std::optional<double> interval);

}  // namespace cli
