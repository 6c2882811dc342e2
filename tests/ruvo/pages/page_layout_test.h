#pragma once

#include <QObject>

class PageLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void captionsFitAtPaletteWidths();
  void controlsSpanningTheWidthGrow();
};
