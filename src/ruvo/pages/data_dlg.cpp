#include "ruvo/pages/data_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "controls/check_combo_box.h"
#include "controls/list_ctrl_ex.h"
#include "platform/host/display.h"
#include "platform/host/host.h"
#include "platform/host/user_interface.h"
#include "platform/ui/dialog_keys.h"
#include "platform/win/profile.h"
#include "ruvo/drawing/number_text.h"
#include "ruvo/host/host_access.h"
#include "ruvo/pages/page_context.h"
#include "ruvo/pages/page_layout.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/get_data.h"
#include "ruvo/section/point_list.h"
#include "ruvo/section/settings_file.h"
#include "ruvo/section/text_format.h"

namespace ruvo {

namespace {

const QString kDeleted = QStringLiteral("×");
const QString kMarked = QStringLiteral("√");

std::optional<double> ParseNumber(const QString& text) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

// "%.1f" without trailing zeros and point, as the range boxes show their numbers.
QString RangeText(double v) { return QString::fromStdString(FormatTrimmed(v, 1)); }

}  // namespace

// The current document's points behind the list's rows, for the list's own navigation and
// increment rule.
class CDataDlg::ListPoints final : public controls::RowPoints {
 public:
  explicit ListPoints(PageContext& context) : context_(context) {}
  bool isDeleted(int index) const override {
    const CDataStruct* p = Point(index);
    return p != nullptr && p->bDelete == 1;
  }
  void markDeleted(int index) override {
    if (CDataStruct* p = Point(index)) p->bDelete = 1;
  }
  std::optional<double> increment() const override {
    const CDocData* doc = context_.currentDocData();
    if (doc == nullptr || doc->bIncrement != 1) return std::nullopt;
    return doc->dIncrement;
  }

 private:
  CDataStruct* Point(int index) const {
    CDocData* doc = context_.currentDocData();
    if (doc == nullptr || index < 0 || static_cast<std::size_t>(index) >= doc->pointList.size()) {
      return nullptr;
    }
    return &doc->pointList[static_cast<std::size_t>(index)];
  }
  PageContext& context_;
};

CDataDlg::CDataDlg(PageContext& context, QWidget* parent)
    : QWidget(parent), context_(context), listPoints_(std::make_unique<ListPoints>(context)) {
  setObjectName(QStringLiteral("CDataDlg"));
  if (const CDocData* doc = context_.currentDocData()) {
    v_.FilterHMin = doc->FilterHMin;
    v_.FilterHMax = doc->FilterHMax;
    v_.FilterHeight = doc->FilterHeight;
    v_.AutoAssign = doc->AutoAssign;
  }
  BuildControls();
  RefreshFromDocument();
  LoadRemarkCodes();
}

CDataDlg::~CDataDlg() = default;

void CDataDlg::BuildControls() {
  const bool legacy = context_.edition() == Edition::Legacy;
  auto button = [&](const QString& name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    FitButton(b);
    return b;
  };
  auto check = [&](const QString& name, const QString& text) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(name);
    FitCaption(c);
    connect(c, &QCheckBox::clicked, this, [this, c] { OnChecked(c); });
    checks_[name] = c;
    return c;
  };
  auto edit = [&](const QString& name, int digits) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->installEventFilter(this);
    FitEdit(e, digits);
    edits_[name] = e;
    return e;
  };
  auto spin = [&](const QString& name, QLineEdit* box) {
    auto* s = new SpinArrows([this, box](int d) { OnSpin(box, d); }, this);
    s->setObjectName(name);
    return s;
  };

  // Step one: getting the points.
  QPushButton* common = button(QStringLiteral("acquire"), legacy ? QStringLiteral("获取交点(常用)")
                                                                 : QStringLiteral("获取交点数据"));
  QPushButton* precise =
      button(QStringLiteral("acquirePrecise"),
             legacy ? QStringLiteral("获取交点(备用)") : QStringLiteral("获取交点(精准)"));
  precise->setVisible(legacy);
  connect(common, &QPushButton::clicked, this, [this] { Acquire(kModeCommon); });
  connect(precise, &QPushButton::clicked, this, [this] { Acquire(kModePrecise); });
  QCheckBox* setHigh = check(QStringLiteral("bSetHigh"), QStringLiteral("对象赋高程值"));
  QCheckBox* filter = check(QStringLiteral("FilterHeight"), QStringLiteral("获取交点高程范围"));
  QLineEdit* low = edit(QStringLiteral("FilterHMin"), 4);
  QLineEdit* high = edit(QStringLiteral("FilterHMax"), 4);
  QCheckBox* autoAssign =
      check(QStringLiteral("AutoAssign"), legacy ? QStringLiteral("自动修改高程小于0的交点")
                                                 : QStringLiteral("自动修改高程异常的交点"));

  // Step two: the list and its filters.
  layers_ = new controls::CCheckComboBox(this);
  layers_->setAccessibleName(QStringLiteral("图层"));
  layers_->setObjectName(QStringLiteral("layers"));
  layers_->SetSorted(true);
  layers_->setMinimumWidth(60);
  layers_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  QPushButton* filterButton = button(QStringLiteral("filter"), QStringLiteral("筛选"));
  connect(filterButton, &QPushButton::clicked, this, [this] { FilterLayers(); });

  list_ = new controls::CListCtrlEx(this);
  list_->setObjectName(QStringLiteral("points"));
  list_->resize(kInitialListWidth, list_->height());
  list_->setMinimumSize(60, 60);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->installEventFilter(this);
  const QString titles[] = {QStringLiteral("No"), QStringLiteral(" 高程"),
                            QStringLiteral("删"), QStringLiteral("注释"),
                            QStringLiteral("标"), QStringLiteral("图层")};
  for (int c = 0; c < 6; ++c) {
    const Qt::Alignment align = c == kHigh || c == kLayer ? Qt::AlignLeft : Qt::AlignHCenter;
    list_->InsertColumn(c, titles[c], align, list_->width() * kColumnShares[c] / kColumnShareSum);
  }
  list_->SetHeaderHeightFactor(1.0);
  list_->SetRowHeight(20);
  for (const int c : {kNo, kDelete, kMark, kLayer}) list_->SetColumnReadOnly(c, 1);
  list_->SetColumnFilter(kHigh, QStringLiteral("-0123456789."));
  list_->SetColumnTip(kDelete, QStringLiteral("双击删除"));
  list_->SetColumnTip(kMark, QStringLiteral("双击标识"));
  list_->SetRowPoints(listPoints_.get());
  connect(list_, &QTableWidget::cellClicked, this, [this](int r, int c) { OnCellClicked(r, c); });
  connect(list_, &QTableWidget::cellDoubleClicked, this,
          [this](int r, int c) { OnCellDoubleClicked(r, c); });
  connect(list_, &controls::ListCtrl::beginLabelEdit, this, [this](int row, int) {
    if (PointIndex(row) >= 0) LocatePoint(row);
  });
  connect(list_, &controls::ListCtrl::endLabelEdit, this,
          [this](int row, int column, const QString& text) { OnEndEdit(row, column, text); });
  connect(list_, &controls::ListCtrl::keyDown, this, [this](int key) { OnListKey(key); });

  QCheckBox* increment = check(QStringLiteral("bIncrement"), QStringLiteral("增量"));
  QLineEdit* incrementBox = edit(QStringLiteral("dIncrement"), 4);
  addPoint_ = button(QStringLiteral("addPoint"), QStringLiteral("加点"));
  connect(addPoint_, &QPushButton::clicked, this, [this] { AddPoint(); });
  displayMode_ = new QComboBox(this);
  displayMode_->setObjectName(QStringLiteral("KneePnt"));
  displayMode_->setAccessibleName(QStringLiteral("显示方式"));  // unlabelled: named for scripts
  displayMode_->addItems({QStringLiteral("仅显示交点"), QStringLiteral("显示交点与拐点"),
                          QStringLiteral("仅显示拐点")});
  FitList(displayMode_);
  connect(displayMode_, &QComboBox::activated, this, [this](int index) {
    if (CDocData* doc = context_.currentDocData()) {
      doc->KneePnt = index;
      FillPointList();
    }
  });

  // The list takes the page's width less 10 pixels and all the height the rows above and
  // the bottom row leave; the bottom row sits 5 pixels above the lower edge.
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 6, 5);
  page->setSpacing(kRowSpacing);
  page->addLayout(Heading(this, QStringLiteral("第一步：获取数据")));
  // The older edition shows both acquisition buttons; its switch for writing elevations
  // back then moves down beside the repair switch.
  page->addLayout(legacy ? Row({{common, 1}, {precise, 1}, {nullptr, 0}})
                         : Row({{nullptr, 1}, {common, 2}, {nullptr, 1}, {setHigh, 0}}));
  page->addLayout(Row({{filter, 0},
                       {low, 1},
                       {spin(QStringLiteral("FilterHMinSpin"), low), 0},
                       {new QLabel(QStringLiteral("-"), this), 0},
                       {high, 1},
                       {spin(QStringLiteral("FilterHMaxSpin"), high), 0}}));
  page->addLayout(legacy ? Row({{autoAssign, 0}, {nullptr, 1}, {setHigh, 0}})
                         : Row({{autoAssign, 0}, {nullptr, 1}}));
  page->addLayout(Heading(this, QStringLiteral("第二步：修改数据")));
  page->addLayout(Row({{layers_, 1}, {filterButton, 0}}));
  page->addWidget(list_, 1);
  page->addLayout(Row({{increment, 0}, {incrementBox, 1}, {addPoint_, 0}, {displayMode_, 2}}));
}

void CDataDlg::FitColumns(int oldWidth, int newWidth) {
  if (oldWidth <= 0 || newWidth <= 0 || oldWidth == newWidth) return;
  // A column keeps the width its content asked for at the last fill when that is wider
  // than its share of the list; otherwise it takes its share of the new width.
  for (int c = 0; c < list_->columnCount() && c < 6; ++c) {
    const int share = oldWidth * kColumnShares[c] / kColumnShareSum;
    const int content = list_->columnWidth(c) > share ? list_->columnWidth(c) : 0;
    list_->setColumnWidth(c, std::max(content, newWidth * kColumnShares[c] / kColumnShareSum));
  }
}

void CDataDlg::RefreshFromDocument() {
  FillPointList();
  FillLayerList();
  CDocData* doc = context_.currentDocData();
  setEnabled(doc != nullptr);
  if (doc == nullptr) return;
  v_.dIncrement = doc->dIncrement;
  v_.bIncrement = doc->bIncrement;
  v_.FilterHeight = doc->FilterHeight;
  v_.AutoAssign = doc->AutoAssign;
  v_.FilterHMin = doc->FilterHMin;
  v_.FilterHMax = doc->FilterHMax;
  displayMode_->setCurrentIndex(std::clamp(doc->KneePnt, 0, 2));
  v_.bSetHigh = doc->bSetHigh;
  checks_[QStringLiteral("bSetHigh")]->setEnabled(doc->bFromDrawing == 1);
  PushToControls();
}

void CDataDlg::PushToControls() {
  edits_[QStringLiteral("dIncrement")]->setText(QString::number(v_.dIncrement, 'g', 15));
  edits_[QStringLiteral("FilterHMin")]->setText(QString::number(v_.FilterHMin, 'g', 15));
  edits_[QStringLiteral("FilterHMax")]->setText(QString::number(v_.FilterHMax, 'g', 15));
  checks_[QStringLiteral("bIncrement")]->setChecked(v_.bIncrement == 1);
  checks_[QStringLiteral("FilterHeight")]->setChecked(v_.FilterHeight == 1);
  checks_[QStringLiteral("AutoAssign")]->setChecked(v_.AutoAssign == 1);
  checks_[QStringLiteral("bSetHigh")]->setChecked(v_.bSetHigh == 1);
}

bool CDataDlg::CommitControls() {
  if (prompting_) return false;
  Values next = v_;
  struct Field {
    const char* name;
    double Values::*member;
  };
  static constexpr Field kNumbers[] = {{"dIncrement", &Values::dIncrement},
                                       {"FilterHMin", &Values::FilterHMin},
                                       {"FilterHMax", &Values::FilterHMax}};
  for (const Field& f : kNumbers) {
    const std::optional<double> v = ParseNumber(edits_[QString::fromLatin1(f.name)]->text());
    if (!v) {
      // The box takes the focus from the edit: it shows the kept value before the box
      // appears, so that leaving it cannot prompt a second time.
      PushToControls();
      prompting_ = true;
      context_.host().userInterface().messageBox("请输入一个数字。", "剖面");
      prompting_ = false;
      return false;
    }
    next.*f.member = *v;
  }
  next.bIncrement = checks_[QStringLiteral("bIncrement")]->isChecked() ? 1 : 0;
  next.FilterHeight = checks_[QStringLiteral("FilterHeight")]->isChecked() ? 1 : 0;
  next.AutoAssign = checks_[QStringLiteral("AutoAssign")]->isChecked() ? 1 : 0;
  next.bSetHigh = checks_[QStringLiteral("bSetHigh")]->isChecked() ? 1 : 0;
  v_ = next;
  return true;
}

void CDataDlg::OnChecked(QCheckBox* box) {
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  const QString name = box->objectName();
  if (name == QStringLiteral("bIncrement")) doc->bIncrement = v_.bIncrement;
  if (name == QStringLiteral("FilterHeight")) doc->FilterHeight = v_.FilterHeight;
  if (name == QStringLiteral("AutoAssign")) doc->AutoAssign = v_.AutoAssign;
  if (name == QStringLiteral("bSetHigh")) doc->bSetHigh = v_.bSetHigh;
}

void CDataDlg::OnEditLeft(QLineEdit* edit) {
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  const QString name = edit->objectName();
  if (name == QStringLiteral("dIncrement")) doc->dIncrement = v_.dIncrement;
  if (name == QStringLiteral("FilterHMin")) doc->FilterHMin = v_.FilterHMin;
  if (name == QStringLiteral("FilterHMax")) doc->FilterHMax = v_.FilterHMax;
  PushToControls();
}

void CDataDlg::OnSpin(QLineEdit* edit, int delta) {
  const double v = std::atof(edit->text().toUtf8().constData()) + delta;
  edit->setText(RangeText(v));
  CommitControls();
}

void CDataDlg::FillPointList() {
  const CDocData* doc = context_.currentDocData();
  std::vector<const CDataStruct*> listed;
  if (doc != nullptr) {
    listed.reserve(doc->pointList.size());
    for (const CDataStruct& p : doc->pointList) {
      if (IsPointListed(p, doc->KneePnt)) listed.push_back(&p);
    }
  }
  // Every row at once (replacing the old ones forgets their marks), one repaint for all.
  list_->FillRows(static_cast<int>(listed.size()), [this, &listed](int row) {
    const CDataStruct& p = *listed[static_cast<std::size_t>(row)];
    list_->SetItemText(row, kNo, QString::number(p.nNo + 1));
    list_->SetItemText(row, kHigh, QString::fromStdString(FormatTrimmed(p.dHigh, 3)));
    if (p.bDelete == 1) {
      list_->SetItemText(row, kDelete, kDeleted);
      list_->SetRowDisabled(row, true);
    }
    if (p.bRevised == 1) list_->SetCellHighlight(row, kHigh, true);
    if (!p.strNote.empty()) list_->SetItemText(row, kNote, QString::fromStdString(p.strNote));
    if (p.bMark == 1) list_->SetItemText(row, kMark, kMarked);
    if (!p.strLayer.empty()) list_->SetItemText(row, kLayer, QString::fromStdString(p.strLayer));
  });
  list_->AutoSizeColumns();
}

void CDataDlg::FillLayerList() {
  layers_->ResetContent();
  layers_->ClearText();
  const CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  for (const std::string& name : doc->layerList) layers_->AddString(QString::fromStdString(name));
  layers_->CheckAll(true);
}

void CDataDlg::LoadRemarkCodes() {
  codes_.clear();
  // The legacy edition keeps remarks as typed.
  if (context_.edition() == Edition::Legacy) return;
  // The file beside the module first; then the export tool's per-user copy, which it
  // writes where the program's own folder cannot be written, so its codes are the newer.
  std::vector<std::filesystem::path> files{context_.moduleFolder() / kTabulixIni};
  if (const std::filesystem::path user = PerUserSettingsFolder(); !user.empty())
    files.push_back(user / kTabulixIni);
  for (const std::filesystem::path& ini : files) {
    // Every code is read, however many there are: a fixed buffer for the names would drop
    // the later codes and cut the last one it kept.
    for (const auto& [code, value] : win::getProfileSection(ini, "CODE")) {
      std::string remark = value;
      const std::size_t first = remark.find_first_not_of('"');
      const std::size_t last = remark.find_last_not_of('"');
      remark = first == std::string::npos ? std::string() : remark.substr(first, last - first + 1);
      codes_.insert_or_assign(code, remark);
    }
  }
}

int CDataDlg::PointIndex(int row) const {
  const CDocData* doc = context_.currentDocData();
  if (doc == nullptr || row < 0 || row >= list_->GetItemCount()) return -1;
  bool ok = false;
  const int n = list_->GetItemText(row, kNo).toInt(&ok);
  if (!ok || n < 1 || static_cast<std::size_t>(n) > doc->pointList.size()) return -1;
  return n - 1;
}

void CDataDlg::LocatePoint(int row) {
  const int index = PointIndex(row);
  if (index < 0) return;
  host::Host& host = context_.host();
  const geom::Point3d at =
      context_.currentDocData()->pointList[static_cast<std::size_t>(index)].ptPos;
  WriteLockedDocument lock(host);
  if (!lock.locked()) return;
  host::ViewRecord view = SaveView(host);
  view.center = {at.x, at.y};
  host.display().setCurrentView(view);
  const double h = 0.025 * view.height;
  host.display().drawVector({at.x - h, at.y + h, 0}, {at.x + h, at.y - h, 0},
                            kTemporaryVectorColour);
  host.display().drawVector({at.x - h, at.y - h, 0}, {at.x + h, at.y + h, 0},
                            kTemporaryVectorColour);
  host.display().updateDisplay();
}

void CDataDlg::Acquire(int mode) {
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  host::Host& host = context_.host();
  if (!IsWorldUcs(host)) {
    host.userInterface().messageBox(kMsgNotWorldUcs, "剖面", host::MessageBoxButtons::Ok,
                                    host::MessageBoxIcon::Warning);
    return;
  }
  CGetData getData(host, context_.edition());
  if (getData.AcquireSection(*doc, mode)) {
    doc->bFromDrawing = 1;
    doc->bUserRange = 0;
  }
  RefreshFromDocument();
  doc->paperPreview.ResetPreview();
}

void CDataDlg::AddPoint() {
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr || doc->pointList.empty()) return;
  const int number = CGetData(context_.host(), context_.edition()).AddPoint(*doc);
  FillPointList();
  FillLayerList();
  for (int row = 0; row < list_->GetItemCount(); ++row) {
    if (list_->GetItemText(row, kNo) != QString::number(number + 1)) continue;
    list_->scrollToItem(list_->item(row, kNo), QAbstractItemView::EnsureVisible);
    list_->setFocus();
    list_->selectRow(row);
    break;
  }
}

void CDataDlg::FilterLayers() {
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  // The ticked names themselves, not the chooser's joined text, so that a layer name with
  // the list separator in it or a locale with another separator cannot confuse the filter.
  std::vector<std::string> ticked;
  for (const QString& name : layers_->CheckedTexts()) ticked.push_back(name.toStdString());
  FilterByLayers(*doc, ticked);
  FillPointList();
}

void CDataDlg::OnCellClicked(int row, int column) {
  const CDocData* doc = context_.currentDocData();
  const int index = PointIndex(row);
  if (doc == nullptr || index < 0) return;
  const CDataStruct& p = doc->pointList[static_cast<std::size_t>(index)];
  const int n = index + 1;
  const int count = static_cast<int>(doc->pointList.size());
  if (column == kHigh && p.bDelete != 1) {
    list_->EditSubItem(row, kHigh);
  } else if (column == kNote && n >= 2 && n < count && p.bDelete != 1) {
    list_->EditSubItem(row, kNote);
  } else {
    LocatePoint(row);
  }
}

void CDataDlg::OnCellDoubleClicked(int row, int column) {
  CDocData* doc = context_.currentDocData();
  const int index = PointIndex(row);
  if (doc == nullptr || index < 0) return;
  const int n = index + 1;
  // The first and the last point can be neither deleted nor marked.
  if (n < 2 || n >= static_cast<int>(doc->pointList.size())) return;
  CDataStruct& p = doc->pointList[static_cast<std::size_t>(index)];
  if (column == kDelete) {
    p.bDelete = p.bDelete == 1 ? 0 : 1;
    list_->SetItemText(row, kDelete, p.bDelete == 1 ? kDeleted : QString());
    list_->SetRowDisabled(row, p.bDelete == 1);
  } else if (column == kMark) {
    p.bMark = p.bMark == 1 ? 0 : 1;
    list_->SetItemText(row, kMark, p.bMark == 1 ? kMarked : QString());
  }
}

void CDataDlg::OnEndEdit(int row, int column, const QString& text) {
  CDocData* doc = context_.currentDocData();
  const int index = PointIndex(row);
  if (doc == nullptr || doc->pointList.empty() || index < 0) return;
  CDataStruct& p = doc->pointList[static_cast<std::size_t>(index)];
  if (column == kHigh) {
    const std::optional<double> high = ParseReal(text.trimmed().toStdString());
    if (!high) {  // nothing to store: the cell shows the point's elevation again
      list_->SetItemText(row, kHigh, QString::fromStdString(FormatTrimmed(p.dHigh, 3)));
      return;
    }
    if (p.bRevised == 1) list_->SetCellHighlight(row, kHigh, false);
    CGetData(context_.host(), context_.edition())
        .CommitTypedHeight(*doc, static_cast<std::size_t>(index), *high);
  } else if (column == kNote) {
    QString note = text.trimmed();
    if (note.size() >= 1 && note.size() <= 2) {
      const auto code = codes_.find(note.toUpper().toStdString());
      if (code != codes_.end()) {
        note = QString::fromStdString(code->second);
        list_->SetItemText(row, kNote, note);
      }
    }
    p.strNote = note.toStdString();
  }
}

void CDataDlg::OnListKey(int key) {
  const QList<QTableWidgetSelectionRange> ranges = list_->selectedRanges();
  if (ranges.isEmpty()) return;
  const int row = ranges.front().topRow();
  if (key == Qt::Key_Up) LocatePoint(std::max(row - 1, 0));
  if (key == Qt::Key_Down && row + 1 < list_->GetItemCount()) LocatePoint(row + 1);
}

bool CDataDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::Resize) {
    const auto* resize = static_cast<QResizeEvent*>(event);
    FitColumns(resize->oldSize().width(), resize->size().width());
  }
  if (event->type() == QEvent::FocusOut) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && edits_.count(edit->objectName()) != 0) OnEditLeft(edit);
  }
  return QWidget::eventFilter(watched, event);
}

void CDataDlg::keyPressEvent(QKeyEvent* event) {
  if (ui::swallowDialogKey(event)) return;
  QWidget::keyPressEvent(event);
}

}  // namespace ruvo
