#pragma once
#include <QObject>

class CheckComboTest final : public QObject {
  Q_OBJECT
 private slots:
  void displayTextJoinsTickedItems();
  void separatorFollowsLocale();
  void clearTextUntilNextTick();
  void clicksTickAndKeepListOpen();
  void rightClickTicksAllThenNone();
  void spaceToggles();
  void sortedItems();
};
