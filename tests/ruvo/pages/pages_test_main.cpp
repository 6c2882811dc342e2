// The pages' widget tests, one QtTest class after the other.
#include "data_dlg_test.h"
#include "draw_dlg_test.h"
#include "page_layout_test.h"
#include "support/qt_test_main.h"

int main(int argc, char** argv) {
  return RunQtTests<DrawPageTest, DataPageTest, PageLayoutTest>(argc, argv);
}
