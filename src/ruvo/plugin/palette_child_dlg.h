#pragma once
// The dialog that fills the palette: the tab control with the data page and the drawing
// page, and under them one row of four buttons and two labels.

#include <QWidget>

#include "ruvo/pages/data_dlg.h"
#include "ruvo/pages/draw_dlg.h"
#include "ruvo/plugin/tab_sheet.h"

class QLabel;
class QPushButton;

namespace ruvo {

class PageContext;

inline constexpr const char* kPaletteCaption = "Kestra切剖面";

class CMyPaletteChildDlg final : public QWidget {
  Q_OBJECT
 public:
  // Control identifiers of the dialog's layout.
  enum ControlId : int {
    IDC_SAVESETTINGS = 100,
    IDC_TAB = 102,
    IDC_IMPORT = 103,
    IDC_SAVEDATA = 104,
    IDC_TITLE = 133,
    IDC_VERSION = 134,
    IDC_DRAW = 137,
  };
  static constexpr int kDataTemplate = 104;
  static constexpr int kDrawTemplate = 105;

  explicit CMyPaletteChildDlg(PageContext& context, QWidget* parent = nullptr);
  ~CMyPaletteChildDlg() override;
  CMyPaletteChildDlg(const CMyPaletteChildDlg&) = delete;
  CMyPaletteChildDlg& operator=(const CMyPaletteChildDlg&) = delete;

  // Adds both pages to the tab control and shows the first.
  bool OnInitDialog();
  // The child layout for a palette of this size: the tab control takes all but a 5-pixel
  // margin, the buttons and labels stay in one row 6 pixels above the bottom edge.
  void LayoutControls(int width, int height);

  CTabSheet& tabSheet() { return m_tab; }
  CDataDlg& dataPage() { return m_dataDlg; }
  CDrawDlg& drawPage() { return m_drawDlg; }
  QWidget* control(int id) const;

  // The host's keep-focus query: the pages are typed into while the user looks at the
  // drawing, so the keyboard focus stays when the pointer leaves the palette.
  bool KeepFocus() const { return true; }

  // Reloads both pages from the current document's record.
  void RefreshPages();

  // The buttons' work.
  void OnImport();
  void OnSaveData();
  void OnDraw();
  void OnSaveSettings();

 signals:
  // A page was reloaded from the current document's record (0 data page, 1 drawing page).
  void pageRefreshed(int index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnSelChange(int index);
  void refreshPage(int index);
  QPushButton* addButton(int id, const char* text, const char* name, int x);

  PageContext& context_;
  CTabSheet m_tab;
  CDataDlg m_dataDlg;
  CDrawDlg m_drawDlg;
  QPushButton* import_ = nullptr;
  QPushButton* saveData_ = nullptr;
  QPushButton* draw_ = nullptr;
  QPushButton* saveSettings_ = nullptr;
  QLabel* title_ = nullptr;
  QLabel* version_ = nullptr;
};

}  // namespace ruvo
