#include "data_dlg_test.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "controls/check_combo_box.h"
#include "controls/list_ctrl_ex.h"
#include "page_context_double.h"
#include "platform/cad/polylines.h"
#include "platform/win/profile.h"
#include "ruvo/pages/data_dlg.h"
#include "ruvo/section/get_data.h"

namespace {

using host::headless::ScriptAnswer;
using pages_test::PageContextDouble;
using ruvo::CDataDlg;

template <class W>
W* Child(QWidget& page, const char* name) {
  auto* w = page.findChild<W*>(QString::fromLatin1(name));
  if (w == nullptr) qFatal("no control %s", name);
  return w;
}

cad::ObjectId Polyline(PageContextDouble& ctx, std::vector<geom::Point2d> points, double z,
                       const char* layer) {
  auto p = std::make_unique<cad::LwPolyline>();
  std::vector<cad::LwVertex> vertices;
  for (const geom::Point2d& pt : points) {
    cad::LwVertex v;
    v.point = pt;
    vertices.push_back(v);
  }
  p->setVertices(vertices);
  p->setElevation(z);
  p->setLayer(layer);
  return ctx.database().appendToModelSpace(std::move(p)).value();
}

// Four contours across a section line with one knee: crossings at x = 10, 20 on the first
// leg and 30, 40 on the second; the one at 30 lies on layer "GCD".
struct Drawing {
  explicit Drawing(PageContextDouble& ctx) {
    const double x[] = {10, 20, 30, 40};
    for (int i = 0; i < 4; ++i) {
      contours[i] = Polyline(ctx, {{x[i], -50}, {x[i], 50}}, 100 + i, i == 2 ? "GCD" : "DGX");
    }
    section = Polyline(ctx, {{0, 0}, {25, 0}, {50, 10}}, 0, "0");
  }
  cad::ObjectId contours[4];
  cad::ObjectId section;
};

void Acquire(PageContextDouble& ctx, CDataDlg& page, const Drawing& d) {
  ctx.headless().script().push(ScriptAnswer::pickHandle(d.section.handle()));
  Child<QPushButton>(page, "acquire")->click();
}

int ListedCount(const ruvo::CDocData& doc) {
  int n = 0;
  for (const auto& p : doc.pointList) n += ruvo::IsPointListed(p, doc.KneePnt) ? 1 : 0;
  return n;
}

using List = controls::CListCtrlEx;
using Layers = controls::CCheckComboBox;

QString Cell(List* list, int row, int column) { return list->GetItemText(row, column); }

// Types into a cell's editor and leaves it, as the user does.
void EditCell(List* list, int row, int column, const QString& text) {
  QVERIFY(list->EditSubItem(row, column));
  controls::CListCellEdit* editor = list->currentEditor();
  QVERIFY(editor != nullptr);
  editor->setText(text);
  editor->markModified();
  editor->EndEdit(true);
}

int RowOfNote(List* list, const QString& note) {
  for (int r = 0; r < list->GetItemCount(); ++r) {
    if (Cell(list, r, CDataDlg::kNote) == note) return r;
  }
  return -1;
}

}  // namespace

void DataPageTest::acquisitionFillsListAndLayers() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  ctx.doc.bUserRange = 1;
  ctx.doc.paperPreview.SetFrameType(2);
  QVERIFY(!Child<QCheckBox>(page, "bSetHigh")->isEnabled());
  Acquire(ctx, page, d);
  QCOMPARE(ctx.doc.bFromDrawing, 1);
  QCOMPARE(ctx.doc.bUserRange, 0);
  QVERIFY(!ctx.doc.paperPreview.bHasProfile);
  QVERIFY(Child<QCheckBox>(page, "bSetHigh")->isEnabled());
  auto* list = Child<List>(page, "points");
  QCOMPARE(list->GetItemCount(), ListedCount(ctx.doc));
  QCOMPARE(Cell(list, 0, CDataDlg::kNo), QStringLiteral("1"));
  QCOMPARE(Cell(list, 0, CDataDlg::kNote), QStringLiteral("起点"));
  QCOMPARE(Cell(list, 0, CDataDlg::kMark), QStringLiteral("√"));
  const int first = RowOfNote(list, QString());
  QVERIFY(first > 0);
  QCOMPARE(Cell(list, first, CDataDlg::kHigh), QStringLiteral("100"));
  QCOMPARE(Cell(list, first, CDataDlg::kLayer), QStringLiteral("DGX"));
  for (int c = 0; c < 6; ++c) {
    QVERIFY(list->columnWidth(c) >= 10 && list->columnWidth(c) <= 150);
  }
  QVERIFY(list->IsColumnReadOnly(CDataDlg::kNo));
  QVERIFY(!list->IsColumnReadOnly(CDataDlg::kHigh));
  QCOMPARE(list->ColumnTip(CDataDlg::kDelete), QStringLiteral("双击删除"));
  auto* layers = Child<Layers>(page, "layers");
  QCOMPARE(layers->count(), 2);
  QCOMPARE(layers->itemText(0), QStringLiteral("DGX"));
  QVERIFY(layers->GetCheck(1));

  // a cancelled pick keeps the points and still refreshes
  const std::size_t points = ctx.doc.pointList.size();
  ctx.doc.paperPreview.SetFrameType(2);
  ctx.headless().script().push(ScriptAnswer::cancel());
  Child<QPushButton>(page, "acquire")->click();
  QCOMPARE(ctx.doc.pointList.size(), points);
  QVERIFY(!ctx.doc.paperPreview.bHasProfile);
}

void DataPageTest::outsideTheWorldSystemNothingIsPicked() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  ctx.headless().headlessVariables().define("WORLDUCS", 0, true);
  ctx.headless().script().push(ScriptAnswer::press(host::MessageBoxButton::Ok));
  Acquire(ctx, page, d);
  QCOMPARE(ctx.headless().headlessUserInterface().messageBoxCount(), 1);
  QVERIFY(ctx.commandLine().find("图件不是世界坐标系(WCS)") != std::string::npos);
  QVERIFY(ctx.doc.pointList.empty());
  QCOMPARE(ctx.headless().script().size(), std::size_t{1});
}

void DataPageTest::displayModeAndLayerFilter() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  Acquire(ctx, page, d);
  auto* list = Child<List>(page, "points");
  auto* mode = Child<QComboBox>(page, "KneePnt");
  const auto before = ctx.doc.pointList;
  mode->setCurrentIndex(2);
  emit mode->activated(2);
  QCOMPARE(ctx.doc.KneePnt, 2);
  QCOMPARE(list->GetItemCount(), 3);  // start, knee, end
  QCOMPARE(Cell(list, 1, CDataDlg::kNote), QStringLiteral("拐点"));
  QCOMPARE(ctx.doc.pointList.size(), before.size());
  mode->setCurrentIndex(0);
  emit mode->activated(0);

  const int rows = list->GetItemCount();
  auto* layers = Child<Layers>(page, "layers");
  layers->SetCheck(1, false);  // "GCD"
  Child<QPushButton>(page, "filter")->click();
  QCOMPARE(list->GetItemCount(), rows - 1);
  for (int r = 0; r < list->GetItemCount(); ++r) {
    QVERIFY(Cell(list, r, CDataDlg::kLayer) != QStringLiteral("GCD"));
  }
  // a refresh ticks every layer again
  page.RefreshFromDocument();
  QVERIFY(layers->GetCheck(1));
}

void DataPageTest::deleteAndMarkSpareFirstAndLastRows() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  Acquire(ctx, page, d);
  auto* list = Child<List>(page, "points");
  const int last = list->GetItemCount() - 1;
  emit list->cellDoubleClicked(0, CDataDlg::kDelete);
  emit list->cellDoubleClicked(last, CDataDlg::kDelete);
  emit list->cellDoubleClicked(last, CDataDlg::kMark);
  QCOMPARE(ctx.doc.pointList.front().bDelete, 0u);
  QCOMPARE(ctx.doc.pointList.back().bDelete, 0u);
  QCOMPARE(ctx.doc.pointList.back().bMark, 1u);
  QCOMPARE(Cell(list, 0, CDataDlg::kDelete), QString());

  const int middle = 1;
  const int index = Cell(list, middle, CDataDlg::kNo).toInt() - 1;
  emit list->cellDoubleClicked(middle, CDataDlg::kDelete);
  QCOMPARE(ctx.doc.pointList[index].bDelete, 1u);
  QCOMPARE(Cell(list, middle, CDataDlg::kDelete), QStringLiteral("×"));
  QVERIFY(list->IsRowDisabled(middle));
  emit list->cellDoubleClicked(middle, CDataDlg::kDelete);
  QCOMPARE(ctx.doc.pointList[index].bDelete, 0u);
  QCOMPARE(Cell(list, middle, CDataDlg::kDelete), QString());
  QVERIFY(!list->IsRowDisabled(middle));
  emit list->cellDoubleClicked(middle, CDataDlg::kMark);
  QCOMPARE(Cell(list, middle, CDataDlg::kMark), QStringLiteral("√"));
  QCOMPARE(ctx.doc.pointList[index].bMark, 1u);
}

void DataPageTest::remarkCodesExpandOneAndTwoLetters() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "kestra_pages_codes";
  std::filesystem::create_directories(folder);
  const std::filesystem::path ini = folder / "Tabulix.ini";
  std::filesystem::remove(ini);
  QVERIFY(win::writeProfileString(ini, "CODE", "L", "\"陡坎\""));
  QVERIFY(win::writeProfileString(ini, "CODE", "ABC", "三个字母"));
  // more names than a fixed buffer of 30 characters would hold
  for (int i = 0; i < 12; ++i) {
    QVERIFY(
        win::writeProfileString(ini, "CODE", "Q" + std::to_string(i), "码" + std::to_string(i)));
  }
  PageContextDouble ctx(ruvo::Edition::Current, folder);
  Drawing d(ctx);
  CDataDlg page(ctx);
  QCOMPARE(page.remarkCodes().size(), std::size_t{14});
  QCOMPARE(page.remarkCodes().at("L"), std::string("陡坎"));
  QCOMPARE(page.remarkCodes().at("Q11"), std::string("码11"));
  Acquire(ctx, page, d);
  auto* list = Child<List>(page, "points");
  const int row = 1, index = Cell(list, row, CDataDlg::kNo).toInt() - 1;
  EditCell(list, row, CDataDlg::kNote, QStringLiteral(" l "));
  QCOMPARE(ctx.doc.pointList[index].strNote, std::string("陡坎"));
  QCOMPARE(Cell(list, row, CDataDlg::kNote), QStringLiteral("陡坎"));
  EditCell(list, row, CDataDlg::kNote, QStringLiteral("abc"));
  QCOMPARE(ctx.doc.pointList[index].strNote, std::string("abc"));
  EditCell(list, row, CDataDlg::kNote, QStringLiteral("q1"));
  QCOMPARE(ctx.doc.pointList[index].strNote, std::string("码1"));
  std::filesystem::remove_all(folder);
}

void DataPageTest::typedElevationsAndWriteBack() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  Acquire(ctx, page, d);
  auto* list = Child<List>(page, "points");
  const int row = RowOfNote(list, QString());
  const int index = Cell(list, row, CDataDlg::kNo).toInt() - 1;
  ctx.doc.pointList[index].bRevised = 1;
  page.FillPointList();
  QVERIFY(list->IsCellHighlighted(row, CDataDlg::kHigh));

  // without "对象赋高程值" only the point changes
  EditCell(list, row, CDataDlg::kHigh, QStringLiteral("99.5"));
  QCOMPARE(ctx.doc.pointList[index].dHigh, 99.5);
  QCOMPARE(ctx.doc.pointList[index].bRevised, 0u);
  QVERIFY(!list->IsCellHighlighted(row, CDataDlg::kHigh));
  const cad::ObjectId source(ctx.doc.pointList[index].idObject);
  QCOMPARE(ctx.database().openForRead<cad::LwPolyline>(source)->elevation(), 100.0);

  Child<QCheckBox>(page, "bSetHigh")->click();
  QCOMPARE(ctx.doc.bSetHigh, 1);
  EditCell(list, row, CDataDlg::kHigh, QStringLiteral("98.25"));
  QCOMPARE(ctx.database().openForRead<cad::LwPolyline>(source)->elevation(), 98.25);

  // points read from a file have no drawing behind them
  ctx.doc.bFromDrawing = 0;
  EditCell(list, row, CDataDlg::kHigh, QStringLiteral("97"));
  QCOMPARE(ctx.doc.pointList[index].dHigh, 97.0);
  QCOMPARE(ctx.database().openForRead<cad::LwPolyline>(source)->elevation(), 98.25);

  // the increment switch and value of the page reach the list's elevation editor
  Child<QCheckBox>(page, "bIncrement")->click();
  Child<QLineEdit>(page, "dIncrement")->setText("0.5");
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(Child<QLineEdit>(page, "dIncrement"), &out);
  QVERIFY(list->EditSubItem(row + 1, CDataDlg::kHigh));
  QCOMPARE(list->currentEditor()->text(), QStringLiteral("97.5"));
  list->currentEditor()->EndEdit(false);

  // an empty elevation is no elevation: the point keeps its own
  EditCell(list, row, CDataDlg::kHigh, QString());
  QCOMPARE(ctx.doc.pointList[index].dHigh, 97.0);
  QCOMPARE(Cell(list, row, CDataDlg::kHigh), QStringLiteral("97"));
}

void DataPageTest::clickingLocatesPoints() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  Acquire(ctx, page, d);
  auto* list = Child<List>(page, "points");
  auto& display = ctx.headless().headlessDisplay();
  display.redraw();
  emit list->cellClicked(0, CDataDlg::kNote);  // the start point's remark: only located
  QCOMPARE(display.temporaryVectors().size(), std::size_t{2});
  QCOMPARE(display.temporaryVectors()[0].colour, 100);
  const host::ViewRecord view = display.currentView();
  QCOMPARE(view.center.x, ctx.doc.pointList[0].ptPos.x);
  const double h = 0.025 * view.height;
  QCOMPARE(display.temporaryVectors()[0].from.x, view.center.x - h);
  QVERIFY(list->currentEditor() == nullptr);

  const int last = list->GetItemCount() - 1;
  emit list->cellClicked(last, CDataDlg::kNote);
  QVERIFY(list->currentEditor() == nullptr);
  QCOMPARE(display.currentView().center.x, ctx.doc.pointList.back().ptPos.x);

  emit list->cellClicked(1, CDataDlg::kNote);  // a middle row opens the editor
  QVERIFY(list->currentEditor() != nullptr);
}

void DataPageTest::addPointSelectsTheNewRow() {
  PageContextDouble ctx;
  Drawing d(ctx);
  CDataDlg page(ctx);
  Child<QPushButton>(page, "addPoint")->click();  // no points: nothing asked
  QVERIFY(ctx.headless().script().empty());
  Acquire(ctx, page, d);
  auto* layers = Child<Layers>(page, "layers");
  layers->SetCheck(0, false);
  ctx.headless().script().push(ScriptAnswer::pointAt({15, -5, 0}));
  ctx.headless().script().push(ScriptAnswer::pointAt({15, 5, 0}));
  const std::size_t before = ctx.doc.pointList.size();
  Child<QPushButton>(page, "addPoint")->click();
  QCOMPARE(ctx.doc.pointList.size(), before + 1);
  auto* list = Child<List>(page, "points");
  const QList<QTableWidgetSelectionRange> selected = list->selectedRanges();
  QCOMPARE(selected.size(), 1);
  const int row = selected.front().topRow();
  QCOMPARE(Cell(list, row, CDataDlg::kNote), QStringLiteral("加点"));
  QCOMPARE(Cell(list, row, CDataDlg::kHigh), QStringLiteral("100.5"));
  for (int i = 0; i < layers->count(); ++i) QVERIFY(layers->GetCheck(i));
}

void DataPageTest::boundControlsSpinsAndKeys() {
  PageContextDouble ctx;
  CDataDlg page(ctx);
  auto type = [](QLineEdit* e, const QString& text) {
    e->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(e, &out);
  };
  type(Child<QLineEdit>(page, "dIncrement"), "0.5");
  QCOMPARE(ctx.doc.dIncrement, 0.5);
  Child<QCheckBox>(page, "bIncrement")->click();
  QCOMPARE(ctx.doc.bIncrement, 1);
  Child<QCheckBox>(page, "AutoAssign")->click();
  QCOMPARE(ctx.doc.AutoAssign, 0);
  type(Child<QLineEdit>(page, "FilterHMin"), "x");
  QCOMPARE(ctx.doc.FilterHMin, 1.0);
  QCOMPARE(Child<QLineEdit>(page, "FilterHMin")->text(), QStringLiteral("1"));

  Child<QLineEdit>(page, "FilterHMin")->setText("1.5");
  Child<QWidget>(page, "FilterHMinSpin")->findChild<QToolButton*>("down")->click();
  QCOMPARE(Child<QLineEdit>(page, "FilterHMin")->text(), QStringLiteral("0.5"));
  Child<QWidget>(page, "FilterHMaxSpin")->findChild<QToolButton*>("up")->click();
  QCOMPARE(Child<QLineEdit>(page, "FilterHMax")->text(), QStringLiteral("9001"));
  QCOMPARE(ctx.doc.FilterHMax, 9000.0);  // the document takes it when the box is left
  type(Child<QLineEdit>(page, "FilterHMax"), Child<QLineEdit>(page, "FilterHMax")->text());
  QCOMPARE(ctx.doc.FilterHMax, 9001.0);

  QDialog dialog;
  auto* inside = new CDataDlg(ctx, &dialog);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QTest::keyClick(Child<QLineEdit>(*inside, "dIncrement"), Qt::Key_Return);
  QTest::keyClick(Child<QLineEdit>(*inside, "dIncrement"), Qt::Key_Escape);
  QVERIFY(dialog.isVisible());

  // the list takes the room the page gets, the bottom row follows the lower edge
  for (const int height : {600, 450}) {
    inside->resize(400, height);
    QCoreApplication::sendPostedEvents();
    auto* list = Child<List>(*inside, "points");
    QCOMPARE(list->width(), 390);
    auto* add = Child<QPushButton>(*inside, "addPoint");
    auto* increment = Child<QCheckBox>(*inside, "bIncrement");
    QCOMPARE(add->geometry().bottom() + 1, height - 5);
    QVERIFY(increment->geometry().bottom() < height - 5);
    QVERIFY(list->geometry().bottom() < std::min(add->y(), increment->y()));
    QVERIFY(list->geometry().bottom() >= add->y() - 6);
  }
}

void DataPageTest::legacyEdition() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kestra_legacy";
  std::filesystem::create_directories(folder);
  QVERIFY(win::writeProfileString(folder / "Tabulix.ini", "CODE", "L", "陡坎"));
  PageContextDouble ctx(ruvo::Edition::Legacy, folder);
  CDataDlg page(ctx);
  QCOMPARE(Child<QPushButton>(page, "acquire")->text(), QStringLiteral("获取交点(常用)"));
  QCOMPARE(Child<QPushButton>(page, "acquirePrecise")->text(), QStringLiteral("获取交点(备用)"));
  QVERIFY(!Child<QPushButton>(page, "acquirePrecise")->isHidden());
  QCOMPARE(Child<QCheckBox>(page, "AutoAssign")->text(), QStringLiteral("自动修改高程小于0的交点"));
  QVERIFY(page.remarkCodes().empty());
  std::filesystem::remove_all(folder);
}
