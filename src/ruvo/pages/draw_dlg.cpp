#include "ruvo/pages/draw_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/host/command_line.h"
#include "platform/host/host.h"
#include "platform/host/host_services.h"
#include "platform/host/user_interface.h"
#include "platform/ui/dialog_keys.h"
#include "ruvo/drawing/draw_profile.h"
#include "ruvo/drawing/preview_layout.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/pages/page_context.h"
#include "ruvo/pages/page_layout.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/settings/settings_store.h"

namespace ruvo {

namespace {

// Paints the preview's strokes with a QPainter; colours come in the host's byte order.
class QtPreviewPainter final : public PreviewPainter {
 public:
  explicit QtPreviewPainter(QPainter& painter) : p_(painter) {}
  void SetPen(int width, PreviewColor color) override {
    QPen pen(QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                    static_cast<int>((color >> 16) & 0xFF)));
    pen.setWidth(width);
    pen.setJoinStyle(Qt::MiterJoin);
    p_.setPen(pen);
    p_.setBrush(Qt::NoBrush);
  }
  void Polyline(std::span<const PreviewPoint> points) override {
    QPolygon polygon;
    for (const PreviewPoint& pt : points) polygon << QPoint(pt.x, pt.y);
    p_.drawPolyline(polygon);
  }
  void Rectangle(const PreviewRect& r) override {
    // The right and bottom edges are exclusive, as for the host's rectangles.
    const QPoint corners[] = {{r.left, r.top},
                              {r.right - 1, r.top},
                              {r.right - 1, r.bottom - 1},
                              {r.left, r.bottom - 1},
                              {r.left, r.top}};
    p_.drawPolyline(corners, 5);
  }

 private:
  QPainter& p_;
};

constexpr int kPreviewWidth = 132;
constexpr int kPreviewHeight = 104;

// The frame preview: painted into an off-screen image of the area's size, cleared to white,
// then copied to the screen in one piece.
class PreviewArea final : public QWidget {
 public:
  PreviewArea(std::function<CPreviewPaper*()> paper, QWidget* parent)
      : QWidget(parent), paper_(std::move(paper)) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMaximumWidth(2 * kPreviewWidth);
  }
  // The area keeps the proportions of the page's design, 132 by 104 pixels, at any width.
  QSize sizeHint() const override { return {kPreviewWidth, kPreviewHeight}; }
  QSize minimumSizeHint() const override { return {kPreviewWidth / 2, kPreviewHeight / 2}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return width * kPreviewHeight / kPreviewWidth; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (CPreviewPaper* paper = paper_()) {
      QPainter painter(&image);
      QtPreviewPainter dc(painter);
      Draw(*paper, dc, width(), height());
    }
    QPainter(this).drawImage(0, 0, image);
  }

 private:
  std::function<CPreviewPaper*()> paper_;
};

QString NumberText(double v) { return QString::number(v, 'g', 15); }

std::optional<double> ParseNumber(const QString& text) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int> ParseInt(const QString& text) {
  bool ok = false;
  const int v = QLocale::c().toInt(text.trimmed(), &ok);
  if (!ok) return std::nullopt;
  return v;
}

// The up-down control reads its buddy the lenient way: text that is no number is 0.
double LenientNumber(const QString& text) { return std::atof(text.toUtf8().constData()); }

constexpr int kSpinRod = 139;
constexpr int kSpinSide = 141;

}  // namespace

CDrawDlg::CDrawDlg(PageContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName(QStringLiteral("CDrawDlg"));
  BuildControls();
  LoadFromDocument();
  // Steps 6 and 7 of the page's initialisation: the spin ranges are the arrows themselves,
  // and the content ends 10 pixels under the last control.
  LayOutContent();
}

CDrawDlg::~CDrawDlg() = default;

void CDrawDlg::BuildControls() {
  const bool legacy = context_.edition() == Edition::Legacy;
  content_ = new QWidget(this);
  content_->setObjectName(QStringLiteral("content"));
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setObjectName(QStringLiteral("scrollBar"));

  auto label = [&](const QString& text) { return new QLabel(text, content_); };
  auto edit = [&](const QString& name, int digits = 5) {
    auto* e = new QLineEdit(content_);
    e->setObjectName(name);
    e->installEventFilter(this);
    FitEdit(e, digits);
    edits_[name] = e;
    return e;
  };
  auto check = [&](const QString& name, const QString& text) {
    auto* c = new QCheckBox(text, content_);
    c->setObjectName(name);
    FitCaption(c);
    connect(c, &QCheckBox::clicked, this, [this, c] { OnChecked(c); });
    checks_[name] = c;
    return c;
  };
  auto radio = [&](const QString& name, const QString& text) {
    auto* r = new QRadioButton(text, content_);
    r->setObjectName(name);
    FitCaption(r);
    return r;
  };
  auto spin = [&](int id, QLineEdit* buddy) {
    auto* s = new SpinArrows([this, buddy](int delta) { OnSpin(buddy, delta); }, content_);
    s->setObjectName(id == kSpinRod ? QStringLiteral("RodWidthSpin")
                                    : QStringLiteral("SideDistanceSpin"));
    return s;
  };
  auto button = [&](const QString& name, const QString& text) {
    auto* b = new QPushButton(text, content_);
    b->setObjectName(name);
    b->setAutoDefault(false);
    FitButton(b);
    return b;
  };
  // A group box whose rows are a grid: captions in their own columns, edit boxes growing.
  auto group = [&](const QString& text) {
    auto* g = new QGroupBox(text, content_);
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setHorizontalSpacing(kRowSpacing);
    grid->setVerticalSpacing(2);
    return std::pair{g, grid};
  };

  auto* page = new QVBoxLayout(content_);
  // The content ends 10 pixels under the last control.
  page->setContentsMargins(3, 4, 3, 10);
  page->setSpacing(kRowSpacing);
  page->addLayout(Heading(content_, QStringLiteral("第三步：图形设置")));

  {
    auto [g, grid] = group(QStringLiteral("平面图信息"));
    grid->addWidget(label(QStringLiteral("比例尺 1：")), 0, 0);
    grid->addWidget(edit(QStringLiteral("XYScale"), 7), 0, 1);
    grid->addWidget(label(QStringLiteral("高程单位：米")), 0, 2);
    page->addWidget(g);
  }
  {
    auto [g, grid] = group(QStringLiteral("剖面图比例尺及刻度"));
    grid->addWidget(label(QStringLiteral("X向比例")), 0, 0);
    grid->addWidget(edit(QStringLiteral("XScale"), 4), 0, 1);
    grid->addWidget(label(QStringLiteral("Y向比例")), 0, 2);
    grid->addWidget(edit(QStringLiteral("YScale"), 4), 0, 3);
    grid->addWidget(check(QStringLiteral("bXScale"), QStringLiteral("标注X向刻度")), 1, 0, 1, 2);
    grid->addWidget(check(QStringLiteral("bXYEqual"), QStringLiteral("X、Y向比例相同")), 1, 2, 1,
                    2);
    grid->addWidget(label(QStringLiteral("X向刻度(m)")), 2, 0);
    grid->addWidget(edit(QStringLiteral("txtX"), 3), 2, 1);
    grid->addWidget(label(QStringLiteral("Y向刻度(m)")), 2, 2);
    grid->addWidget(edit(QStringLiteral("txtY"), 3), 2, 3);
    QLineEdit* rod = edit(QStringLiteral("RodWidth"), 3);
    grid->addWidget(label(QStringLiteral("两侧标尺的宽度(0.1-3.0)")), 3, 0, 1, 3);
    grid->addLayout(Row({{spin(kSpinRod, rod), 0}, {rod, 1}}), 3, 3);
    QLineEdit* side = edit(QStringLiteral("SideDistance"), 3);
    grid->addWidget(label(QStringLiteral("剖面线与两侧标尺的距离(0-10)")), 4, 0, 1, 3);
    grid->addLayout(Row({{spin(kSpinSide, side), 0}, {side, 1}}), 4, 3);
    interval_[0] = radio(QStringLiteral("Interval0"), QStringLiteral("间隔标注"));
    interval_[1] = radio(QStringLiteral("Interval1"), QStringLiteral("连续标注"));
    grid->addWidget(label(QStringLiteral("高程值标注")), 5, 0);
    grid->addLayout(Row({{interval_[0], 0}, {interval_[1], 0}, {nullptr, 1}}), 5, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    page->addWidget(g);
  }
  {
    auto [g, grid] = group(QStringLiteral("剖面图高程范围"));
    rangeDiff_ = label(QStringLiteral("高差0m"));
    rangeDiff_->setObjectName(QStringLiteral("rangeDiff"));
    rangeTop_ = label(QStringLiteral("最高点"));
    rangeTop_->setObjectName(QStringLiteral("rangeTop"));
    rangeBottom_ = label(QStringLiteral("最低点"));
    rangeBottom_->setObjectName(QStringLiteral("rangeBottom"));
    grid->addWidget(rangeDiff_, 0, 0);
    grid->addWidget(check(QStringLiteral("bUserRange"), QStringLiteral("设置成图高程范围")), 0, 1,
                    1, 2);
    grid->addWidget(rangeTop_, 1, 0);
    grid->addWidget(label(QStringLiteral("最高点(m)")), 1, 1);
    grid->addWidget(edit(QStringLiteral("dUserTop")), 1, 2);
    grid->addWidget(rangeBottom_, 2, 0);
    grid->addWidget(label(QStringLiteral("最低点(m)")), 2, 1);
    grid->addWidget(edit(QStringLiteral("dUserBottom")), 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    page->addWidget(g);
  }
  QLineEdit* title = nullptr;
  {
    auto [g, grid] = group(QStringLiteral("剖面图选项"));
    grid->addWidget(label(QStringLiteral("剖面图标题：")), 0, 0);
    title = edit(QStringLiteral("strPmName"));
    grid->addWidget(title, 0, 1);
    lineType_[0] = radio(QStringLiteral("bLineType0"), QStringLiteral("折线"));
    lineType_[1] = radio(QStringLiteral("bLineType1"), QStringLiteral("曲线"));
    grid->addWidget(label(QStringLiteral("剖面线性质：")), 1, 0);
    grid->addLayout(Row({{lineType_[0], 0},
                         {lineType_[1], 0},
                         {check(QStringLiteral("bReverse"), QStringLiteral("反向")), 0},
                         {nullptr, 1}}),
                    1, 1);
    grid->addWidget(label(QStringLiteral("坐标底标识：")), 2, 0);
    grid->addLayout(Row({{check(QStringLiteral("bDistAndHigh"), QStringLiteral("间距及标高")), 0},
                         {nullptr, 1}}),
                    2, 1);
    grid->addLayout(
        Row({{check(QStringLiteral("bKneePosition"), QStringLiteral("拐点处坐标")), 0},
             {check(QStringLiteral("bRemarkPosition"), QStringLiteral("标记处坐标")), 0},
             {nullptr, 1}}),
        3, 1);
    grid->addWidget(label(QStringLiteral("选方位样式：")), 4, 0);
    grid->addLayout(Row({{check(QStringLiteral("bDirection1"), QStringLiteral("样式1")), 0},
                         {check(QStringLiteral("bDirection2"), QStringLiteral("样式2")), 0},
                         {nullptr, 1}}),
                    4, 1);
    grid->setColumnStretch(1, 1);
    page->addWidget(g);
  }

  page->addLayout(Heading(content_, QStringLiteral("第四步：生成图形")));
  preview_ = new PreviewArea(
      [this]() -> CPreviewPaper* {
        CDocData* doc = context_.currentDocData();
        return doc != nullptr ? &doc->paperPreview : nullptr;
      },
      content_);
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->resize(kPreviewWidth, kPreviewHeight);
  frameList_ = new QComboBox(content_);
  frameList_->setObjectName(QStringLiteral("frameList"));
  frameList_->setMaxVisibleItems(10);
  auto* side = new QVBoxLayout;
  side->setSpacing(kRowSpacing);
  QLabel* frameCaption = label(QStringLiteral("选择图框类型:"));
  frameCaption->setBuddy(frameList_);
  side->addWidget(frameCaption);
  side->addWidget(frameList_);
  QPushButton* previewButton =
      button(QStringLiteral("previewButton"),
             legacy ? QStringLiteral("图形位置预览") : QStringLiteral("图形\n位置\n预览"));
  connect(previewButton, &QPushButton::clicked, this, [this] { OnPreview(); });
  if (legacy) {
    QPushButton* draw = button(QStringLiteral("drawWithoutFrame"), QStringLiteral("生成剖面图"));
    connect(draw, &QPushButton::clicked, this, [this] { OnGenerate(false); });
    side->addWidget(previewButton);
    side->addWidget(draw);
  } else {
    QPushButton* withFrame = button(QStringLiteral("drawWithFrame"), QStringLiteral("成图带图框"));
    QPushButton* withoutFrame =
        button(QStringLiteral("drawWithoutFrame"), QStringLiteral("成图无图框"));
    connect(withFrame, &QPushButton::clicked, this, [this] { OnGenerate(true); });
    connect(withoutFrame, &QPushButton::clicked, this, [this] { OnGenerate(false); });
    previewButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto* draws = new QVBoxLayout;
    draws->setSpacing(kRowSpacing);
    draws->addWidget(withFrame);
    draws->addWidget(withoutFrame);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kRowSpacing);
    buttons->addWidget(previewButton);
    buttons->addLayout(draws, 1);
    side->addLayout(buttons);
  }
  side->addStretch(1);
  auto* fourth = new QHBoxLayout;
  fourth->setSpacing(kRowSpacing);
  fourth->addWidget(preview_, 1, Qt::AlignTop);
  fourth->addLayout(side);
  page->addLayout(fourth);

  if (!legacy) {
    // The auto-load registration has no other place in the user interface.
    auto [g, grid] = group(QStringLiteral("其它设置"));
    QPushButton* enable = button(QStringLiteral("enableAutoLoad"), QStringLiteral("启用自动加载"));
    QPushButton* disable =
        button(QStringLiteral("disableAutoLoad"), QStringLiteral("取消自动加载"));
    connect(enable, &QPushButton::clicked, this, [this] { OnAutoLoad(true); });
    connect(disable, &QPushButton::clicked, this, [this] { OnAutoLoad(false); });
    grid->addWidget(enable, 0, 0);
    grid->addWidget(disable, 0, 1);
    page->addWidget(g);
  }
  page->addStretch(1);

  for (int i = 0; i < 2; ++i) {
    connect(interval_[i], &QRadioButton::clicked, this, [this, i] {
      if (!CommitControls()) return;
      if (CDocData* doc = context_.currentDocData()) doc->Interval = i;
    });
    connect(lineType_[i], &QRadioButton::clicked, this, [this, i] {
      if (!CommitControls()) return;
      if (CDocData* doc = context_.currentDocData()) doc->bLineType = i;
    });
  }
  // Two groups of radio buttons on one parent.
  for (QRadioButton* const* pair : {interval_, lineType_}) {
    auto* group = new QButtonGroup(this);
    group->addButton(pair[0]);
    group->addButton(pair[1]);
  }

  connect(title, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (pushing_) return;
    v_.strPmName = text;
    if (CDocData* doc = context_.currentDocData()) doc->strPmName = text.toStdString();
  });
  connect(frameList_, &QComboBox::activated, this, [this](int index) { OnFrameKind(index); });
  connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) {
    const int end = MaxScroll();
    switch (action) {
      case QAbstractSlider::SliderSingleStepAdd:
        scrollBar_->setSliderPosition(std::min(scrollPos_ + LineStep(), end));
        break;
      case QAbstractSlider::SliderSingleStepSub:
        scrollBar_->setSliderPosition(std::max(scrollPos_ - LineStep(), 0));
        break;
      case QAbstractSlider::SliderPageStepAdd:
        scrollBar_->setSliderPosition(std::min(scrollPos_ + PageStep(), end));
        break;
      case QAbstractSlider::SliderPageStepSub:
        scrollBar_->setSliderPosition(std::max(scrollPos_ - PageStep(), 0));
        break;
      case QAbstractSlider::SliderToMinimum:
      case QAbstractSlider::SliderToMaximum:
        scrollBar_->setSliderPosition(scrollPos_);  // not a scroll bar code of the page's
        break;
      default:
        break;  // the thumb goes where it is dragged
    }
  });
  connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value); });
}

void CDrawDlg::LoadFromDocument() {
  CDocData* doc = context_.currentDocData();
  content_->setEnabled(doc != nullptr);
  if (doc == nullptr) return;
  v_.XYScale = doc->XYScale;
  v_.XScale = doc->XScale;
  v_.YScale = doc->YScale;
  v_.bXYEqual = doc->bXYEqual;
  v_.bXScale = doc->bXScale;
  v_.txtX = doc->txtX;
  v_.txtY = doc->txtY;
  v_.bUserRange = doc->bUserRange;
  v_.strPmName = QString::fromStdString(doc->strPmName);
  v_.bLineType = doc->bLineType;
  v_.bReverse = doc->bReverse;
  v_.bDistAndHigh = doc->bDistAndHigh;
  v_.bKneePosition = doc->bKneePosition;
  v_.bRemarkPosition = doc->bRemarkPosition;
  v_.bDirection1 = doc->bDirection1;
  v_.bDirection2 = doc->bDirection2;
  v_.RodWidth = doc->RodWidth;
  v_.Interval = doc->Interval;
  v_.SideDistance = doc->SideDistance;

  ComputeHighRange(*doc);
  ShowRange(*doc);
  v_.top = v_.bUserRange == 1 ? doc->dUserTop : doc->dRangeTop;
  v_.bottom = v_.bUserRange == 1 ? doc->dUserBottom : doc->dRangeBottom;

  // The list shows A3 landscape whatever the paper holds; the paper takes the list's kind
  // when the user picks one or asks for the preview.
  frameList_->clear();
  for (int kind = 0; kind < 10; ++kind) {
    frameList_->addItem(QString::fromStdString(FrameCaption(kind)));
  }
  FitList(frameList_);
  frameList_->setCurrentIndex(2);
  preview_->update();
  PushToControls();
}

void CDrawDlg::ShowRange(const CDocData& doc) {
  const double diff = doc.dHighMax - doc.dHighMin;
  rangeDiff_->setText(QString::asprintf("高差:%.1fm", diff));
  rangeTop_->setText(QString::asprintf("最高点:%.1fm", doc.dHighMax));
  rangeBottom_->setText(QString::asprintf("最低点:%.1fm", doc.dHighMin));
  QPalette palette = rangeDiff_->palette();
  palette.setColor(QPalette::WindowText, diff > 500 ? QColor(255, 0, 0) : QColor(0, 0, 0));
  rangeDiff_->setPalette(palette);
}

void CDrawDlg::UpdateEnabling() {
  edits_[QStringLiteral("txtX")]->setEnabled(v_.bXScale == 1);
  edits_[QStringLiteral("YScale")]->setEnabled(v_.bXYEqual == 0);
  edits_[QStringLiteral("dUserTop")]->setEnabled(v_.bUserRange == 1);
  edits_[QStringLiteral("dUserBottom")]->setEnabled(v_.bUserRange == 1);
}

void CDrawDlg::PushToControls() {
  pushing_ = true;
  edits_[QStringLiteral("XYScale")]->setText(NumberText(v_.XYScale));
  edits_[QStringLiteral("XScale")]->setText(NumberText(v_.XScale));
  edits_[QStringLiteral("YScale")]->setText(NumberText(v_.YScale));
  edits_[QStringLiteral("txtX")]->setText(NumberText(v_.txtX));
  edits_[QStringLiteral("txtY")]->setText(NumberText(v_.txtY));
  edits_[QStringLiteral("dUserTop")]->setText(NumberText(v_.top));
  edits_[QStringLiteral("dUserBottom")]->setText(NumberText(v_.bottom));
  edits_[QStringLiteral("strPmName")]->setText(v_.strPmName);
  edits_[QStringLiteral("RodWidth")]->setText(NumberText(v_.RodWidth));
  edits_[QStringLiteral("SideDistance")]->setText(QString::number(v_.SideDistance));
  checks_[QStringLiteral("bXYEqual")]->setChecked(v_.bXYEqual == 1);
  checks_[QStringLiteral("bXScale")]->setChecked(v_.bXScale == 1);
  checks_[QStringLiteral("bUserRange")]->setChecked(v_.bUserRange == 1);
  checks_[QStringLiteral("bReverse")]->setChecked(v_.bReverse == 1);
  checks_[QStringLiteral("bDistAndHigh")]->setChecked(v_.bDistAndHigh == 1);
  checks_[QStringLiteral("bKneePosition")]->setChecked(v_.bKneePosition == 1);
  checks_[QStringLiteral("bRemarkPosition")]->setChecked(v_.bRemarkPosition == 1);
  checks_[QStringLiteral("bDirection1")]->setChecked(v_.bDirection1 == 1);
  checks_[QStringLiteral("bDirection2")]->setChecked(v_.bDirection2 == 1);
  interval_[v_.Interval == 1 ? 1 : 0]->setChecked(true);
  lineType_[v_.bLineType == 1 ? 1 : 0]->setChecked(true);
  UpdateEnabling();
  pushing_ = false;
}

void CDrawDlg::Refuse(const char* prompt) {
  // The controls show the kept values before the box appears: the box takes the focus from
  // the edit, and a second commit of the same bad text would prompt again.
  PushToControls();
  if (prompting_) return;
  prompting_ = true;
  context_.host().userInterface().messageBox(prompt, "剖面");
  prompting_ = false;
}

bool CDrawDlg::CommitControls() {
  if (prompting_) return false;
  Values next = v_;
  struct NumberField {
    const char* name;
    double Values::*member;
  };
  static constexpr NumberField kNumbers[] = {
      {"XYScale", &Values::XYScale},    {"XScale", &Values::XScale},
      {"YScale", &Values::YScale},      {"txtX", &Values::txtX},
      {"txtY", &Values::txtY},          {"dUserTop", &Values::top},
      {"dUserBottom", &Values::bottom}, {"RodWidth", &Values::RodWidth},
  };
  for (const NumberField& f : kNumbers) {
    QLineEdit* e = edits_[QString::fromLatin1(f.name)];
    const std::optional<double> value = ParseNumber(e->text());
    if (!value) {
      Refuse("请输入一个数字。");
      return false;
    }
    next.*f.member = *value;
  }
  const std::optional<int> side = ParseInt(edits_[QStringLiteral("SideDistance")]->text());
  if (!side) {
    Refuse("请输入一个整数。");
    return false;
  }
  if (*side < 0 || *side > 10) {
    Refuse("请输入一个介于 0 和 10 之间的整数。");
    return false;
  }
  next.SideDistance = *side;
  next.strPmName = edits_[QStringLiteral("strPmName")]->text();
  next.bXYEqual = checks_[QStringLiteral("bXYEqual")]->isChecked() ? 1 : 0;
  next.bXScale = checks_[QStringLiteral("bXScale")]->isChecked() ? 1 : 0;
  next.bUserRange = checks_[QStringLiteral("bUserRange")]->isChecked() ? 1 : 0;
  next.bReverse = checks_[QStringLiteral("bReverse")]->isChecked() ? 1 : 0;
  next.bDistAndHigh = checks_[QStringLiteral("bDistAndHigh")]->isChecked() ? 1 : 0;
  next.bKneePosition = checks_[QStringLiteral("bKneePosition")]->isChecked() ? 1 : 0;
  next.bRemarkPosition = checks_[QStringLiteral("bRemarkPosition")]->isChecked() ? 1 : 0;
  next.bDirection1 = checks_[QStringLiteral("bDirection1")]->isChecked() ? 1 : 0;
  next.bDirection2 = checks_[QStringLiteral("bDirection2")]->isChecked() ? 1 : 0;
  next.Interval = interval_[1]->isChecked() ? 1 : 0;
  next.bLineType = lineType_[1]->isChecked() ? 1 : 0;
  v_ = next;
  return true;
}

void CDrawDlg::RecomputeRange(CDocData& doc) {
  PageRangeRecompute(doc);
  v_.top = doc.dRangeTop;
  v_.bottom = doc.dRangeBottom;
}

void CDrawDlg::OnEditLeft(QLineEdit* edit) {
  const QString name = edit->objectName();
  if (name == QStringLiteral("strPmName")) return;  // taken at every keystroke
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  auto outside = [](double v, double limit) { return v <= 0 || v > limit; };
  if (name == QStringLiteral("XYScale")) {
    if (outside(v_.XYScale, 1e8)) v_.XYScale = 1000;
    doc->XYScale = v_.XYScale;
  } else if (name == QStringLiteral("XScale")) {
    if (outside(v_.XScale, 1e8)) v_.XScale = 500;
    doc->XScale = v_.XScale;
    if (v_.bXYEqual == 1) doc->YScale = v_.YScale = v_.XScale;
  } else if (name == QStringLiteral("YScale")) {
    if (outside(v_.YScale, 1e8)) v_.YScale = 500;
    doc->YScale = v_.YScale;
  } else if (name == QStringLiteral("txtX")) {
    if (v_.txtX <= 0) v_.txtX = 5;
    if (v_.txtX > 1000) v_.txtX = 1000;
    doc->txtX = v_.txtX;
  } else if (name == QStringLiteral("txtY")) {
    if (v_.txtY <= 0) v_.txtY = 5;
    if (v_.txtY > 500) v_.txtY = 500;
    doc->txtY = v_.txtY;
    if (v_.bUserRange == 0) RecomputeRange(*doc);
  } else if (name == QStringLiteral("dUserTop")) {
    doc->dUserTop = v_.top;
    return;
  } else if (name == QStringLiteral("dUserBottom")) {
    doc->dUserBottom = v_.bottom;
    return;
  } else if (name == QStringLiteral("RodWidth")) {
    v_.RodWidth = std::clamp(v_.RodWidth, 0.1, 3.0);
    doc->RodWidth = v_.RodWidth;
  } else if (name == QStringLiteral("SideDistance")) {
    v_.SideDistance = std::min(v_.SideDistance, 10);
    doc->SideDistance = v_.SideDistance;
  }
  PushToControls();
}

void CDrawDlg::OnChecked(QCheckBox* box) {
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  const QString name = box->objectName();
  if (name == QStringLiteral("bXYEqual")) {
    doc->bXYEqual = v_.bXYEqual;
    if (v_.bXYEqual == 1) {
      doc->YScale = v_.YScale = v_.XScale;
      PushToControls();
    }
    UpdateEnabling();
  } else if (name == QStringLiteral("bXScale")) {
    doc->bXScale = v_.bXScale;
    UpdateEnabling();
  } else if (name == QStringLiteral("bUserRange")) {
    doc->bUserRange = v_.bUserRange;
    if (v_.bUserRange == 1) {
      v_.top = doc->dUserTop;
      v_.bottom = doc->dUserBottom;
    } else {
      RecomputeRange(*doc);
    }
    PushToControls();
  } else if (name == QStringLiteral("bReverse")) {
    doc->bReverse = v_.bReverse;
  } else if (name == QStringLiteral("bDistAndHigh")) {
    doc->bDistAndHigh = v_.bDistAndHigh;
  } else if (name == QStringLiteral("bKneePosition")) {
    doc->bKneePosition = v_.bKneePosition;
  } else if (name == QStringLiteral("bRemarkPosition")) {
    doc->bRemarkPosition = v_.bRemarkPosition;
  } else if (name == QStringLiteral("bDirection1")) {
    doc->bDirection1 = v_.bDirection1;
  } else if (name == QStringLiteral("bDirection2")) {
    doc->bDirection2 = v_.bDirection2;
  }
}

void CDrawDlg::OnSpin(QLineEdit* edit, int delta) {
  if (edit->objectName() == QStringLiteral("RodWidth")) {
    double v = LenientNumber(edit->text()) + 0.1 * delta;
    v = delta < 0 ? std::max(v, 0.1) : std::min(v, 3.0);
    edit->setText(QString::asprintf("%.1f", v));
    v_.RodWidth = LenientNumber(edit->text());
  } else {
    int v = static_cast<int>(LenientNumber(edit->text())) + delta;
    v = delta < 0 ? std::max(v, 0) : std::min(v, 10);
    edit->setText(QString::asprintf("%d", v));
    v_.SideDistance = v;
  }
}

void CDrawDlg::OnFrameKind(int index) {
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  // A box fitted earlier is refitted from its extent in millimetres (the paper keeps it),
  // never scaled again from its pixels, and shown at once.
  doc->paperPreview.SetArea(preview_->width(), preview_->height());
  doc->paperPreview.SetFrameType(index);
  preview_->update();
}

void CDrawDlg::OnPreview() {
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr || doc->pointList.empty()) return;
  const geom::Vector2d box = ProfileBoxSize(MakeGeometry(*doc));
  doc->paperPreview.SetArea(preview_->width(), preview_->height());
  doc->paperPreview.SetProfileBox(box.x, box.y);
  doc->paperPreview.SetFrameType(frameList_->currentIndex());
  preview_->update();
}

void CDrawDlg::OnGenerate(bool withFrame) {
  if (!CommitControls()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr || doc->pointList.empty()) return;
  ComputeHighRange(*doc);
  DrawProfileOptions options;
  options.frameFolder = context_.moduleFolder().string();
  DrawProfile(context_.host(), *doc, withFrame && context_.edition() == Edition::Current, options);
}

void CDrawDlg::OnAutoLoad(bool enable) {
  host::Host& host = context_.host();
  host::CommandLine& out = host.commandLine();
  const AutoLoadTarget target{host.services().registryProductRootKey(),
                              host.services().currentProfileName(), context_.moduleFileName()};
  if (enable && target.moduleFileName.empty()) {
    out.print("\n命令:找不到本模块的文件，未启用自动加载\n");
  } else if (enable) {
    out.print(EnableAutoLoad(context_.registry(), target, context_.edition())
                  ? "\n命令:已启用自动加载，下次启动时自动加载本模块\n"
                  : "\n命令:启用自动加载失败\n");
  } else {
    out.print(DisableAutoLoad(context_.registry(), target, context_.edition())
                  ? "\n命令:已取消自动加载\n"
                  : "\n命令:自动加载未启用，无需取消\n");
  }
  out.postPrompt();
}

bool CDrawDlg::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit != nullptr && edits_.count(edit->objectName()) != 0) {
    if (event->type() == QEvent::FocusOut) {
      OnEditLeft(edit);
    } else if (event->type() == QEvent::KeyPress) {
      // The up-down controls take the arrow keys of their edits.
      const int key = static_cast<QKeyEvent*>(event)->key();
      const QString name = edit->objectName();
      if ((key == Qt::Key_Up || key == Qt::Key_Down) &&
          (name == QStringLiteral("RodWidth") || name == QStringLiteral("SideDistance"))) {
        OnSpin(edit, key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CDrawDlg::keyPressEvent(QKeyEvent* event) {
  if (ui::swallowDialogKey(event)) return;
  QWidget::keyPressEvent(event);
}

int CDrawDlg::MaxScroll() const { return std::max(0, contentHeight_ - pageHeight_); }
int CDrawDlg::LineStep() const { return std::max(5, (contentHeight_ - pageHeight_) / 20); }
int CDrawDlg::PageStep() const { return std::max(5, (contentHeight_ - pageHeight_) / 10); }

void CDrawDlg::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta < 0 && scrollPos_ < MaxScroll()) {
    scrollBar_->setValue(std::min(scrollPos_ + LineStep(), MaxScroll()));
  } else if (delta > 0 && scrollPos_ > 0) {
    scrollBar_->setValue(std::max(scrollPos_ - LineStep(), 0));
  }
  event->accept();
}

void CDrawDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutContent();
}

int CDrawDlg::ContentHeightFor(int width) const {
  QLayout* layout = content_->layout();
  const int least = layout->totalMinimumSize().height();
  if (!layout->hasHeightForWidth()) return std::max(least, layout->totalSizeHint().height());
  return std::max(least, layout->totalHeightForWidth(width));
}

void CDrawDlg::LayOutContent() {
  // The content takes the page's width, less the scroll bar's when it does not fit the
  // page's height, but never less than its rows need; its height follows from the width
  // (the preview keeps its proportions).
  const int least = content_->layout()->totalMinimumSize().width();
  int w = std::max(width(), least);
  int h = ContentHeightFor(w);
  if (h > height()) {
    w = std::max(width() - scrollBar_->sizeHint().width(), least);
    h = ContentHeightFor(w);
  }
  contentHeight_ = h;
  pageHeight_ = height();
  content_->setGeometry(0, -scrollPos_, w, h);
  UpdateScrollBar();
}

void CDrawDlg::UpdateScrollBar() {
  const int end = MaxScroll();
  scrollBar_->setGeometry(width() - scrollBar_->sizeHint().width(), 0,
                          scrollBar_->sizeHint().width(), height());
  scrollBar_->setVisible(end > 0);
  scrollBar_->setRange(0, end);
  scrollBar_->setPageStep(std::max(1, pageHeight_));
  scrollBar_->setSingleStep(LineStep());
  // The position stays where it was unless the end moved above it.
  ScrollTo(std::min(scrollPos_, end));
  scrollBar_->setValue(scrollPos_);
}

void CDrawDlg::ScrollTo(int position) {
  scrollPos_ = std::clamp(position, 0, MaxScroll());
  content_->move(0, -scrollPos_);
}

}  // namespace ruvo
