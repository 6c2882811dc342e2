#pragma once
// The palette's first page: getting the section points and editing them.
//
// The page holds no section data: the list shows the current document's points and every
// change goes straight into that document's record. A row names its point only through its
// "No" column (the list shows a subset of the points).

#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace controls {
class CCheckComboBox;
class CListCtrlEx;
}  // namespace controls

namespace ruvo {

class CDocData;
class PageContext;

class CDataDlg final : public QWidget {
  Q_OBJECT
 public:
  explicit CDataDlg(PageContext& context, QWidget* parent = nullptr);
  ~CDataDlg() override;
  CDataDlg(const CDataDlg&) = delete;
  CDataDlg& operator=(const CDataDlg&) = delete;

  // Shows the current document's record.
  void RefreshFromDocument();
  void FillPointList();
  void FillLayerList();
  // The remark codes of the export tool's settings file beside the module.
  void LoadRemarkCodes();
  // Centres the view on the row's point and marks it with a cross until the next redraw.
  void LocatePoint(int row);

  // The list's column indices.
  enum Column { kNo = 0, kHigh = 1, kDelete = 2, kNote = 3, kMark = 4, kLayer = 5 };

  const std::map<std::string, std::string>& remarkCodes() const { return codes_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Values {
    double dIncrement = 0;
    int bIncrement = 0;
    double FilterHMax = 9000, FilterHMin = 1;
    int FilterHeight = 0, AutoAssign = 1, bSetHigh = 0;
  };

  void BuildControls();
  // The columns' shares of the list's width follow the list when it changes size.
  void FitColumns(int oldWidth, int newWidth);
  void PushToControls();
  bool CommitControls();
  void Acquire(int mode);
  void AddPoint();
  void FilterLayers();
  void OnSpin(QLineEdit* edit, int delta);
  void OnEditLeft(QLineEdit* edit);
  void OnChecked(QCheckBox* box);
  void OnCellClicked(int row, int column);
  void OnCellDoubleClicked(int row, int column);
  void OnEndEdit(int row, int column, const QString& text);
  void OnListKey(int key);
  // The point index of a row, or -1 when the row names no point of the current document.
  int PointIndex(int row) const;

  class ListPoints;

  // Each column's share of the list's width, in 240ths.
  static constexpr int kColumnShares[6] = {25, 50, 25, 50, 25, 50};
  static constexpr int kColumnShareSum = 240;
  // The list's width until the page is first laid out.
  static constexpr int kInitialListWidth = 270;

  PageContext& context_;
  Values v_;
  std::map<std::string, std::string> codes_;  // code -> remark, compared case-sensitively
  std::map<QString, QLineEdit*> edits_;
  std::map<QString, QCheckBox*> checks_;
  controls::CCheckComboBox* layers_ = nullptr;
  controls::CListCtrlEx* list_ = nullptr;
  std::unique_ptr<ListPoints> listPoints_;
  QComboBox* displayMode_ = nullptr;
  QPushButton* addPoint_ = nullptr;
  bool prompting_ = false;
};

}  // namespace ruvo
