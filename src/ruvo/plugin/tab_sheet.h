#pragma once
// The tab control of the palette: a row of tabs over up to 16 page widgets that it places
// and shows itself, one page at a time.

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

class QTabBar;

namespace ruvo {

class CTabSheet final : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxPages = 16;

  explicit CTabSheet(QWidget* parent = nullptr);
  ~CTabSheet() override;
  CTabSheet(const CTabSheet&) = delete;
  CTabSheet& operator=(const CTabSheet&) = delete;

  // The page is not owned. False when 16 pages are held already.
  bool AddPage(const QString& title, QWidget* page, std::uint32_t templateId);
  // Puts every page under the tab control with its tab, shows page 0, hides the rest.
  void ShowPages();
  // Places every page below the tab row; page 0 is shown, the others hidden.
  void LayoutPages();
  // Shows page `index` and selects its tab; the previous index, or -1 for an index out of
  // range. Choosing a page this way is not a user's choice: selectionChanged stays silent.
  int SetCurPage(int index);

  int curPage() const { return m_nCurrentPage; }
  int pageCount() const { return m_nNumOfPages; }
  QWidget* page(int index) const;
  std::uint32_t templateId(int index) const;
  QTabBar* tabBar() const { return bar_; }
  // Where the pages go, in this widget's coordinates.
  QRect pageRect() const;

 signals:
  // The user chose another tab (by mouse or keyboard); that page is shown already.
  void selectionChanged(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void userChoseTab(int index);
  void placeTabBar();

  QTabBar* bar_ = nullptr;
  std::array<QString, kMaxPages> m_Title{};
  std::array<QWidget*, kMaxPages> m_pPages{};
  std::array<std::uint32_t, kMaxPages> m_IDD{};
  int m_nNumOfPages = 0;
  int m_nCurrentPage = 0;
  bool selecting_ = false;
};

}  // namespace ruvo
