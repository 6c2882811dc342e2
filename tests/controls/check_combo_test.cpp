#include "controls/check_combo_test.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "controls/cell_rules.h"
#include "controls/check_combo_box.h"

using controls::CCheckComboBox;

namespace {

struct Combo {
  QWidget window;
  CCheckComboBox* combo;

  explicit Combo(const QStringList& items) {
    combo = new CCheckComboBox(&window);
    combo->SetListSeparator(QStringLiteral(","));
    for (const QString& item : items) combo->AddString(item);
    combo->setGeometry(10, 10, 200, 24);
    window.resize(240, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
  }

  QAbstractItemView* openList() {
    combo->showPopup();
    return combo->view();
  }

  QPoint itemCentre(int index) {
    return combo->view()->visualRect(combo->model()->index(index, 0)).center();
  }
};

}  // namespace

void CheckComboTest::displayTextJoinsTickedItems() {
  Combo c({"DGX", "JMD", "SXSS"});
  QCOMPARE(c.combo->GetWindowText(), QString());
  QVERIFY(c.combo->SetCheck(1, true));
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("JMD"));
  c.combo->SetCheck(2, true);
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("JMD, SXSS"));
  QCOMPARE(c.combo->CheckedTexts(), QStringList({"JMD", "SXSS"}));
  QVERIFY(!c.combo->SetCheck(3, true));
  QVERIFY(!c.combo->GetCheck(-1));
  c.combo->CheckAll(false);
  QCOMPARE(c.combo->GetWindowText(), QString());
}

void CheckComboTest::separatorFollowsLocale() {
  QCOMPARE(controls::ListSeparatorFor(QLocale(QLocale::Chinese, QLocale::China)),
           QStringLiteral(","));
  QCOMPARE(controls::ListSeparatorFor(QLocale(QLocale::German, QLocale::Germany)),
           QStringLiteral(";"));
  Combo c({"A", "B"});
  c.combo->SetListSeparator(controls::ListSeparatorFor(QLocale(QLocale::German)));
  c.combo->CheckAll(true);
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("A; B"));
  c.combo->SetListSeparator(QStringLiteral(";  "));
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("A; B"));
  c.combo->SetListSeparator(QString());
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("A; B"));
}

void CheckComboTest::clearTextUntilNextTick() {
  Combo c({"A", "B"});
  c.combo->CheckAll(true);
  c.combo->ClearText();
  QCOMPARE(c.combo->GetWindowText(), QString());
  c.combo->SetCheck(0, false);
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("B"));
}

void CheckComboTest::clicksTickAndKeepListOpen() {
  Combo c({"A", "B", "C"});
  QSignalSpy changed(c.combo, &CCheckComboBox::checksChanged);
  QAbstractItemView* list = c.openList();
  QTRY_VERIFY(list->isVisible());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, c.itemCentre(0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, c.itemCentre(2));
  QVERIFY(list->isVisible());
  QCOMPARE(changed.count(), 2);
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("A, C"));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, c.itemCentre(0));
  QCOMPARE(changed.count(), 3);
  QCOMPARE(c.combo->GetWindowText(), QStringLiteral("C"));
  c.combo->hidePopup();
}

void CheckComboTest::rightClickTicksAllThenNone() {
  Combo c({"A", "B", "C"});
  c.combo->SetCheck(1, true);
  QSignalSpy changed(c.combo, &CCheckComboBox::checksChanged);
  QAbstractItemView* list = c.openList();
  QTRY_VERIFY(list->isVisible());
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, c.itemCentre(1));
  QCOMPARE(c.combo->CheckedTexts().size(), 3);
  QCOMPARE(changed.count(), 1);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, c.itemCentre(1));
  QVERIFY(c.combo->CheckedTexts().isEmpty());
  QCOMPARE(changed.count(), 2);
  c.combo->hidePopup();
}

void CheckComboTest::spaceToggles() {
  Combo c({"A", "B"});
  QSignalSpy changed(c.combo, &CCheckComboBox::checksChanged);
  QAbstractItemView* list = c.openList();
  QTRY_VERIFY(list->isVisible());
  list->setCurrentIndex(c.combo->model()->index(1, 0));
  QTest::keyClick(list, Qt::Key_Space);
  QVERIFY(c.combo->GetCheck(1));
  QCOMPARE(changed.count(), 1);
  QVERIFY(list->isVisible());
  c.combo->hidePopup();
}

void CheckComboTest::sortedItems() {
  Combo c({});
  c.combo->SetSorted(true);
  c.combo->AddString(QStringLiteral("gcd"));
  c.combo->AddString(QStringLiteral("DGX"));
  QCOMPARE(c.combo->AddString(QStringLiteral("ABC")), 0);
  QCOMPARE(c.combo->itemText(1), QStringLiteral("DGX"));
  QCOMPARE(c.combo->itemText(2), QStringLiteral("gcd"));
}
