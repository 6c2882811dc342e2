#pragma once
// Cross-sections on paper: each section in a cell (title, ground line, centre mark, offset
// and elevation rows), the cells in columns on paper frames, and the whole as drawing
// entities, one drawing unit to the millimetre of paper.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "platform/geom/extents.h"
#include "ruvo/stations/stations.h"

namespace ruvo {

inline constexpr const char* kSectionLineLayer = "RVDM";
inline constexpr double kSheetGap = 20;  // mm between sheets side by side

struct SheetOptions {
  int frame = 2;                    // frame kind: 2 A3 landscape, 6 A1 landscape
  double unitMetres = 1.0;          // metres per drawing unit of the plan
  double hScale = 500;              // horizontal scale denominator (offsets)
  double vScale = 500;              // vertical scale denominator (elevations)
  std::filesystem::path frameFile;  // the frame drawing; empty: beside the program
};

struct SheetCell {
  std::size_t section = 0;  // index into the sections
  std::size_t sheet = 0;
  geom::Extents2d box;      // the cell, in sheet-drawing coordinates
  geom::Extents2d content;  // what the section's drawing covers, inside the cell
};

struct NotDrawn {
  std::size_t section = 0;
  std::string reason;  // "needs 226 x 1775 mm, more than the sheet's 380 x 245 mm"
};

struct SheetLayout {
  std::vector<geom::Extents2d> sheets;  // each sheet's paper
  std::vector<SheetCell> cells;
  std::vector<NotDrawn> notDrawn;  // sections too large for the sheet, in station order
};

// The size a section needs on paper (mm), title and rows included. Elevations at or below
// zero that the repair left (unassigned curves) are not drawn when the section has positive
// ones, as the repair takes them for none; their offsets are.
geom::Vector2d SectionSize(const CrossSection& s, const SheetOptions& o);

// Cells in station order, top to bottom in columns, columns left to right, sheets side by
// side from the origin; a cell is the smallest of the sheet's cell sizes that holds its
// section. A section larger than a sheet's drawing area gets no cell and is listed in
// `notDrawn`; the others are laid out all the same. `error` is set when no section fits.
SheetLayout LayOutSheets(const std::vector<CrossSection>& sections, const SheetOptions& o,
                         std::string& error);

// Draws the sheets into model space, moved by `offset`: frames (their block copied from the
// frame drawing), and each section in its cell. Returns the new entities' ids; `error` says
// why the frames are missing (the sections are drawn all the same).
std::vector<cad::ObjectId> DrawSheets(cad::Database& db, const std::vector<CrossSection>& sections,
                                      const SheetLayout& layout, const SheetOptions& o,
                                      geom::Vector2d offset, std::string& error);

// A new drawing holding the sheets alone, written (through a temporary file) to `file`.
bool WriteSheetsDrawing(const std::vector<CrossSection>& sections, const SheetLayout& layout,
                        const SheetOptions& o, const std::filesystem::path& file,
                        std::string& error);

// Each cross-section as a line on the plan, on layer "RVDM".
std::vector<cad::ObjectId> AddSectionLines(cad::Database& db,
                                           const std::vector<CrossSection>& sections);

}  // namespace ruvo
