#pragma once

#include <QObject>

class DataPageTest : public QObject {
  Q_OBJECT
 private slots:
  void acquisitionFillsListAndLayers();
  void outsideTheWorldSystemNothingIsPicked();
  void displayModeAndLayerFilter();
  void deleteAndMarkSpareFirstAndLastRows();
  void remarkCodesExpandOneAndTwoLetters();
  void typedElevationsAndWriteBack();
  void clickingLocatesPoints();
  void addPointSelectsTheNewRow();
  void boundControlsSpinsAndKeys();
  void legacyEdition();
};
