#pragma once
// The palette's second page: scales, elevation range, options, frame preview, drawing.
//
// The page keeps copies of the current document's drawing settings; every change a control
// makes goes into the document at once, and LoadFromDocument brings the copies up to date.

#include <QString>
#include <QWidget>
#include <functional>
#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace ruvo {

class CDocData;
class PageContext;

class CDrawDlg final : public QWidget {
  Q_OBJECT
 public:
  explicit CDrawDlg(PageContext& context, QWidget* parent = nullptr);
  ~CDrawDlg() override;
  CDrawDlg(const CDrawDlg&) = delete;
  CDrawDlg& operator=(const CDrawDlg&) = delete;

  // Shows the current document's record.
  void LoadFromDocument();

  // Scrolling state in pixels: the height of everything on the page, the visible height
  // and the current position.
  int contentHeight() const { return contentHeight_; }
  int pageHeight() const { return pageHeight_; }
  int scrollPosition() const { return scrollPos_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The values exchanged with the controls.
  struct Values {
    double XYScale = 1000, XScale = 500, YScale = 500;
    int bXYEqual = 1, bXScale = 0;
    double txtX = 5, txtY = 5;
    int bUserRange = 0;
    double top = 10, bottom = 0;  // edits 122 and 123
    QString strPmName;
    int bLineType = 0, bReverse = 0, bDistAndHigh = 1, bKneePosition = 0, bRemarkPosition = 0;
    int bDirection1 = 0, bDirection2 = 0;
    double RodWidth = 1.5;
    int Interval = 0;
    int SideDistance = 5;
  };

  void BuildControls();
  void PushToControls();
  // Reads every control into the page's values; a text that is no number (or a side
  // distance outside 0..10) is refused with a prompt, and the values stay as they were.
  bool CommitControls();
  void Refuse(const char* prompt);
  void UpdateEnabling();
  void ShowRange(const CDocData& doc);
  void RecomputeRange(CDocData& doc);

  void OnEditLeft(QLineEdit* edit);
  void OnChecked(QCheckBox* box);
  void OnSpin(QLineEdit* edit, int delta);
  void OnFrameKind(int index);
  void OnPreview();
  void OnGenerate(bool withFrame);
  void OnAutoLoad(bool enable);

  int LineStep() const;
  int PageStep() const;
  int MaxScroll() const;
  void ScrollTo(int position);
  void UpdateScrollBar();
  // Sizes the content to the page: its width, and the height the rows need at that width.
  void LayOutContent();
  int ContentHeightFor(int width) const;

  PageContext& context_;
  Values v_;
  QWidget* content_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  std::map<QString, QLineEdit*> edits_;
  std::map<QString, QCheckBox*> checks_;
  QRadioButton* interval_[2] = {};
  QRadioButton* lineType_[2] = {};
  QLabel* rangeDiff_ = nullptr;
  QLabel* rangeTop_ = nullptr;
  QLabel* rangeBottom_ = nullptr;
  QComboBox* frameList_ = nullptr;
  QWidget* preview_ = nullptr;
  int contentHeight_ = 610;
  int pageHeight_ = 610;
  int scrollPos_ = 0;
  bool pushing_ = false;
  bool prompting_ = false;
};

}  // namespace ruvo
