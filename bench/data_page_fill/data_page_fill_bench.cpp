// Time to fill the data page's point list with a section of many points, and to scroll
// through it page by page with painting, against the same rows put into a QStandardItemModel
// shown by a QTableView (Qt's own model and view, filled the ordinary way).
//
// The section is made up (N points) unless a drawing is given: then it is cut along the
// diagonal of the drawing's extents, as a user's long line across it.
//
// usage: bench_data_page_fill [--points N] [--runs R] [--drawing FILE.dxf]

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli/session.h"
#include "platform/host/headless/headless_host.h"
#include "ruvo/drawing/number_text.h"
#include "ruvo/pages/data_dlg.h"
#include "ruvo/pages/page_context.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/get_data.h"

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

class BenchContext final : public ruvo::PageContext {
 public:
  BenchContext() : host_(Options()) { host_.documents().newDocument(); }
  host::Host& host() override { return host_; }
  ruvo::CDocData* currentDocData() override { return &doc; }
  std::filesystem::path moduleFolder() const override { return "."; }
  ruvo::Edition edition() const override { return ruvo::Edition::Current; }
  ruvo::CDocData doc;

 private:
  static host::headless::HeadlessOptions Options() {
    static std::ostringstream sink;
    host::headless::HeadlessOptions o;
    o.output = &sink;
    return o;
  }
  host::headless::HeadlessHost host_;
};

// A long section as a cut makes it: crossings on a few contour layers, knees now and then,
// some deleted, marked or revised points.
void MakeSection(ruvo::CDocData& doc, int count) {
  const char* layers[] = {"DGX", "SQX", "JQX", "GCD", "DLSS"};
  for (int i = 0; i < count; ++i) {
    ruvo::CDataStruct p;
    p.nNo = i;
    p.dDist = i * 3.7;
    p.dHigh = 120 + 30 * std::sin(i / 50.0) + (i % 7) * 0.125;
    p.ptPos = {500000 + i * 3.5, 3000000 + i * 1.2, 0};
    p.nType =
        (i == 0 || i == count - 1) ? ruvo::PT_END : (i % 97 == 0 ? ruvo::PT_KNEE : ruvo::PT_CROSS);
    p.strLayer = p.nType == ruvo::PT_CROSS ? layers[i % 5] : "";
    p.strNote = p.nType == ruvo::PT_KNEE ? "拐点" : (i % 211 == 0 ? "陡坎" : "");
    p.bDelete = i % 53 == 0 && p.nType == ruvo::PT_CROSS ? 1 : 0;
    p.bMark = i % 89 == 0 ? 1 : 0;
    p.bRevised = i % 61 == 0 ? 1 : 0;
    doc.pointList.push_back(p);
  }
  doc.KneePnt = 1;
}

// Page by page to the end, each page painted.
double ScrollThrough(QAbstractItemView& view) {
  QScrollBar* bar = view.verticalScrollBar();
  bar->setValue(0);
  const auto start = Clock::now();
  int frames = 0;
  while (true) {
    view.viewport()->grab();
    ++frames;
    if (bar->value() >= bar->maximum()) break;
    bar->setValue(bar->value() + bar->pageStep());
  }
  return Millis(Clock::now() - start) / frames;
}

// The points of a line from corner to corner of the drawing's extents.
bool CutAcross(const std::string& drawing, ruvo::CDocData& doc) {
  std::string error;
  auto session = cli::Session::Open(drawing, error, nullptr);
  if (!session) {
    std::fprintf(stderr, "bench_data_page_fill: %s\n", error.c_str());
    return false;
  }
  cad::Database& db = session->document().database();
  const geom::Extents2d box = db.modelExtents().update().xy();
  auto line = std::make_unique<cad::LwPolyline>();
  line->addVertex({box.min});
  line->addVertex({box.max});
  const cad::ObjectId id = db.appendToModelSpace(std::move(line)).value();
  session->host().script().push(host::headless::ScriptAnswer::pickHandle(id.handle()));
  return ruvo::CGetData(session->host()).AcquireSection(doc, ruvo::kModeCommon);
}

}  // namespace

int main(int argc, char** argv) {
  int points = 10000, runs = 5;
  std::string drawing;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help")) {
      std::printf("usage: bench_data_page_fill [--points N] [--runs R] [--drawing FILE.dxf]\n");
      return 0;
    }
    if (!std::strcmp(argv[i], "--points") && i + 1 < argc) points = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--drawing") && i + 1 < argc) drawing = argv[++i];
  }
  if (points < 2 || runs < 1) {
    std::fprintf(stderr, "bench_data_page_fill: --points needs at least 2, --runs at least 1\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  BenchContext ctx;
  if (drawing.empty()) {
    MakeSection(ctx.doc, points);
  } else if (!CutAcross(drawing, ctx.doc)) {
    std::fprintf(stderr, "bench_data_page_fill: no section across %s\n", drawing.c_str());
    return 1;
  } else {
    points = static_cast<int>(ctx.doc.pointList.size());
  }
  ruvo::CDataDlg page(ctx);
  page.resize(290, 480);
  page.show();
  auto* list = page.findChild<QTableWidget*>(QStringLiteral("points"));

  std::vector<double> ours, peer;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = Clock::now();
    page.FillPointList();
    ours.push_back(Millis(Clock::now() - t0));
  }

  QTableView view;
  view.resize(list->size());
  // The same rows per page as the point list, so that a painted page holds as many cells.
  view.verticalHeader()->hide();
  view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view.verticalHeader()->setDefaultSectionSize(20);
  view.show();
  QStandardItemModel* model = nullptr;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = Clock::now();
    auto* next = new QStandardItemModel(0, 6, &view);
    for (const ruvo::CDataStruct& p : ctx.doc.pointList) {
      if (!ruvo::IsPointListed(p, ctx.doc.KneePnt)) continue;
      QList<QStandardItem*> row;
      row << new QStandardItem(QString::number(p.nNo + 1))
          << new QStandardItem(QString::fromStdString(ruvo::FormatTrimmed(p.dHigh, 3)))
          << new QStandardItem(p.bDelete ? QStringLiteral("×") : QString())
          << new QStandardItem(QString::fromStdString(p.strNote))
          << new QStandardItem(p.bMark ? QStringLiteral("√") : QString())
          << new QStandardItem(QString::fromStdString(p.strLayer));
      next->appendRow(row);
    }
    view.setModel(next);
    view.resizeColumnsToContents();
    delete model;
    model = next;
    peer.push_back(Millis(Clock::now() - t0));
  }

  const double fill = Median(ours), peerFill = Median(peer);
  const double scroll = ScrollThrough(*list), peerScroll = ScrollThrough(view);
  std::printf("points %d, rows %d, runs %d\n", points, list->rowCount(), runs);
  std::printf(
      "fill:   page %.1f ms, QStandardItemModel+QTableView %.1f ms, ratio %.2f (page/peer)\n", fill,
      peerFill, fill / peerFill);
  std::printf("scroll: page %.2f ms per painted page, peer %.2f ms, ratio %.2f\n", scroll,
              peerScroll, scroll / peerScroll);
  std::printf("target fill of 10000 points <= 150 ms: %.1f ms for %d points, %s\n", fill, points,
              fill <= 150 ? "met" : "NOT met");
  return 0;
}
