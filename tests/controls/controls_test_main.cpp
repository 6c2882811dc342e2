// The controls' tests drive real widgets on the offscreen platform.
#include "controls/check_combo_test.h"
#include "controls/export_list_test.h"
#include "controls/list_ctrl_test.h"
#include "support/qt_test_main.h"

int main(int argc, char** argv) {
  return RunQtTests<ListCtrlTest, ExportListTest, CheckComboTest>(argc, argv);
}
