#include "draw_dlg_test.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "page_context_double.h"
#include "platform/cad/block_reference.h"
#include "ruvo/drawing/preview_layout.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/drawing/profile_test_data.h"
#include "ruvo/pages/draw_dlg.h"

namespace {

using pages_test::PageContextDouble;
using ruvo::CDrawDlg;

QLineEdit* Edit(CDrawDlg& page, const char* name) {
  auto* e = page.findChild<QLineEdit*>(QString::fromLatin1(name));
  if (e == nullptr) qFatal("no edit %s", name);
  return e;
}

template <class W>
W* Child(CDrawDlg& page, const char* name) {
  auto* w = page.findChild<W*>(QString::fromLatin1(name));
  if (w == nullptr) qFatal("no control %s", name);
  return w;
}

// Types a text and leaves the edit, as a user tabbing on would.
void Type(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(edit, &out);
}

void Spin(CDrawDlg& page, const char* spin, const char* arrow) {
  Child<QWidget>(page, spin)->findChild<QToolButton*>(QString::fromLatin1(arrow))->click();
}

// The preview area at the size of the page's design, kept there until the page is resized.
void PreviewArea132x104(CDrawDlg& page) {
  page.grab();  // the page's pending size changes and layout are done with
  Child<QWidget>(page, "preview")->resize(132, 104);
}

QImage Preview(CDrawDlg& page) { return Child<QWidget>(page, "preview")->grab().toImage(); }

// Whether a pixel of the colour lies within one pixel of (x, y): the 2-pixel pen of the
// sheet straddles its line.
bool Near(const QImage& image, int x, int y, QColor color) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const QPoint p(x + dx, y + dy);
      if (image.rect().contains(p) && image.pixelColor(p) == color) return true;
    }
  }
  return false;
}

const QColor kBlack(0, 0, 0), kBlue(0, 0, 255), kWhite(255, 255, 255);

int CountBlocks(PageContextDouble& ctx, const std::string& name) {
  int n = 0;
  ctx.database().forEachEntity(ctx.database().modelSpaceId(), [&](const cad::Entity& e) {
    const auto* ref = dynamic_cast<const cad::BlockReference*>(&e);
    if (ref != nullptr && ref->blockName() == name) ++n;
    return true;
  });
  return n;
}

}  // namespace

void DrawPageTest::scalesStepsAndWidthsAreReplaced() {
  PageContextDouble ctx;
  CDrawDlg page(ctx);
  QVERIFY(!Edit(page, "YScale")->isEnabled());  // equal scales: Y follows X
  QVERIFY(!Edit(page, "txtX")->isEnabled());
  Type(Edit(page, "XScale"), "0");
  QCOMPARE(Edit(page, "XScale")->text(), QStringLiteral("500"));
  QCOMPARE(Edit(page, "YScale")->text(), QStringLiteral("500"));
  QCOMPARE(ctx.doc.XScale, 500.0);
  QCOMPARE(ctx.doc.YScale, 500.0);
  Type(Edit(page, "XScale"), "2000");
  QCOMPARE(ctx.doc.YScale, 2000.0);

  Type(Edit(page, "XYScale"), "2e8");
  QCOMPARE(Edit(page, "XYScale")->text(), QStringLiteral("1000"));
  Type(Edit(page, "txtX"), "2000");
  QCOMPARE(Edit(page, "txtX")->text(), QStringLiteral("1000"));
  QCOMPARE(ctx.doc.txtX, 1000.0);
  Type(Edit(page, "txtY"), "-1");
  QCOMPARE(Edit(page, "txtY")->text(), QStringLiteral("5"));
  QCOMPARE(ctx.doc.txtY, 5.0);
  Type(Edit(page, "RodWidth"), "7");
  QCOMPARE(Edit(page, "RodWidth")->text(), QStringLiteral("3"));
  QCOMPARE(ctx.doc.RodWidth, 3.0);

  // unequal scales: Y stands alone and X no longer drags it along
  Child<QCheckBox>(page, "bXYEqual")->click();
  QCOMPARE(ctx.doc.bXYEqual, 0);
  QVERIFY(Edit(page, "YScale")->isEnabled());
  Type(Edit(page, "YScale"), "200");
  Type(Edit(page, "XScale"), "1000");
  QCOMPARE(ctx.doc.YScale, 200.0);
  Child<QCheckBox>(page, "bXYEqual")->click();
  QCOMPARE(Edit(page, "YScale")->text(), QStringLiteral("1000"));

  Child<QCheckBox>(page, "bDirection2")->click();
  QCOMPARE(ctx.doc.bDirection2, 1);
  Child<QAbstractButton>(page, "Interval1")->click();
  QCOMPARE(ctx.doc.Interval, 1);
  Child<QAbstractButton>(page, "bLineType1")->click();
  QCOMPARE(ctx.doc.bLineType, 1);
  QCOMPARE(ctx.doc.Interval, 1);  // the two radio pairs are separate groups
  QTest::keyClicks(Edit(page, "strPmName"), "A");
  QCOMPARE(ctx.doc.strPmName, std::string("剖面图A"));
}

void DrawPageTest::textThatIsNoNumberChangesNothing() {
  PageContextDouble ctx;
  CDrawDlg page(ctx);
  auto& ui = ctx.headless().headlessUserInterface();
  Type(Edit(page, "XScale"), "abc");
  QCOMPARE(ui.messageBoxCount(), 1);
  QCOMPARE(ctx.doc.XScale, 500.0);
  QCOMPARE(Edit(page, "XScale")->text(), QStringLiteral("500"));
  Type(Edit(page, "XYScale"), "nan");
  QCOMPARE(ctx.doc.XYScale, 1000.0);
  // the side distance outside 0..10 is refused by the range prompt and stays as it was
  Type(Edit(page, "SideDistance"), "11");
  QCOMPARE(ui.messageBoxCount(), 3);
  QCOMPARE(ctx.doc.SideDistance, 5);
  QCOMPARE(Edit(page, "SideDistance")->text(), QStringLiteral("5"));
  Type(Edit(page, "SideDistance"), "10");
  QCOMPARE(ctx.doc.SideDistance, 10);
}

void DrawPageTest::spinsStopAtTheirLimits() {
  PageContextDouble ctx;
  ctx.doc.RodWidth = 2.9;
  CDrawDlg page(ctx);
  Spin(page, "RodWidthSpin", "up");
  QCOMPARE(Edit(page, "RodWidth")->text(), QStringLiteral("3.0"));
  Spin(page, "RodWidthSpin", "up");
  QCOMPARE(Edit(page, "RodWidth")->text(), QStringLiteral("3.0"));
  QCOMPARE(ctx.doc.RodWidth, 2.9);  // the document takes it when the edit is left
  Type(Edit(page, "RodWidth"), Edit(page, "RodWidth")->text());
  QCOMPARE(ctx.doc.RodWidth, 3.0);

  Edit(page, "RodWidth")->setText("0.2");
  QTest::keyClick(Edit(page, "RodWidth"), Qt::Key_Down);
  QCOMPARE(Edit(page, "RodWidth")->text(), QStringLiteral("0.1"));
  QTest::keyClick(Edit(page, "RodWidth"), Qt::Key_Down);
  QCOMPARE(Edit(page, "RodWidth")->text(), QStringLiteral("0.1"));

  Edit(page, "SideDistance")->setText("1");
  Spin(page, "SideDistanceSpin", "down");
  Spin(page, "SideDistanceSpin", "down");
  QCOMPARE(Edit(page, "SideDistance")->text(), QStringLiteral("0"));
  Edit(page, "SideDistance")->setText("10");
  Spin(page, "SideDistanceSpin", "up");
  QCOMPARE(Edit(page, "SideDistance")->text(), QStringLiteral("10"));
}

void DrawPageTest::rangeDisplayAndPageRecomputation() {
  PageContextDouble ctx;
  ctx.doc = profile_test::MakeDoc({{0, 20}, {100, 600}});
  CDrawDlg page(ctx);
  auto* diff = Child<QLabel>(page, "rangeDiff");
  QCOMPARE(diff->text(), QStringLiteral("高差:580.0m"));
  QCOMPARE(diff->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  QCOMPARE(Child<QLabel>(page, "rangeTop")->text(), QStringLiteral("最高点:600.0m"));
  QCOMPARE(Child<QLabel>(page, "rangeBottom")->text(), QStringLiteral("最低点:20.0m"));

  ctx.doc = profile_test::MakeDoc({{0, 101.3}, {50, 87.6}});
  ctx.doc.bUserRange = 1;
  ctx.doc.dUserTop = 200;
  ctx.doc.dUserBottom = 10;
  page.LoadFromDocument();
  QCOMPARE(diff->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  QCOMPARE(Edit(page, "dUserTop")->text(), QStringLiteral("200"));
  QVERIFY(Edit(page, "dUserTop")->isEnabled());
  Child<QCheckBox>(page, "bUserRange")->click();  // unticked: the page's own range
  QCOMPARE(Edit(page, "dUserTop")->text(), QStringLiteral("105"));
  QCOMPARE(Edit(page, "dUserBottom")->text(), QStringLiteral("80"));
  QVERIFY(!Edit(page, "dUserTop")->isEnabled());
  QCOMPARE(ctx.doc.bUserRange, 0);
  Child<QCheckBox>(page, "bUserRange")->click();
  QCOMPARE(Edit(page, "dUserTop")->text(), QStringLiteral("200"));
  Type(Edit(page, "dUserBottom"), "50");
  QCOMPARE(ctx.doc.dUserBottom, 50.0);

  // without a drawing the page shows nothing it could change
  ctx.hasDocument = false;
  page.LoadFromDocument();
  QVERIFY(!Child<QWidget>(page, "content")->isEnabled());
}

void DrawPageTest::enterAndEscapeKeepThePage() {
  PageContextDouble ctx;
  QDialog dialog;
  auto* page = new CDrawDlg(ctx, &dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QLineEdit* scale = Edit(*page, "XScale");
  scale->setFocus();
  QTest::keyClick(scale, Qt::Key_Return);
  QTest::keyClick(scale, Qt::Key_Escape);
  QTest::keyClick(Edit(*page, "strPmName"), Qt::Key_Enter);
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.result(), 0);
}

void DrawPageTest::scrollSteps() {
  PageContextDouble ctx;
  CDrawDlg page(ctx);
  page.resize(320, 300);
  page.show();
  QVERIFY(QTest::qWaitForWindowExposed(&page));
  const int content = page.contentHeight();
  QVERIFY(content > 600);
  QCOMPARE(page.pageHeight(), 300);
  const int line = std::max(5, (content - 300) / 20), pageStep = std::max(5, (content - 300) / 10);
  auto wheel = [&](int delta) {
    QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&page, &e);
  };
  wheel(120);  // at the top nothing happens
  QCOMPARE(page.scrollPosition(), 0);
  wheel(-120);
  QCOMPARE(page.scrollPosition(), line);
  QCOMPARE(Child<QWidget>(page, "content")->y(), -line);
  auto* bar = Child<QScrollBar>(page, "scrollBar");
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  QCOMPARE(page.scrollPosition(), line + pageStep);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  QCOMPARE(page.scrollPosition(), pageStep);
  for (int i = 0; i < 40; ++i) wheel(-120);
  QCOMPARE(page.scrollPosition(), content - 300);  // not past the end
  page.resize(320, 400);                           // the end moved above the position
  QCOMPARE(page.scrollPosition(), content - 400);
  page.resize(320, content + 50);  // everything fits
  QCOMPARE(page.scrollPosition(), 0);
  QVERIFY(!bar->isVisibleTo(&page));
}

void DrawPageTest::previewPaintsSheetAndBox() {
  PageContextDouble ctx;
  ctx.doc = profile_test::EastSection();
  CDrawDlg page(ctx);
  // The area follows the page's width; these numbers are those of a 132 x 104 area.
  PreviewArea132x104(page);
  QCOMPARE(Child<QComboBox>(page, "frameList")->count(), 10);
  QCOMPARE(Child<QComboBox>(page, "frameList")->currentText(), QStringLiteral("A3图框(横向)"));

  // landscape sheet 118 x 83 centred at (66, 52): edges at 7, 125 and 11, 93
  QImage image = Preview(page);
  QVERIFY(Near(image, 125, 52, kBlack));
  QVERIFY(Near(image, 66, 93, kBlack));
  QVERIFY(Near(image, 7, 60, kBlack));
  QCOMPARE(image.pixelColor(129, 52), kWhite);
  QCOMPARE(image.pixelColor(7, 11), kWhite);  // the cut corner
  QVERIFY(Near(image, 21, 18, kBlack));       // the fold
  QVERIFY(!Near(image, 66, 52, kBlue));       // no box before the preview button

  Child<QPushButton>(page, "previewButton")->click();
  const ruvo::CPreviewPaper& paper = ctx.doc.paperPreview;
  QCOMPARE(paper.dZoom, 1.0);  // the box fits: sheet at its full size
  ruvo::ComputeHighRange(ctx.doc);
  const geom::Vector2d mm = ruvo::ProfileBoxSize(ruvo::MakeGeometry(ctx.doc));
  const int a = static_cast<int>(mm.x * 118 / 420 * 0.5),
            b = static_cast<int>(mm.y * 118 / 420 * 0.5);
  image = Preview(page);
  QVERIFY(Near(image, 125, 52, kBlack));
  QCOMPARE(image.pixelColor(66 - a, 52), kBlue);
  QCOMPARE(image.pixelColor(66 + a - 1, 52), kBlue);
  QCOMPARE(image.pixelColor(66, 52 - b), kBlue);
  QCOMPARE(image.pixelColor(66, 52), kWhite);  // outline only

  // a box too large for the area shrinks the sheet with it
  ctx.doc.XScale = 50;
  Child<QPushButton>(page, "previewButton")->click();
  QVERIFY(paper.dZoom < 1.0);
  image = Preview(page);
  QCOMPARE(image.pixelColor(125, 52), kWhite);
  const int boxHalf = static_cast<int>(paper.dProfileWidth * 0.5 * paper.dZoom);
  QVERIFY(boxHalf <= (132 - 5) / 2);
  QCOMPARE(image.pixelColor(66 - boxHalf, 52), kBlue);

  // a tiny area: no folded corner, the top-left corner is square
  ctx.doc.paperPreview.ResetPreview();
  QWidget* area = Child<QWidget>(page, "preview");
  area->resize(20, 20);
  image = area->grab().toImage();
  QVERIFY(Near(image, 10 - 9, 10 - 6, kBlack));
  QCOMPARE(image.pixelColor(10 - 9 + 12 + 2, 10 - 6 + 5), kWhite);
}

void DrawPageTest::previewRefitsOnKindChange() {
  PageContextDouble ctx;
  ctx.doc = profile_test::EastSection();
  CDrawDlg page(ctx);
  PreviewArea132x104(page);
  auto* kinds = Child<QComboBox>(page, "frameList");
  Child<QPushButton>(page, "previewButton")->click();
  const ruvo::PreviewRect before = ruvo::ProfileBox(ctx.doc.paperPreview);
  kinds->setCurrentIndex(3);
  emit kinds->activated(3);
  // portrait A3: sheet 65 x 93, the box refitted at 93 pixels for 420 mm, shown at once
  QCOMPARE(ctx.doc.paperPreview.nFrameType, 3);
  QImage image = Preview(page);
  QVERIFY(Near(image, 98, 52, kBlack));
  QCOMPARE(image.pixelColor(125, 52), kWhite);
  const ruvo::PreviewRect portrait = ruvo::ProfileBox(ctx.doc.paperPreview);
  QCOMPARE(image.pixelColor(portrait.left, 52), kBlue);
  kinds->setCurrentIndex(2);
  emit kinds->activated(2);
  QVERIFY(ruvo::ProfileBox(ctx.doc.paperPreview) == before);  // not scaled twice
}

void DrawPageTest::generateButtons() {
  PageContextDouble ctx;
  CDrawDlg page(ctx);
  auto& script = ctx.headless().script();
  script.push(host::headless::ScriptAnswer::dragTo({1000, 500, 0}));
  Child<QPushButton>(page, "drawWithFrame")->click();  // no points: nothing happens
  QCOMPARE(ctx.modelSpaceCount(), std::size_t{0});
  QCOMPARE(script.size(), std::size_t{1});

  ctx.doc = profile_test::EastSection();
  ctx.doc.dRangeTop = ctx.doc.dRangeBottom = 0;  // stale: the button recomputes first
  page.LoadFromDocument();
  auto* kinds = Child<QComboBox>(page, "frameList");
  kinds->setCurrentIndex(0);
  emit kinds->activated(0);
  Child<QPushButton>(page, "drawWithFrame")->click();
  QVERIFY(script.empty());
  QCOMPARE(CountBlocks(ctx, "RUVOA4LS"), 1);
  ruvo::CDocData expected = profile_test::EastSection();
  ruvo::ComputeHighRange(expected);
  QCOMPARE(ctx.doc.dRangeTop, expected.dRangeTop);
  const std::size_t withFrame = ctx.modelSpaceCount();

  script.push(host::headless::ScriptAnswer::dragTo({3000, 500, 0}));
  Child<QPushButton>(page, "drawWithoutFrame")->click();
  QCOMPARE(CountBlocks(ctx, "RUVOA4LS"), 1);
  QCOMPARE(ctx.modelSpaceCount(), withFrame + (withFrame - 1));
}

void DrawPageTest::autoLoadButtons() {
  PageContextDouble ctx;
  CDrawDlg page(ctx);
  const std::string root = ctx.host().services().registryProductRootKey();
  Child<QPushButton>(page, "enableAutoLoad")->click();
  win::RegKey key;
  QCOMPARE(ctx.registry().openKey(root + "\\Applications\\ZRK", key), win::RegStatus::Success);
  QCOMPARE(key.queryString("LOADER").value_or(""), ctx.moduleFileName());
  QVERIFY(ctx.commandLine().find("已启用自动加载") != std::string::npos);
  Child<QPushButton>(page, "disableAutoLoad")->click();
  QCOMPARE(ctx.registry().openKey(root + "\\Applications\\ZRK", key), win::RegStatus::FileNotFound);
  QVERIFY(ctx.commandLine().find("已取消自动加载") != std::string::npos);
  Child<QPushButton>(page, "disableAutoLoad")->click();
  QVERIFY(ctx.commandLine().find("自动加载未启用") != std::string::npos);
}

void DrawPageTest::legacyEdition() {
  PageContextDouble ctx(ruvo::Edition::Legacy);
  ctx.doc = profile_test::EastSection();
  CDrawDlg page(ctx);
  QVERIFY(page.findChild<QPushButton*>(QStringLiteral("drawWithFrame")) == nullptr);
  QVERIFY(page.findChild<QPushButton*>(QStringLiteral("enableAutoLoad")) == nullptr);
  QCOMPARE(Child<QPushButton>(page, "drawWithoutFrame")->text(), QStringLiteral("生成剖面图"));
  QCOMPARE(Child<QPushButton>(page, "previewButton")->text(), QStringLiteral("图形位置预览"));
  ctx.headless().script().push(host::headless::ScriptAnswer::dragTo({0, 0, 0}));
  Child<QPushButton>(page, "drawWithoutFrame")->click();
  QVERIFY(ctx.modelSpaceCount() > 0);
  QCOMPARE(CountBlocks(ctx, "RUVOA3LS"), 0);
}
