#pragma once
// The report list shared by the plug-in's point list and the export tool's table and code
// list: cells edited in place under per-column rules, grey rows, highlighted cells, column
// tips, alternating row colours. The final classes CListCtrlEx and CListCtrlEdit pick the
// behaviour through ListOptions.

#include <QPointer>
#include <QTableWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "controls/list_cell_edit.h"
#include "controls/list_options.h"

namespace controls {

class CHeaderCtrlEx;

class ListCtrl : public QTableWidget {
  Q_OBJECT
 public:
  static constexpr int kMinAutoWidth = 10;
  static constexpr int kMaxAutoWidth = 150;
  static constexpr int kMinEditableWidth = 5;  // narrower columns never open an editor

  ~ListCtrl() override;
  ListCtrl(const ListCtrl&) = delete;
  ListCtrl& operator=(const ListCtrl&) = delete;

  const ListOptions& options() const { return options_; }
  CHeaderCtrlEx* header() const { return header_; }

  // Columns and rows. A column's alignment applies to every cell and to its editor.
  int InsertColumn(int column, const QString& title, Qt::Alignment alignment, int width);
  void DeleteAllColumns();
  // Appends a row (or inserts it before `row`) with `text` in column 0; returns its index.
  int InsertItem(int row, const QString& text);
  void SetItemText(int row, int column, const QString& text);
  QString GetItemText(int row, int column) const;
  int GetItemCount() const { return rowCount(); }
  int GetColumnCount() const { return columnCount(); }
  // Removes every row, and with them the grey rows and highlighted cells.
  void DeleteAllItems();
  // Replaces every row by `rows` new ones that `fill(row)` fills with SetItemText and the
  // row and cell marks (it must not add or remove rows), and repaints once: the views
  // hear of the new texts all together instead of cell by cell.
  void FillRows(int rows, const std::function<void(int row)>& fill);

  // Per-column rules; a column outside the header's items is ignored. A zero flag or an
  // empty text removes the rule.
  void SetColumnReadOnly(int column, int flag);
  int IsColumnReadOnly(int column) const;
  void SetColumnTip(int column, const QString& tip);
  QString ColumnTip(int column) const;
  void SetColumnFilter(int column, const QString& allowed);
  QString ColumnFilter(int column) const;

  // Row and cell marks (plug-in list); rows outside the list are ignored.
  void SetRowDisabled(int row, bool disabled);
  bool IsRowDisabled(int row) const;
  void SetCellHighlight(int row, int column, bool highlight);
  bool IsCellHighlighted(int row, int column) const;

  void SetRowHeight(int pixels);
  void SetHeaderHeightFactor(double factor);
  // Every column as wide as its content or its present width, whichever is larger, kept
  // within 10 to 150 pixels.
  void AutoSizeColumns();

  // Opens the cell editor; false when none opened.
  bool EditSubItem(int row, int column);
  CListCellEdit* currentEditor() const { return editor_; }

  struct Hit {
    int row = -1;  // -1 unless the point is on an item
    int column = -1;
  };
  // `point` in the list's viewport coordinates.
  Hit HitTestEx(const QPoint& point) const;

  // The page's points behind the rows, for the navigation and the increment rule.
  void SetRowPoints(RowPoints* points) { points_ = points; }

  // Export tool: every column but the first switches to any of these (one per line).
  void SetHeaderChoices(const QString& choices);

  // Called by the cell editor.
  void commitEdit(CListCellEdit& editor, const QString& text);
  bool navigateFromEditor(CListCellEdit& editor, int key);

 signals:
  // Each time EditSubItem passes its bounds, before the read-only test.
  void beginLabelEdit(int row, int column);
  // After a committed text was filtered, formatted and written into the cell.
  void endLabelEdit(int row, int column, const QString& text);
  // A header chooser ended with a choice.
  void headerChoiceMade(int column, const QString& text);
  // A key pressed in the list (not in its editor), before the list moves its selection.
  void keyDown(int key);

 protected:
  ListCtrl(const ListOptions& options, QWidget* parent);

  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool validColumn(int column) const { return column >= 0 && column < columnCount(); }
  bool rowDeleted(int row) const;
  int pointIndexOfRow(int row) const;
  QString incrementProposal(int row) const;
  void editBelow(int row, int column);
  void discardEditor();

  // The widest text of each column, kept up to date while cells are filled so that
  // AutoSizeColumns measures no cell twice. A column whose texts changed in a way that
  // may have made it narrower is measured again from its cells.
  struct ColumnContent {
    int widest = 0;  // pixels, without the cell's margins
    bool known = true;
  };
  int textWidth(const QString& text);
  void forgetContentWidths();
  void contentChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);

  ListOptions options_;
  std::map<int, int> readOnly_;
  std::map<int, QString> tips_;
  std::map<int, QString> filters_;
  std::map<int, int> disabledRows_;
  std::map<std::uint64_t, int> highlighted_;  // column in the high 32 bits, row in the low
  QPointer<CListCellEdit> editor_;
  CHeaderCtrlEx* header_;
  RowPoints* points_ = nullptr;
  std::vector<ColumnContent> content_;
  std::vector<std::uint16_t> advances_;  // per character of the font, + 1; 0 not measured
  bool measuredInsert_ = false;          // the cell being added is measured already
};

}  // namespace controls
