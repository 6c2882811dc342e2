#pragma once
#include <QObject>

class ExportListTest final : public QObject {
  Q_OBJECT
 private slots:
  void letterCodeFilter_data();
  void letterCodeFilter();
  void codeListHasNoNavigation();
  void tableDoesNotEdit();
  void headerChooserReportsOneChoice();
  void headerChooserEndsWithoutChoice();
  void firstColumnHasNoChooser();
};
