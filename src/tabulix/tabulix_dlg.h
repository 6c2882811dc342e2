#pragma once
// The export tool's window: open a section data file, choose the table's columns by their
// headers, filter layers, export the table, and edit the remark codes.

#include <QDialog>
#include <filesystem>
#include <functional>

#include "ruvo/section/settings_file.h"
#include "tabulix/table.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace controls {
class CCheckComboBox;
class CListCtrlEdit;
class CListCtrlEx;
}  // namespace controls

namespace tabulix {

class CTabulixDlg final : public QDialog {
  Q_OBJECT
 public:
  // Asks for a file name; an empty answer is a cancel.
  using FileQuestion = std::function<QString(QWidget* parent)>;
  // Shows a message box.
  using MessageBox = std::function<void(QWidget* parent, const QString& text)>;

  CTabulixDlg(const ruvo::SettingsFileLocation& ini, QWidget* parent);
  CTabulixDlg(const CTabulixDlg&) = delete;
  CTabulixDlg& operator=(const CTabulixDlg&) = delete;

  // Replaces the desktop's file dialogs and message boxes (scripts and tests).
  void setFileQuestions(FileQuestion open, FileQuestion save);
  void setMessageBox(MessageBox box);
  const MessageBox& messageBox() const { return messageBox_; }

  void LoadSettings();
  bool SaveSettings();
  void LoadCodeTable();
  void ApplyCodeTable();
  void FillCodeList();
  void BuildColumns();
  void FillTable();
  void FillLayerList();
  // Asks for a data file and reads it; a refusal leaves the table as it was.
  void OpenDataFile();
  bool OpenDataFileFrom(const QString& file);
  void ExportTable();
  void FilterLayers();
  void ShowAbout();

  const TabulixSettings& settings() const { return settings_; }
  bool reversed() const { return reverse_; }
  controls::CListCtrlEx* table() const { return table_; }
  controls::CListCtrlEdit* codeList() const { return codeList_; }
  controls::CCheckComboBox* layerChooser() const { return layers_; }
  QSpinBox* decimalsBox() const { return decimals_; }
  QSpinBox* columnCountBox() const { return columnCount_; }
  QComboBox* displayModeList() const { return displayMode_; }
  QCheckBox* reverseBox() const { return reverse_box_; }

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildWindow();
  void connectEvents();
  void writeControls();
  void columnCountChanged(int value);
  void decimalsChanged(int value);
  void headerChosen(int column, const QString& text);
  void tell(const QString& text);

  ruvo::SettingsFileLocation ini_;
  TabulixSettings settings_;
  bool reverse_ = false;
  TabulixData data_;
  Table shown_;
  FileQuestion askOpen_;
  FileQuestion askSave_;
  MessageBox messageBox_;
  bool filling_ = false;

  controls::CListCtrlEx* table_ = nullptr;
  controls::CListCtrlEdit* codeList_ = nullptr;
  controls::CCheckComboBox* layers_ = nullptr;
  QSpinBox* decimals_ = nullptr;
  QSpinBox* columnCount_ = nullptr;
  QComboBox* displayMode_ = nullptr;
  QCheckBox* renumber_box_ = nullptr;
  QCheckBox* reverse_box_ = nullptr;
};

}  // namespace tabulix
