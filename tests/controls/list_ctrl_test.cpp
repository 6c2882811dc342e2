#include "controls/list_ctrl_test.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <memory>
#include <set>

#include "controls/header_ctrl_ex.h"
#include "controls/list_ctrl_ex.h"

using controls::CListCellEdit;
using controls::CListCtrlEx;

namespace {

class FakePoints final : public controls::RowPoints {
 public:
  std::set<int> deleted;
  std::optional<double> step;
  bool isDeleted(int point) const override { return deleted.contains(point); }
  void markDeleted(int point) override { deleted.insert(point); }
  std::optional<double> increment() const override { return step; }
};

// A page with the point list's six columns and another widget to move the focus to.
struct Page {
  QWidget window;
  CListCtrlEx* list;
  QLineEdit* other;
  FakePoints points;

  explicit Page(int rows) {
    auto* layout = new QVBoxLayout(&window);
    list = new CListCtrlEx(&window);
    other = new QLineEdit(&window);
    layout->addWidget(list);
    layout->addWidget(other);
    const char* titles[] = {"No", " 高程", "删", "注释", "标", "图层"};
    for (int c = 0; c < 6; ++c) {
      list->InsertColumn(c, QString::fromUtf8(titles[c]),
                         c == 1 || c == 5 ? Qt::AlignLeft : Qt::AlignHCenter, 60);
    }
    for (int r = 0; r < rows; ++r) {
      list->InsertItem(r, QString::number(r + 1));
      list->SetItemText(r, 1, QString::number(100 + r));
      list->SetItemText(r, 3, QStringLiteral("r%1").arg(r));
    }
    for (int c : {0, 2, 4, 5}) list->SetColumnReadOnly(c, 1);
    list->SetColumnFilter(1, QStringLiteral("-0123456789."));
    list->SetColumnTip(2, QString::fromUtf8("双击删除"));
    list->SetRowPoints(&points);
    window.resize(480, 400);
    window.show();
    QApplication::setActiveWindow(&window);
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
  }

  CListCellEdit* editor() const { return list->currentEditor(); }

  // Types `text` over the selected initial text and moves the focus away.
  void typeAndLeave(const QString& text) {
    QTest::keyClick(editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor(), Qt::Key_Backspace);
    if (!text.isEmpty()) QTest::keyClicks(editor(), text);
    other->setFocus();
  }
};

}  // namespace

void ListCtrlTest::filteredCommit_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("empty keeps") << ""
                               << "101";
  QTest::newRow("second point stops") << "1.2.3"
                                      << "1.2";
  QTest::newRow("tiny negative") << "-0.0001"
                                 << "-0";
  QTest::newRow("zeros stripped") << "12.50"
                                  << "12.5";
  QTest::newRow("letter keeps") << "12a"
                                << "101";
}

void ListCtrlTest::filteredCommit() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  Page page(4);
  QSignalSpy begin(page.list, &CListCtrlEx::beginLabelEdit);
  QSignalSpy end(page.list, &CListCtrlEx::endLabelEdit);
  QVERIFY(page.list->EditSubItem(1, 1));
  QCOMPARE(begin.count(), 1);
  page.typeAndLeave(typed);
  QCOMPARE(page.list->GetItemText(1, 1), shown);
  QCOMPARE(end.count(), 1);
  QCOMPARE(end[0][0].toInt(), 1);
  QCOMPARE(end[0][1].toInt(), 1);
  QCOMPARE(end[0][2].toString(), shown);
  QVERIFY(page.list->currentEditor() == nullptr);
}

void ListCtrlTest::unfilteredColumnTakesTextAsTyped() {
  Page page(4);
  QVERIFY(page.list->EditSubItem(1, 3));
  page.typeAndLeave(QString());
  QCOMPARE(page.list->GetItemText(1, 3), QString());
}

void ListCtrlTest::escapeRestoresAndKeepsEditing() {
  Page page(4);
  QVERIFY(page.list->EditSubItem(2, 3));
  QTest::keyClicks(page.editor(), QStringLiteral("xyz"));
  QTest::keyClick(page.editor(), Qt::Key_Escape);
  QVERIFY(page.editor() != nullptr);
  QCOMPARE(page.editor()->text(), QStringLiteral("r2"));
  QCOMPARE(page.editor()->selectedText(), QStringLiteral("r2"));
  QVERIFY(page.window.isVisible());
}

void ListCtrlTest::incrementProposalIsCommittedUntouched() {
  Page page(5);
  page.points.step = 0.5;
  page.points.deleted = {2};  // row 2; the nearest listed row above row 3 is row 1
  page.list->SetItemText(1, 1, QStringLiteral("100"));
  QSignalSpy end(page.list, &CListCtrlEx::endLabelEdit);
  QVERIFY(page.list->EditSubItem(3, 1));
  QCOMPARE(page.editor()->text(), QStringLiteral("100.5"));
  page.other->setFocus();
  QCOMPARE(page.list->GetItemText(3, 1), QStringLiteral("100.5"));
  QCOMPARE(end.count(), 1);
  // Row 0 has nothing above it: the cell's own text.
  QVERIFY(page.list->EditSubItem(0, 1));
  QCOMPARE(page.editor()->text(), QStringLiteral("100"));
  // Switched off: the cell's own text, and leaving without typing commits nothing.
  page.points.step.reset();
  QVERIFY(page.list->EditSubItem(3, 1));
  QCOMPARE(page.editor()->text(), QStringLiteral("100.5"));
  page.other->setFocus();
  QCOMPARE(end.count(), 1);
}

void ListCtrlTest::deleteKeyOnFirstLastAndMiddleRows() {
  Page page(5);
  for (int row : {0, 4}) {
    QVERIFY(page.list->EditSubItem(row, 3));
    QPointer<CListCellEdit> editor = page.editor();
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(page.editor(), editor.data());
    QVERIFY(page.points.deleted.empty());
    QVERIFY(!page.list->IsRowDisabled(row));
    page.other->setFocus();
  }
  QVERIFY(page.list->EditSubItem(2, 3));
  QTest::keyClick(page.editor(), Qt::Key_Delete);
  QCOMPARE(page.points.deleted, std::set<int>{2});
  QCOMPARE(page.list->GetItemText(2, 2), QString::fromUtf8("×"));
  QVERIFY(page.list->IsRowDisabled(2));
  QVERIFY(page.editor() != nullptr);
  QCOMPARE(page.editor()->row(), 3);
  QCOMPARE(page.editor()->column(), 3);
}

void ListCtrlTest::enterAndUpSkipDeletedRows() {
  Page page(6);
  page.points.deleted = {2, 3};
  QVERIFY(page.list->EditSubItem(1, 1));
  QTest::keyClick(page.editor(), Qt::Key_Return);
  QCOMPARE(page.editor()->row(), 4);
  QTest::keyClick(page.editor(), Qt::Key_Up);
  QCOMPARE(page.editor()->row(), 1);
  QTest::keyClick(page.editor(), Qt::Key_Down);
  QCOMPARE(page.editor()->row(), 4);
  QTest::keyClick(page.editor(), Qt::Key_Down);
  QCOMPARE(page.editor()->row(), 5);
  QTest::keyClick(page.editor(), Qt::Key_Down);  // last row: stays
  QCOMPARE(page.editor()->row(), 5);
}

void ListCtrlTest::remarkOfLastPointIsNotReached() {
  Page page(4);
  QVERIFY(page.list->EditSubItem(2, 3));
  QTest::keyClick(page.editor(), Qt::Key_Return);
  QCOMPARE(page.editor()->row(), 2);
  QVERIFY(page.list->EditSubItem(1, 3));
  QTest::keyClick(page.editor(), Qt::Key_Up);
  QCOMPARE(page.editor()->row(), 1);
  // The elevation column goes on to the last row.
  QVERIFY(page.list->EditSubItem(2, 1));
  QTest::keyClick(page.editor(), Qt::Key_Return);
  QCOMPARE(page.editor()->row(), 3);
}

void ListCtrlTest::secondCommitChangesNothing() {
  Page page(4);
  QSignalSpy end(page.list, &CListCtrlEx::endLabelEdit);
  QVERIFY(page.list->EditSubItem(1, 3));
  QPointer<CListCellEdit> first = page.editor();
  QTest::keyClicks(first, QStringLiteral("A"));
  QTest::keyClick(first, Qt::Key_Return);  // commits, then the new editor takes the focus
  QCOMPARE(end.count(), 1);
  first->EndEdit(true);
  QCOMPARE(end.count(), 1);
  QTRY_VERIFY(first.isNull());
  page.other->setFocus();  // the second editor was not modified
  QCOMPARE(end.count(), 1);
  QCOMPARE(page.list->GetItemText(1, 3), QStringLiteral("A"));
}

void ListCtrlTest::readOnlyAndNarrowColumns() {
  Page page(3);
  QSignalSpy begin(page.list, &CListCtrlEx::beginLabelEdit);
  QVERIFY(!page.list->EditSubItem(1, 2));
  QCOMPARE(begin.count(), 1);
  QVERIFY(page.editor() == nullptr);
  page.list->setColumnWidth(3, 4);
  QVERIFY(!page.list->EditSubItem(1, 3));
  QVERIFY(!page.list->EditSubItem(-1, 1));
  QVERIFY(!page.list->EditSubItem(3, 1));
  QVERIFY(!page.list->EditSubItem(1, 6));
  QCOMPARE(begin.count(), 1);
  page.list->setColumnWidth(3, 5);
  QVERIFY(page.list->EditSubItem(1, 3));
}

void ListCtrlTest::autoSizeKeepsWithinLimits() {
  Page page(2);
  const QFontMetrics metrics(page.list->font());
  QString wide;
  while (metrics.horizontalAdvance(wide) < 400) wide += QLatin1Char('W');
  page.list->SetItemText(0, 3, wide);
  page.list->setColumnWidth(2, 60);   // empty, within the limits: kept
  page.list->setColumnWidth(4, 200);  // empty, too wide: 150
  page.list->setColumnWidth(5, 3);    // empty, too narrow: 10
  page.list->AutoSizeColumns();
  QCOMPARE(page.list->columnWidth(3), 150);
  QCOMPARE(page.list->columnWidth(2), 60);
  QCOMPARE(page.list->columnWidth(4), 150);
  QCOMPARE(page.list->columnWidth(5), 10);
}

// The widths the list keeps while it is filled must match a list measured from scratch
// after texts are replaced (through the list or the item), rows removed or the font changed.
void ListCtrlTest::autoSizeFollowsChangedTexts() {
  const QString wide = QStringLiteral("8888888888");
  auto widthsOf = [](CListCtrlEx& list) {
    list.setColumnWidth(1, 20);
    list.setColumnWidth(3, 20);
    list.AutoSizeColumns();
    return std::pair(list.columnWidth(1), list.columnWidth(3));
  };
  auto fresh = [&](const QString& high, const QString& note, const QFont& font) {
    Page page(1);
    page.list->setFont(font);
    page.list->SetItemText(0, 1, high);
    page.list->SetItemText(0, 3, note);
    return widthsOf(*page.list);
  };
  Page page(3);
  const QFont font = page.list->font();
  page.list->SetItemText(1, 1, wide);
  page.list->SetItemText(2, 3, wide);
  QCOMPARE(widthsOf(*page.list), fresh(wide, wide, font));
  QVERIFY(page.list->columnWidth(1) > 40);
  page.list->SetItemText(1, 1, QStringLiteral("7"));    // the widest text replaced
  page.list->item(2, 3)->setText(QStringLiteral("r"));  // ... and behind the list's back
  QCOMPARE(widthsOf(*page.list), fresh(QStringLiteral("102"), QStringLiteral("r2"), font));
  page.list->SetItemText(0, 1, wide);
  page.list->removeRow(0);
  QCOMPARE(widthsOf(*page.list), fresh(QStringLiteral("102"), QStringLiteral("r2"), font));
  QFont larger = font;
  larger.setPointSize(font.pointSize() * 3);
  page.list->setFont(larger);
  QCOMPARE(widthsOf(*page.list), fresh(QStringLiteral("102"), QStringLiteral("r2"), larger));
}

void ListCtrlTest::fillRowsTellsTheViewsOnce() {
  Page page(5);
  page.list->SetRowDisabled(1, true);
  QSignalSpy changed(page.list->model(), &QAbstractItemModel::dataChanged);
  page.list->FillRows(300, [&](int row) {
    page.list->SetItemText(row, 0, QString::number(row + 1));
    page.list->SetItemText(row, 2, row == 7 ? QStringLiteral("×") : QString());
    if (row == 7) page.list->SetRowDisabled(row, true);
  });
  QCOMPARE(changed.count(), 1);
  QCOMPARE(page.list->GetItemCount(), 300);
  QCOMPARE(page.list->GetItemText(299, 0), QStringLiteral("300"));
  QCOMPARE(page.list->GetItemText(7, 2), QStringLiteral("×"));
  QCOMPARE(page.list->GetItemText(6, 2), QString());
  QCOMPARE(page.list->GetItemText(6, 1), QString());  // the old rows are gone
  QVERIFY(page.list->IsRowDisabled(7));
  QVERIFY(!page.list->IsRowDisabled(1));
  QVERIFY(page.list->updatesEnabled());
  page.list->SetItemText(6, 2, QStringLiteral("x"));  // the model speaks again afterwards
  QCOMPARE(changed.count(), 2);
  page.list->FillRows(0, [](int) {});
  QCOMPARE(page.list->GetItemCount(), 0);
}

// An edit still open when the rows are refilled or moved must not land in the row that now
// shows another point.
void ListCtrlTest::editOpenWhileRowsChangeIsDropped() {
  Page page(4);
  QSignalSpy ended(page.list, &CListCtrlEx::endLabelEdit);
  QVERIFY(page.list->EditSubItem(2, 3));
  QTest::keyClicks(page.editor(), QStringLiteral("typed"));
  page.list->FillRows(4, [&](int row) {
    page.list->SetItemText(row, 0, QString::number(row + 11));
    page.list->SetItemText(row, 3, QStringLiteral("kept"));
  });
  QVERIFY(page.editor() == nullptr);
  page.other->setFocus();
  QApplication::processEvents();
  QCOMPARE(page.list->GetItemText(2, 3), QStringLiteral("kept"));
  QCOMPARE(ended.count(), 0);

  QVERIFY(page.list->EditSubItem(1, 3));
  QTest::keyClicks(page.editor(), QStringLiteral("typed"));
  page.list->InsertItem(0, QStringLiteral("10"));
  page.other->setFocus();
  QApplication::processEvents();
  QCOMPARE(page.list->GetItemText(1, 3), QStringLiteral("kept"));
  QCOMPARE(page.list->GetItemText(2, 3), QStringLiteral("kept"));
  QCOMPARE(ended.count(), 0);

  QVERIFY(page.list->EditSubItem(1, 3));  // an edit with the rows left alone still commits
  QTest::keyClicks(page.editor(), QStringLiteral("typed"));
  page.other->setFocus();
  QCOMPARE(page.list->GetItemText(1, 3), QStringLiteral("typed"));
  QCOMPARE(ended.count(), 1);
}

void ListCtrlTest::marksFollowBoundsAndClearWithRows() {
  Page page(3);
  page.list->SetRowDisabled(3, true);
  page.list->SetCellHighlight(-1, 1, true);
  page.list->SetCellHighlight(3, 1, true);
  QVERIFY(!page.list->IsRowDisabled(3));
  page.list->SetColumnReadOnly(6, 1);
  page.list->SetColumnReadOnly(-1, 1);
  QCOMPARE(page.list->IsColumnReadOnly(6), 0);
  QCOMPARE(page.list->IsColumnReadOnly(-1), 0);
  page.list->SetColumnReadOnly(2, 0);
  QCOMPARE(page.list->IsColumnReadOnly(2), 0);
  page.list->SetRowDisabled(1, true);
  page.list->SetCellHighlight(2, 1, true);
  QVERIFY(page.list->IsRowDisabled(1));
  QVERIFY(page.list->IsCellHighlighted(2, 1));
  QVERIFY(!page.list->IsCellHighlighted(1, 2));
  page.list->SetCellHighlight(2, 1, false);
  QVERIFY(!page.list->IsCellHighlighted(2, 1));
  page.list->SetCellHighlight(2, 1, true);
  page.list->DeleteAllItems();
  page.list->InsertItem(0, QStringLiteral("1"));
  page.list->InsertItem(1, QStringLiteral("2"));
  page.list->InsertItem(2, QStringLiteral("3"));
  QVERIFY(!page.list->IsRowDisabled(1));
  QVERIFY(!page.list->IsCellHighlighted(2, 1));
  // A section longer than 65,536 points keeps the marks of its last rows apart.
  page.list->FillRows(70000, [](int) {});
  page.list->SetCellHighlight(69999, 1, true);
  QVERIFY(page.list->IsCellHighlighted(69999, 1));
  QVERIFY(!page.list->IsCellHighlighted(69999 - 65536, 2));
  QVERIFY(!page.list->IsCellHighlighted(69999, 2));
}

void ListCtrlTest::paintsRowColours() {
  Page page(3);
  page.list->SetRowDisabled(2, true);
  page.list->clearSelection();
  page.list->setCurrentItem(nullptr);
  const QImage image = page.list->viewport()->grab().toImage();
  auto colourAt = [&](int row) {
    const QRect cell = page.list->visualRect(page.list->model()->index(row, 2));
    return QColor(image.pixel(cell.left() + 3, cell.center().y()));
  };
  QCOMPARE(colourAt(0), QColor(210, 234, 244));
  QCOMPARE(colourAt(1), page.list->palette().color(QPalette::Base));
  QCOMPARE(colourAt(2), QColor(190, 190, 190));
  // The header's grey line along the bottom of every item.
  const QImage header = page.list->header()->grab().toImage();
  QCOMPARE(QColor(header.pixel(20, header.height() - 1)), QColor(190, 190, 190));
  QCOMPARE(page.list->header()->height(),
           static_cast<int>(page.list->header()->baseHeight() * 1.5));
}

void ListCtrlTest::wheelClosesEditorFirst() {
  Page page(40);
  QVERIFY(page.list->EditSubItem(1, 3));
  QTest::keyClicks(page.editor(), QStringLiteral("w"));
  const QPointF at(30, 30);
  QWheelEvent wheel(at, page.list->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(page.list->viewport(), &wheel);
  QVERIFY(page.list->hasFocus());
  QCOMPARE(page.list->GetItemText(1, 3), QStringLiteral("w"));
}

void ListCtrlTest::editorWidensWhileTyping() {
  Page page(3);
  QVERIFY(page.list->EditSubItem(1, 3));
  const int start = page.editor()->width();
  QTest::keyClicks(page.editor(), QString(40, QLatin1Char('M')));
  QVERIFY(page.editor()->width() > start);
  QVERIFY(page.editor()->geometry().right() < page.list->viewport()->width());
}

void ListCtrlTest::columnTipShowsOverEveryCell() {
  Page page(3);
  const QRect cell = page.list->visualRect(page.list->model()->index(2, 2));
  QHelpEvent help(QEvent::ToolTip, cell.center(),
                  page.list->viewport()->mapToGlobal(cell.center()));
  QApplication::sendEvent(page.list->viewport(), &help);
  QTRY_COMPARE(QToolTip::text(), QString::fromUtf8("双击删除"));
  QToolTip::hideText();
  const QRect plain = page.list->visualRect(page.list->model()->index(2, 3));
  QHelpEvent none(QEvent::ToolTip, plain.center(),
                  page.list->viewport()->mapToGlobal(plain.center()));
  QApplication::sendEvent(page.list->viewport(), &none);
  QTRY_VERIFY(!QToolTip::isVisible());
}
