#pragma once
// A main for a test program of several QtTest classes that drive real widgets on the
// offscreen platform: one application, each class run in turn, status 1 when any failed.
// Use: int main(int argc, char** argv) { return RunQtTests<ATest, BTest>(argc, argv); }

#include <QApplication>
#include <QTest>

template <class... Tests>
int RunQtTests(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int failed = 0;
  const auto run = [&](auto test) { failed += QTest::qExec(&test, argc, argv); };
  (run(Tests{}), ...);
  return failed == 0 ? 0 : 1;
}
