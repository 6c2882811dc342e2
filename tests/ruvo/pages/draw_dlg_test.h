#pragma once

#include <QObject>

class DrawPageTest : public QObject {
  Q_OBJECT
 private slots:
  void scalesStepsAndWidthsAreReplaced();
  void textThatIsNoNumberChangesNothing();
  void spinsStopAtTheirLimits();
  void rangeDisplayAndPageRecomputation();
  void enterAndEscapeKeepThePage();
  void scrollSteps();
  void previewPaintsSheetAndBox();
  void previewRefitsOnKindChange();
  void generateButtons();
  void autoLoadButtons();
  void legacyEdition();
};
