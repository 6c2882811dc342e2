#include "controls/export_list_test.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "controls/header_ctrl_ex.h"
#include "controls/list_cell_combo.h"
#include "controls/list_ctrl_ex.h"

using controls::CHeaderCtrlEx;
using controls::CListCellCombo;
using controls::CListCtrlEdit;
using controls::CListCtrlEx;

namespace {

template <typename List>
struct Window {
  QWidget window;
  List* list;
  QLineEdit* other;

  explicit Window(List* made) : list(made) {
    list->setParent(&window);
    auto* layout = new QVBoxLayout(&window);
    other = new QLineEdit(&window);
    layout->addWidget(list);
    layout->addWidget(other);
    window.resize(480, 300);
    window.show();
    QApplication::setActiveWindow(&window);
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
  }
};

CListCtrlEdit* codeList() {
  auto* list = new CListCtrlEdit(nullptr);
  list->InsertColumn(0, QString::fromUtf8("序号"), Qt::AlignHCenter, 45);
  list->InsertColumn(1, QString::fromUtf8("代码"), Qt::AlignHCenter, 50);
  list->InsertColumn(2, QString::fromUtf8("注释"), Qt::AlignHCenter, 100);
  list->SetColumnReadOnly(0, 1);
  list->SetColumnFilter(1, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  for (int r = 0; r < 3; ++r) {
    list->InsertItem(r, QString::number(r + 1));
    list->SetItemText(r, 1, QStringLiteral("K"));
  }
  return list;
}

CListCtrlEx* table() {
  auto* list = new CListCtrlEx(nullptr, controls::ListOptions::ExportTable());
  list->InsertColumn(0, QString::fromUtf8("序号"), Qt::AlignHCenter, 40);
  list->InsertColumn(1, QString::fromUtf8("编号"), Qt::AlignHCenter, 80);
  list->InsertColumn(2, QString::fromUtf8("坐标X"), Qt::AlignHCenter, 80);
  list->SetHeaderChoices(QString::fromUtf8("编号\n坐标X\n坐标Y\n高程Z"));
  list->InsertItem(0, QStringLiteral("1"));
  return list;
}

QPoint sectionCentre(const CHeaderCtrlEx* header, int column) {
  return {header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
          header->height() / 2};
}

}  // namespace

void ExportListTest::letterCodeFilter_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("lower case") << "l"
                              << "L";
  QTest::newRow("first two letters") << "ab3c"
                                     << "AB";
  QTest::newRow("digits skipped") << "1z"
                                  << "Z";
  QTest::newRow("no letter keeps") << "12"
                                   << "K";
  QTest::newRow("empty keeps") << ""
                               << "K";
}

void ExportListTest::letterCodeFilter() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  Window<CListCtrlEdit> w(codeList());
  QSignalSpy end(w.list, &CListCtrlEdit::endLabelEdit);
  QVERIFY(w.list->EditSubItem(1, 1));
  QTest::keyClick(w.list->currentEditor(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(w.list->currentEditor(), Qt::Key_Backspace);
  QTest::keyClicks(w.list->currentEditor(), typed);
  w.other->setFocus();
  QCOMPARE(w.list->GetItemText(1, 1), shown);
  QCOMPARE(end.count(), 1);
  // Remarks are free text.
  QVERIFY(w.list->EditSubItem(1, 2));
  QTest::sendKeyEvent(QTest::Click, w.list->currentEditor(), Qt::Key_unknown,
                      QString::fromUtf8("公路 1"), Qt::NoModifier);
  w.other->setFocus();
  QCOMPARE(w.list->GetItemText(1, 2), QString::fromUtf8("公路 1"));
}

void ExportListTest::codeListHasNoNavigation() {
  Window<CListCtrlEdit> w(codeList());
  QVERIFY(w.list->EditSubItem(1, 2));
  QTest::keyClicks(w.list->currentEditor(), QStringLiteral("ab"));
  QTest::keyClick(w.list->currentEditor(), Qt::Key_Delete);
  QTest::keyClick(w.list->currentEditor(), Qt::Key_Return);
  QVERIFY(w.list->currentEditor() != nullptr);
  QCOMPARE(w.list->currentEditor()->row(), 1);
  QVERIFY(!w.list->IsRowDisabled(1));
  QVERIFY(!w.list->EditSubItem(1, 0));
}

void ExportListTest::tableDoesNotEdit() {
  Window<CListCtrlEx> w(table());
  QVERIFY(!w.list->EditSubItem(0, 1));
  QCOMPARE(w.list->header()->heightFactor(), 1.0);
}

void ExportListTest::headerChooserReportsOneChoice() {
  Window<CListCtrlEx> w(table());
  QSignalSpy made(w.list, &CListCtrlEx::headerChoiceMade);
  CHeaderCtrlEx* header = w.list->header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sectionCentre(header, 2));
  QPointer<CListCellCombo> combo = header->chooser();
  QVERIFY(combo);
  QCOMPARE(combo->column(), 2);
  QCOMPARE(combo->count(), 4);
  QCOMPARE(combo->currentText(), QString::fromUtf8("坐标X"));
  QCOMPARE(combo->maxVisibleItems(), 7);
  QTRY_VERIFY(combo && combo->view()->isVisible());
  const QRect item = combo->view()->visualRect(combo->model()->index(3, 0));
  QTest::mouseClick(combo->view()->viewport(), Qt::LeftButton, {}, item.center());
  QTRY_COMPARE(made.count(), 1);
  QCOMPARE(made[0][0].toInt(), 2);
  QCOMPARE(made[0][1].toString(), QString::fromUtf8("高程Z"));
  QTRY_VERIFY(combo.isNull());
  QVERIFY(header->chooser() == nullptr);
  QCOMPARE(made.count(), 1);
}

void ExportListTest::headerChooserEndsWithoutChoice() {
  Window<CListCtrlEx> w(table());
  QSignalSpy made(w.list, &CListCtrlEx::headerChoiceMade);
  CHeaderCtrlEx* header = w.list->header();
  QVERIFY(header->openChooser(1));
  QPointer<CListCellCombo> combo = header->chooser();
  w.other->setFocus();
  QTRY_VERIFY(combo.isNull());
  QCOMPARE(made.count(), 0);
  // Destroyed while open: no choice either.
  QVERIFY(header->openChooser(1));
  delete header->chooser();
  QCOMPARE(made.count(), 0);
}

void ExportListTest::firstColumnHasNoChooser() {
  Window<CListCtrlEx> w(table());
  CHeaderCtrlEx* header = w.list->header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sectionCentre(header, 0));
  QVERIFY(header->chooser() == nullptr);
  QVERIFY(!header->hasChooser(0));
  w.list->SetHeaderChoices(QString());
  QVERIFY(!header->openChooser(1));
}
