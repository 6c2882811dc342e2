#pragma once
// What distinguishes the plug-in's point list from the export tool's table and code list:
// one set of list classes, told by these options which behaviour it carries.

#include <QColor>
#include <optional>

namespace controls {

// Colours the list paints with; odd rows and ordinary text use the widget's palette.
struct ListColors {
  QColor evenRowBackground{210, 234, 244};
  QColor disabledBackground{190, 190, 190};
  QColor disabledText{104, 105, 109};
  QColor highlightText{255, 0, 255};
};

// How a committed cell text passes a column's filter.
enum class CommitFilter {
  // Characters outside the filter (or an empty text) keep the old text; the result is
  // read as a number and shown with at most three decimals.
  Number,
  // Upper-cased; the first two characters found in the filter become the text, none keeps
  // the old text.
  LetterCode,
};

struct ListOptions {
  bool editing = true;        // EditSubItem opens cell editors
  bool navigation = true;     // Enter, Up, Down and Delete in the editor follow the points
  bool incrementRule = true;  // the elevation editor proposes the row above plus the increment
  bool tips = true;           // column tips
  bool rowMarks = true;       // grey rows and highlighted cells
  CommitFilter filter = CommitFilter::Number;
  double headerHeightFactor = 1.5;
  ListColors colors;
  // The point list's columns that the navigation and the increment rule know.
  int elevationColumn = 1;
  int deleteMarkColumn = 2;
  int remarkColumn = 3;

  // The plug-in's point list.
  static ListOptions PointList() { return {}; }
  // The export tool's main table: painting and header choosers only.
  static ListOptions ExportTable() {
    ListOptions o;
    o.editing = o.navigation = o.incrementRule = o.tips = o.rowMarks = false;
    o.headerHeightFactor = 1.0;
    return o;
  }
  // The export tool's code list: editing with the letter-code filter, nothing else.
  static ListOptions CodeList() {
    ListOptions o = ExportTable();
    o.editing = true;
    o.filter = CommitFilter::LetterCode;
    return o;
  }
};

// What the list asks of its page about the point behind a row. A row names its point by
// the number in column 0: number n is point n - 1.
class RowPoints {
 public:
  virtual ~RowPoints() = default;
  virtual bool isDeleted(int pointIndex) const = 0;
  virtual void markDeleted(int pointIndex) = 0;
  // The increment the elevation editor adds to the row above, or nullopt while it is off.
  virtual std::optional<double> increment() const = 0;
};

}  // namespace controls
