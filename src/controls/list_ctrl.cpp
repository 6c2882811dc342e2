#include "controls/list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <vector>

#include "controls/cell_rules.h"
#include "controls/header_ctrl_ex.h"
#include "controls/list_cell_edit.h"

namespace controls {

namespace {

// Cell painting from the model's texts and alignments, the list's row and cell marks and
// the injected colours.
class ListCellDelegate final : public QStyledItemDelegate {
 public:
  ListCellDelegate(const ListCtrl& list, const ListColors& colors)
      : QStyledItemDelegate(const_cast<ListCtrl*>(&list)), list_(list), colors_(colors) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const int row = index.row();
    const int column = index.column();
    const QVariant align = index.model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
    if (align.isValid()) {
      option->displayAlignment =
          (Qt::Alignment(align.toInt()) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    }
    QColor background =
        row % 2 == 0 ? colors_.evenRowBackground : option->palette.color(QPalette::Base);
    QColor text = list_.IsCellHighlighted(row, column) ? colors_.highlightText
                                                       : option->palette.color(QPalette::Text);
    if (list_.IsRowDisabled(row)) {
      background = colors_.disabledBackground;
      text = colors_.disabledText;
    }
    option->backgroundBrush = background;
    option->palette.setColor(QPalette::Text, text);
  }

 private:
  const ListCtrl& list_;
  ListColors colors_;
};

// What a cell adds to its text's width: the margins on both sides.
constexpr int kCellMargin = 12;

// Any row and column of the list: a long section has more rows than 16 bits hold.
std::uint64_t cellKey(int row, int column) {
  return (static_cast<std::uint64_t>(column) << 32) + static_cast<std::uint32_t>(row);
}

}  // namespace

ListCtrl::ListCtrl(const ListOptions& options, QWidget* parent)
    : QTableWidget(parent),
      options_(options),
      header_(new CHeaderCtrlEx(options.headerHeightFactor, this)) {
  setHorizontalHeader(header_);
  // Columns may be as narrow as the page makes them; a narrow one only refuses editors.
  header_->setMinimumSectionSize(1);
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setItemDelegate(new ListCellDelegate(*this, options_.colors));
  connect(header_, &CHeaderCtrlEx::choiceMade, this, &ListCtrl::headerChoiceMade);
  // Scrolling first takes the focus, which closes an open editor with a commit.
  for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
    connect(bar, &QScrollBar::actionTriggered, this, [this] { setFocus(Qt::MouseFocusReason); });
  }
  connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] {
    if (rowCount() == 0) {
      disabledRows_.clear();
      highlighted_.clear();
    }
    forgetContentWidths();
  });
  // An open editor names its cell by row; once rows come or go that row may show another
  // point, so the edit is dropped rather than committed into the wrong one.
  for (const auto moving :
       {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved}) {
    connect(model(), moving, this, [this] { discardEditor(); });
  }
  connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { discardEditor(); });
  connect(model(), &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { discardEditor(); });
  connect(model(), &QAbstractItemModel::dataChanged, this, &ListCtrl::contentChanged);
  for (const auto changed :
       {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved}) {
    connect(model(), changed, this, [this] { forgetContentWidths(); });
  }
  connect(model(), &QAbstractItemModel::modelReset, this, [this] { forgetContentWidths(); });
  connect(model(), &QAbstractItemModel::layoutChanged, this, [this] { forgetContentWidths(); });
}

ListCtrl::~ListCtrl() {
  // The editor must not commit into a list that is half destroyed.
  if (editor_) editor_->EndEdit(false);
  // The model outlives this object's members: it is deleted with the widget's children and
  // clears itself on the way, which must not reach the handlers here.
  model()->disconnect(this);
}

void ListCtrl::discardEditor() {
  if (!editor_) return;
  CListCellEdit* editor = editor_;
  editor_ = nullptr;
  editor->Discard();
}

int ListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment, int width) {
  column = std::clamp(column, 0, columnCount());
  insertColumn(column);
  auto* item = new QTableWidgetItem(title);
  item->setTextAlignment(alignment | Qt::AlignVCenter);
  setHorizontalHeaderItem(column, item);
  setColumnWidth(column, width);
  return column;
}

void ListCtrl::DeleteAllColumns() {
  DeleteAllItems();
  setColumnCount(0);
}

int ListCtrl::InsertItem(int row, const QString& text) {
  if (row < 0 || row > rowCount()) row = rowCount();
  insertRow(row);
  SetItemText(row, 0, text);
  return row;
}

void ListCtrl::SetItemText(int row, int column, const QString& text) {
  if (row < 0 || row >= rowCount() || !validColumn(column)) return;
  QTableWidgetItem* existing = item(row, column);
  // An empty cell needs no item: it reads and paints as empty all the same.
  if (existing == nullptr && text.isEmpty()) return;
  if (static_cast<int>(content_.size()) != columnCount()) forgetContentWidths();
  const int width = textWidth(text);
  measuredInsert_ = true;
  if (existing != nullptr) {
    existing->setText(text);
  } else {
    setItem(row, column, new QTableWidgetItem(text));
  }
  measuredInsert_ = false;
  ColumnContent& content = content_[static_cast<std::size_t>(column)];
  if (width >= content.widest) {
    content.widest = width;  // the widest now, whatever it replaced
  } else if (existing != nullptr) {
    content.known = false;  // the replaced text may have been the widest
  }
}

QString ListCtrl::GetItemText(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell ? cell->text() : QString();
}

void ListCtrl::DeleteAllItems() {
  setRowCount(0);
  disabledRows_.clear();
  highlighted_.clear();
  forgetContentWidths();
}

void ListCtrl::FillRows(int rows, const std::function<void(int row)>& fill) {
  const bool updates = updatesEnabled();
  setUpdatesEnabled(false);
  DeleteAllItems();
  setRowCount(std::max(rows, 0));
  // Each new cell would tell the views about itself, and they would work out where it is
  // shown; one notice for all of them afterwards does the same.
  const bool blocked = model()->blockSignals(true);
  for (int row = 0; row < rowCount(); ++row) fill(row);
  model()->blockSignals(blocked);
  if (rowCount() > 0 && columnCount() > 0) {
    emit model()->dataChanged(model()->index(0, 0),
                              model()->index(rowCount() - 1, columnCount() - 1));
  }
  setUpdatesEnabled(updates);
  viewport()->update();
}

void ListCtrl::SetColumnReadOnly(int column, int flag) {
  if (!validColumn(column)) return;
  if (flag != 0) {
    readOnly_[column] = flag;
  } else {
    readOnly_.erase(column);
  }
}

int ListCtrl::IsColumnReadOnly(int column) const {
  const auto found = readOnly_.find(column);
  return found == readOnly_.end() ? 0 : found->second;
}

void ListCtrl::SetColumnTip(int column, const QString& tip) {
  if (!validColumn(column)) return;
  if (!tip.isEmpty()) {
    tips_[column] = tip.left(79);
  } else {
    tips_.erase(column);
  }
}

QString ListCtrl::ColumnTip(int column) const {
  const auto found = tips_.find(column);
  return found == tips_.end() ? QString() : found->second;
}

void ListCtrl::SetColumnFilter(int column, const QString& allowed) {
  if (!validColumn(column)) return;
  if (!allowed.isEmpty()) {
    filters_[column] = allowed;
  } else {
    filters_.erase(column);
  }
}

QString ListCtrl::ColumnFilter(int column) const {
  const auto found = filters_.find(column);
  return found == filters_.end() ? QString() : found->second;
}

void ListCtrl::SetRowDisabled(int row, bool disabled) {
  if (row < 0 || row >= rowCount()) return;
  if (disabled) {
    disabledRows_[row] = 1;
  } else {
    disabledRows_.erase(row);
  }
  viewport()->update();
}

bool ListCtrl::IsRowDisabled(int row) const { return disabledRows_.contains(row); }

void ListCtrl::SetCellHighlight(int row, int column, bool highlight) {
  if (row < 0 || column < 0 || row >= rowCount()) return;
  if (highlight) {
    highlighted_[cellKey(row, column)] = 1;
  } else {
    highlighted_.erase(cellKey(row, column));
  }
  viewport()->update();
}

bool ListCtrl::IsCellHighlighted(int row, int column) const {
  if (row < 0 || column < 0) return false;
  return highlighted_.contains(cellKey(row, column));
}

void ListCtrl::SetRowHeight(int pixels) {
  verticalHeader()->setMinimumSectionSize(std::min(pixels, verticalHeader()->minimumSectionSize()));
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(pixels);
}

void ListCtrl::SetHeaderHeightFactor(double factor) {
  header_->setHeightFactor(factor);
  updateGeometries();
}

int ListCtrl::textWidth(const QString& text) {
  // A long section has tens of thousands of cells; their widths are added up from the
  // advances of their characters, each measured once, rather than measured text by text.
  if (text.isEmpty()) return 0;
  const QFontMetrics metrics(font());
  if (advances_.empty()) advances_.assign(0x10000, 0);
  int width = 0;
  for (const QChar c : text) {
    if (c.isSurrogate()) return metrics.horizontalAdvance(text);
    std::uint16_t& advance = advances_[c.unicode()];
    if (advance == 0) {
      advance = static_cast<std::uint16_t>(std::clamp(metrics.horizontalAdvance(c), 0, 0xFFFE) + 1);
    }
    width += advance - 1;
  }
  return width;
}

void ListCtrl::forgetContentWidths() {
  // Without rows every column is empty; otherwise its cells are measured when next needed.
  content_.assign(static_cast<std::size_t>(columnCount()), ColumnContent{0, rowCount() == 0});
}

void ListCtrl::contentChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
  if (measuredInsert_) return;
  if (static_cast<int>(content_.size()) != columnCount()) {
    forgetContentWidths();
    return;
  }
  for (int column = std::max(topLeft.column(), 0);
       column <= bottomRight.column() && column < columnCount(); ++column) {
    content_[static_cast<std::size_t>(column)].known = false;
  }
}

void ListCtrl::AutoSizeColumns() {
  if (static_cast<int>(content_.size()) != columnCount()) forgetContentWidths();
  const bool updates = updatesEnabled();
  setUpdatesEnabled(false);
  for (int column = 0; column < columnCount(); ++column) {
    ColumnContent& content = content_[static_cast<std::size_t>(column)];
    const int present = columnWidth(column);
    // A column already at the limit stays there, whatever its cells hold.
    if (!content.known && present < kMaxAutoWidth) {
      content.widest = 0;
      for (int row = 0; row < rowCount() && content.widest + kCellMargin < kMaxAutoWidth; ++row) {
        if (const QTableWidgetItem* cell = item(row, column)) {
          content.widest = std::max(content.widest, textWidth(cell->text()));
        }
      }
      content.known = true;
    }
    const int needed = content.known && content.widest > 0 ? content.widest + kCellMargin : 0;
    setColumnWidth(column, std::clamp(std::max(present, needed), kMinAutoWidth, kMaxAutoWidth));
  }
  setUpdatesEnabled(updates);
  viewport()->update();
}

ListCtrl::Hit ListCtrl::HitTestEx(const QPoint& point) const {
  Hit hit;
  hit.row = rowAt(point.y());
  hit.column = columnAt(point.x());
  if (hit.column < 0) hit.row = -1;
  return hit;
}

void ListCtrl::SetHeaderChoices(const QString& choices) {
  header_->SetHeaderChoices(choices);
  header_->viewport()->update();
}

int ListCtrl::pointIndexOfRow(int row) const {
  bool ok = false;
  const int number = GetItemText(row, 0).toInt(&ok);
  return ok ? number - 1 : -1;
}

bool ListCtrl::rowDeleted(int row) const {
  const int point = pointIndexOfRow(row);
  return points_ && point >= 0 && points_->isDeleted(point);
}

QString ListCtrl::incrementProposal(int row) const {
  if (!options_.incrementRule || !points_ || row <= 0 || !points_->increment()) return {};
  int above = row - 1;
  while (above > 0 && rowDeleted(above)) --above;
  const double base = LeadingNumber(GetItemText(above, options_.elevationColumn));
  return ShortNumber(base + *points_->increment());
}

bool ListCtrl::EditSubItem(int row, int column) {
  if (!options_.editing || row < 0 || column < 0 || column >= columnCount() || row >= rowCount() ||
      columnWidth(column) < kMinEditableWidth) {
    return false;
  }
  const QModelIndex index = model()->index(row, column);
  scrollTo(index, QAbstractItemView::EnsureVisible);
  emit beginLabelEdit(row, column);
  if (IsColumnReadOnly(column) != 0) return false;
  // The signal may have changed the list.
  if (row >= rowCount() || column >= columnCount()) return false;

  QString text = GetItemText(row, column);
  bool proposed = false;
  if (column == options_.elevationColumn) {
    if (QString proposal = incrementProposal(row); !proposal.isEmpty()) {
      text = proposal;
      proposed = true;
    }
  }
  auto* edit = new CListCellEdit(*this, row, column, text, viewport());
  const QVariant align = model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
  const Qt::Alignment horizontal =
      align.isValid() ? Qt::Alignment(align.toInt()) & Qt::AlignHorizontal_Mask : Qt::AlignLeft;
  edit->setAlignment(horizontal | Qt::AlignVCenter);
  edit->setFont(font());
  edit->setGeometry(visualRect(index));
  if (proposed) edit->markModified();
  edit->selectAll();
  if (editor_ && editor_ != edit) editor_->EndEdit(true);
  editor_ = edit;
  edit->show();
  edit->setFocus(Qt::OtherFocusReason);
  return true;
}

void ListCtrl::commitEdit(CListCellEdit& editor, const QString& committed) {
  const int row = editor.row();
  const int column = editor.column();
  if (editor_ == &editor) editor_ = nullptr;
  if (row >= rowCount() || !validColumn(column)) return;
  const QString current = GetItemText(row, column);
  QString result = committed;
  if (const QString allowed = ColumnFilter(column); !allowed.isEmpty()) {
    if (options_.filter == CommitFilter::Number) {
      result = FilterNumberText(committed, current, allowed);
    } else {
      result = FilterLetterCode(committed, allowed).value_or(current);
    }
  }
  SetItemText(row, column, result);
  emit endLabelEdit(row, column, result);
}

void ListCtrl::editBelow(int row, int column) {
  int below = row + 1;
  while (below < rowCount() - 1 && rowDeleted(below)) ++below;
  EditSubItem(below, column);
}

bool ListCtrl::navigateFromEditor(CListCellEdit& editor, int key) {
  if (!options_.navigation) return false;
  const int row = editor.row();
  const int column = editor.column();
  const int rows = rowCount();
  // The last point's remark is not edited, so the row before it has nowhere to go.
  const bool lastDown = row >= rows - 1 || (rows == row + 2 && column == options_.remarkColumn);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
      if (lastDown) return true;
      editor.EndEdit(true);
      editBelow(row, column);
      return true;
    case Qt::Key_Up: {
      if (row == 0 || (row == 1 && column == options_.remarkColumn)) return true;
      editor.EndEdit(true);
      int above = row - 1;
      while (above > 0 && rowDeleted(above)) --above;
      EditSubItem(above, column);
      return true;
    }
    case Qt::Key_Delete: {
      if (row == 0 || row >= rows - 1) return true;
      editor.EndEdit(true);
      if (points_) {
        if (const int point = pointIndexOfRow(row); point >= 0) points_->markDeleted(point);
      }
      SetItemText(row, options_.deleteMarkColumn, QStringLiteral("×"));
      SetRowDisabled(row, true);
      if (!lastDown) editBelow(row, column);
      return true;
    }
    default:
      return false;
  }
}

void ListCtrl::keyPressEvent(QKeyEvent* event) {
  emit keyDown(event->key());
  QTableWidget::keyPressEvent(event);
}

void ListCtrl::wheelEvent(QWheelEvent* event) {
  setFocus(Qt::MouseFocusReason);
  QTableWidget::wheelEvent(event);
}

void ListCtrl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    advances_.clear();
    forgetContentWidths();
  }
  QTableWidget::changeEvent(event);
}

bool ListCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip && options_.tips) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ColumnTip(columnAt(help->pos().x()));
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), tip, viewport());
    }
    return true;
  }
  return QTableWidget::viewportEvent(event);
}

}  // namespace controls
