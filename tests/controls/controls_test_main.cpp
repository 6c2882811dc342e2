// The controls' tests drive real widgets on the offscreen platform.
#include <QApplication>
#include <QTest>

#include "controls/check_combo_test.h"
#include "controls/export_list_test.h"
#include "controls/list_ctrl_test.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int failed = 0;
  {
    ListCtrlTest test;
    failed += QTest::qExec(&test, argc, argv);
  }
  {
    ExportListTest test;
    failed += QTest::qExec(&test, argc, argv);
  }
  {
    CheckComboTest test;
    failed += QTest::qExec(&test, argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
