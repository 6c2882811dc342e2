// The pages' widget tests, one QtTest class after the other.

#include <QApplication>
#include <QTest>

#include "data_dlg_test.h"
#include "draw_dlg_test.h"
#include "page_layout_test.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int failed = 0;
  DrawPageTest draw;
  failed += QTest::qExec(&draw, argc, argv);
  DataPageTest data;
  failed += QTest::qExec(&data, argc, argv);
  PageLayoutTest layout;
  failed += QTest::qExec(&layout, argc, argv);
  return failed == 0 ? 0 : 1;
}
