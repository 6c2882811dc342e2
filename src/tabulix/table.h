#pragma once
// The export tool's table: the points of an opened data file, their azimuths at the
// section's vertices, the rows and cell texts the user sees, and the export of those texts.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "ruvo/section/data_file.h"
#include "ruvo/section/records.h"
#include "tabulix/tabulix_settings.h"

namespace tabulix {

struct TabulixPoint : ruvo::CDataStruct {
  double dAzimuth = 0.0;      // degrees clockwise from north, of the leg leaving the point
  double dBackAzimuth = 0.0;  // of the leg leaving it in reverse order
};

struct TabulixData {
  std::vector<TabulixPoint> points;
  std::vector<std::string> layers;  // ascending, no duplicates; not of added points
};

// Reads a data file with the tool's rules. On any refusal `data` keeps what it held, so
// the table shown before stays.
ruvo::DataFileResult OpenDataFile(const std::filesystem::path& file, TabulixData& data);

void ComputeAzimuths(std::vector<TabulixPoint>& points);

// Hides crossings and added points whose layer is not among `ticked` and shows the others
// again as ordinary points, as the plug-in's filter does. Knee, start and end points are
// left alone.
void ApplyLayerFilter(std::vector<TabulixPoint>& points, const std::vector<std::string>& ticked);

struct TableView {
  int columnCount = 3;
  std::array<std::string, kFieldCount> titles;  // title j - 1 is data column j's field
  int decimals = 3;
  int displayMode = 0;
  bool renumber = false;
  bool reverse = false;

  static TableView FromSettings(const TabulixSettings& s, bool reverse);
};

struct Table {
  std::vector<std::string> headers;            // "序号" then the data columns' titles
  std::vector<std::vector<std::string>> rows;  // one text per column
};

Table FillTable(const std::vector<TabulixPoint>& points, const TableView& view);

// The text of data column `column` (1-based) for point `p` on row `row`, given the rows
// above it (a column of distances from the previous row reads its own texts above).
std::string CellText(const Table& sofar, int row, const TabulixPoint& p, int column,
                     const TableView& view, const std::vector<TabulixPoint>& points);

enum class ExportStatus { Written, NothingToExport, CannotWrite };

// First line the row count, then each row without the "序号" column, joined by commas;
// CR LF; code page 936 (GB18030 where GBK cannot encode); written through a temporary file.
std::string FormatExport(const Table& table);
ExportStatus ExportTable(const Table& table, const std::filesystem::path& file);

}  // namespace tabulix
