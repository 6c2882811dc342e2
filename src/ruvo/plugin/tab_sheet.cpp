#include "ruvo/plugin/tab_sheet.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace ruvo {

CTabSheet::CTabSheet(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CTabSheet"));
  bar_ = new QTabBar(this);
  bar_->setObjectName(QStringLiteral("tabBar"));
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  connect(bar_, &QTabBar::currentChanged, this, &CTabSheet::userChoseTab);
}

CTabSheet::~CTabSheet() = default;

bool CTabSheet::AddPage(const QString& title, QWidget* page, std::uint32_t templateId) {
  if (m_nNumOfPages >= kMaxPages || page == nullptr) return false;
  const auto i = static_cast<std::size_t>(m_nNumOfPages);
  m_Title[i] = title;
  m_pPages[i] = page;
  m_IDD[i] = templateId;
  ++m_nNumOfPages;
  return true;
}

QWidget* CTabSheet::page(int index) const {
  if (index < 0 || index >= m_nNumOfPages) return nullptr;
  return m_pPages[static_cast<std::size_t>(index)];
}

std::uint32_t CTabSheet::templateId(int index) const {
  if (index < 0 || index >= m_nNumOfPages) return 0;
  return m_IDD[static_cast<std::size_t>(index)];
}

void CTabSheet::ShowPages() {
  selecting_ = true;
  for (int i = 0; i < m_nNumOfPages; ++i) {
    QWidget* p = m_pPages[static_cast<std::size_t>(i)];
    if (p->parentWidget() != this) p->setParent(this);
    bar_->addTab(m_Title[static_cast<std::size_t>(i)]);
    p->setVisible(i == 0);
  }
  bar_->setCurrentIndex(0);
  m_nCurrentPage = 0;
  selecting_ = false;
  placeTabBar();
  LayoutPages();
}

QRect CTabSheet::pageRect() const {
  // Right and bottom edges counted exclusive, as the tab item's rectangle gives them.
  const QRect item = bar_->count() > 0 ? bar_->tabRect(0).translated(bar_->pos()) : QRect();
  const int itemBottom = item.y() + item.height();
  return QRect(item.left(), itemBottom + 1, width() - item.left() - 2, height() - itemBottom - 3);
}

void CTabSheet::LayoutPages() {
  const QRect r = pageRect();
  for (int i = 0; i < m_nNumOfPages; ++i) {
    QWidget* p = m_pPages[static_cast<std::size_t>(i)];
    p->setGeometry(r);
    p->setVisible(i == 0);
  }
}

int CTabSheet::SetCurPage(int index) {
  if (index < 0 || index >= m_nNumOfPages) return -1;
  const int previous = m_nCurrentPage;
  if (index != m_nCurrentPage) {
    if (QWidget* old = page(m_nCurrentPage)) old->hide();
    m_nCurrentPage = index;
    page(index)->show();
    selecting_ = true;
    bar_->setCurrentIndex(index);
    selecting_ = false;
  }
  return previous;
}

void CTabSheet::userChoseTab(int index) {
  if (selecting_ || index < 0 || index >= m_nNumOfPages) return;
  if (index != m_nCurrentPage) {
    if (QWidget* old = page(m_nCurrentPage)) old->hide();
    m_nCurrentPage = index;
    page(index)->show();
  }
  emit selectionChanged(index);
}

void CTabSheet::placeTabBar() {
  const QSize hint = bar_->sizeHint();
  bar_->setGeometry(0, 0, std::min(hint.width(), width()), hint.height());
}

void CTabSheet::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeTabBar();
  // Visibility stays as the user left it.
  const QRect r = pageRect();
  for (int i = 0; i < m_nNumOfPages; ++i) m_pPages[static_cast<std::size_t>(i)]->setGeometry(r);
}

void CTabSheet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  frame.rect = rect().adjusted(0, bar_->height() - 1, 0, 0);
  frame.shape = QTabBar::RoundedNorth;
  frame.tabBarSize = bar_->size();
  frame.tabBarRect = bar_->geometry();
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

}  // namespace ruvo
