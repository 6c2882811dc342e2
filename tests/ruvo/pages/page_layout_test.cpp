#include "page_layout_test.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "controls/list_ctrl_ex.h"
#include "page_context_double.h"
#include "ruvo/drawing/profile_test_data.h"
#include "ruvo/pages/data_dlg.h"
#include "ruvo/pages/draw_dlg.h"

namespace {

using pages_test::PageContextDouble;
using ruvo::Edition;

// The page's width in a palette of the given width: the tab control keeps 5 pixels on each
// side, the page 2 more inside it, and the dock window's frame takes a few.
int PageWidth(int paletteWidth) { return paletteWidth - 16; }

// The room a control's caption needs.
QSize Needed(QWidget* w) {
  if (auto* push = qobject_cast<QPushButton*>(w)) {
    const QStringList lines = push->text().split(QLatin1Char('\n'));
    int wide = 0;
    for (const QString& line : lines)
      wide = std::max(wide, push->fontMetrics().horizontalAdvance(line));
    return {wide + 8, static_cast<int>(lines.size()) * push->fontMetrics().lineSpacing() + 4};
  }
  if (auto* list = qobject_cast<QComboBox*>(w))
    return {list->fontMetrics().horizontalAdvance(list->currentText()) + 24, 0};
  if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
    return w->sizeHint();
  return {0, 0};
}

// The controls a person reads or types into (the parts of composite controls aside).
QList<QWidget*> Controls(QWidget* page) {
  QList<QWidget*> out;
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(page)) continue;
    const bool inComposite = qobject_cast<QComboBox*>(w->parentWidget()) != nullptr ||
                             qobject_cast<QAbstractScrollArea*>(w->parentWidget()) != nullptr ||
                             qobject_cast<QAbstractItemView*>(w) != nullptr;
    if (inComposite && qobject_cast<controls::CListCtrlEx*>(w) == nullptr) continue;
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
        qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
        qobject_cast<controls::CListCtrlEx*>(w) || w->objectName() == QLatin1String("preview")) {
      if (qobject_cast<QAbstractButton*>(w) && w->parentWidget() != nullptr &&
          w->parentWidget()->objectName().endsWith(QLatin1String("Spin")))
        continue;  // the arrows of an up-down control
      out.append(w);
    }
  }
  return out;
}

// Every caption whole, every control inside the page's visible width, no two overlapping.
void CheckLayout(QWidget* page, int visibleWidth, const QString& where) {
  const QList<QWidget*> controls = Controls(page);
  QVERIFY2(controls.size() > 15, qPrintable(where));
  for (QWidget* w : controls) {
    const QString name =
        where + QStringLiteral(": ") + w->metaObject()->className() + QStringLiteral(" \"") +
        (qobject_cast<QLabel*>(w)            ? qobject_cast<QLabel*>(w)->text()
         : qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                             : w->objectName()) +
        QStringLiteral("\"");
    const QSize need = Needed(w);
    QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
             qPrintable(name + QStringLiteral(" is %1 x %2, needs %3 x %4")
                                   .arg(w->width())
                                   .arg(w->height())
                                   .arg(need.width())
                                   .arg(need.height())));
    const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
    QVERIFY2(
        r.left() >= 0 && r.right() < visibleWidth,
        qPrintable(
            name +
            QStringLiteral(" spans %1..%2 of %3").arg(r.left()).arg(r.right()).arg(visibleWidth)));
  }
  for (int i = 0; i < controls.size(); ++i) {
    for (int j = i + 1; j < controls.size(); ++j) {
      const QRect a(controls[i]->mapTo(page, QPoint(0, 0)), controls[i]->size());
      const QRect b(controls[j]->mapTo(page, QPoint(0, 0)), controls[j]->size());
      QVERIFY2(!a.intersects(b),
               qPrintable(where + QStringLiteral(": %1 overlaps %2")
                                      .arg(controls[i]->objectName(), controls[j]->objectName())));
    }
  }
}

// A page inside a plain parent (as in the tab control), sized as in a palette that wide.
struct Shown {
  QWidget parent;
  QWidget* page = nullptr;
  void show(QWidget* p, int paletteWidth, int height) {
    page = p;
    parent.resize(paletteWidth, height);
    page->setGeometry(0, 0, PageWidth(paletteWidth), height);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
};

int VisibleWidth(QWidget* page) {
  auto* bar = page->findChild<QScrollBar*>(QStringLiteral("scrollBar"));
  return bar != nullptr && bar->isVisibleTo(page) ? bar->x() : page->width();
}

}  // namespace

void PageLayoutTest::captionsFitAtPaletteWidths() {
  for (const Edition edition : {Edition::Current, Edition::Legacy}) {
    const bool legacy = edition == Edition::Legacy;
    // The narrowest palette of the edition that the pages are laid out for, its usual
    // width, and wider ones.
    for (const int palette : {legacy ? 310 : 300, 400, 600}) {
      const QString where = QStringLiteral("%1 edition, palette %2 wide")
                                .arg(legacy ? QStringLiteral("legacy") : QStringLiteral("current"))
                                .arg(palette);
      PageContextDouble ctx(edition);
      ctx.doc = profile_test::EastSection();
      {
        Shown shown;
        auto* data = new ruvo::CDataDlg(ctx, &shown.parent);
        shown.show(data, palette, 425);
        CheckLayout(data, data->width(), QStringLiteral("data page, ") + where);
      }
      for (const int height : {425, 900}) {
        Shown shown;
        auto* draw = new ruvo::CDrawDlg(ctx, &shown.parent);
        shown.show(draw, palette, height);
        CheckLayout(draw, VisibleWidth(draw),
                    QStringLiteral("drawing page %1 high, ").arg(height) + where);
      }
    }
  }
}

void PageLayoutTest::controlsSpanningTheWidthGrow() {
  PageContextDouble ctx;
  ctx.doc = profile_test::EastSection();
  auto widthAt = [&](auto make, const char* name, int palette) {
    Shown shown;
    QWidget* page = make(&shown.parent);
    shown.show(page, palette, 500);
    QWidget* w = page->findChild<QWidget*>(QString::fromLatin1(name));
    return w != nullptr ? w->width() : -1;
  };
  auto data = [&](QWidget* parent) { return new ruvo::CDataDlg(ctx, parent); };
  auto draw = [&](QWidget* parent) { return new ruvo::CDrawDlg(ctx, parent); };
  // The list takes the page's width less 10 pixels.
  QCOMPARE(widthAt(data, "points", 400), PageWidth(400) - 10);
  QCOMPARE(widthAt(data, "points", 600), PageWidth(600) - 10);
  QVERIFY(widthAt(data, "layers", 600) > widthAt(data, "layers", 300) + 150);
  for (const char* name : {"XYScale", "XScale", "strPmName", "preview"})
    QVERIFY2(widthAt(draw, name, 600) > widthAt(draw, name, 300) + 50, name);
}
