// Time to fill the point list with a section of N points (six columns, marks on some rows,
// columns sized to their content), against a plain QTableWidget filled with the same texts
// and sized by Qt's own resizeColumnsToContents. Target: 10,000 points in 150 ms or less.
//
// usage: bench_list_fill [--points N] [--runs R]

#include <QApplication>
#include <QTableWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "controls/list_ctrl_ex.h"

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

struct Row {
  QString texts[6];
};

std::vector<Row> MakeRows(int n) {
  std::vector<Row> rows(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    Row& r = rows[static_cast<std::size_t>(i)];
    r.texts[0] = QString::number(i + 1);
    r.texts[1] = QString::number(800 + (i % 997) * 0.125, 'f', 3);
    r.texts[2] = i % 50 == 7 ? QStringLiteral("×") : QString();
    r.texts[3] = i % 20 == 3 ? QStringLiteral("公路") : QString();
    r.texts[4] = i % 30 == 5 ? QStringLiteral("√") : QString();
    r.texts[5] = QStringLiteral("DGX%1").arg(i % 7);
  }
  return rows;
}

double FillOurs(const std::vector<Row>& rows) {
  controls::CListCtrlEx list(nullptr);
  for (int c = 0; c < 6; ++c) list.InsertColumn(c, QString::number(c), Qt::AlignHCenter, 40);
  list.SetRowHeight(20);
  list.resize(400, 600);
  list.show();
  QApplication::processEvents();
  const auto start = Clock::now();
  list.FillRows(static_cast<int>(rows.size()), [&](int r) {
    for (int c = 0; c < 6; ++c) list.SetItemText(r, c, rows[static_cast<std::size_t>(r)].texts[c]);
    if (r % 50 == 7) list.SetRowDisabled(r, true);
    if (r % 40 == 9) list.SetCellHighlight(r, 1, true);
  });
  const auto filled = Clock::now();
  list.AutoSizeColumns();
  QApplication::processEvents();
  if (qEnvironmentVariableIsSet("BENCH_DETAIL")) {
    std::printf("  texts %.1f ms, column sizes %.1f ms\n", Millis(filled - start),
                Millis(Clock::now() - filled));
  }
  return Millis(Clock::now() - start);
}

double FillPeer(const std::vector<Row>& rows) {
  QTableWidget table;
  table.setColumnCount(6);
  table.resize(400, 600);
  table.show();
  QApplication::processEvents();
  const auto start = Clock::now();
  table.setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < 6; ++c) {
      table.setItem(r, c, new QTableWidgetItem(rows[static_cast<std::size_t>(r)].texts[c]));
    }
  }
  table.resizeColumnsToContents();
  QApplication::processEvents();
  return Millis(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  int points = 10000;
  int runs = 5;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--points") == 0)
      points = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--runs") == 0)
      runs = std::atoi(argv[++i]);
  }
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf("usage: bench_list_fill [--points N] [--runs R]\n");
    return 0;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::vector<Row> rows = MakeRows(std::max(points, 1));
  std::vector<double> ours, peer;
  for (int run = 0; run < std::max(runs, 1); ++run) {
    ours.push_back(FillOurs(rows));
    peer.push_back(FillPeer(rows));
  }
  const double mine = Median(ours);
  const double theirs = Median(peer);
  std::printf("fill %d points: point list %.1f ms, plain QTableWidget %.1f ms, ratio %.2f\n",
              points, mine, theirs, theirs > 0 ? mine / theirs : 0.0);
  std::printf("target 150 ms for 10000 points: %.1f ms, %s\n", mine,
              mine <= 150.0 ? "met" : "NOT met");
  return 0;
}
