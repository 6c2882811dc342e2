#include "tabulix/tabulix_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/check_combo_box.h"
#include "controls/header_ctrl_ex.h"
#include "controls/list_ctrl_ex.h"
#include "tabulix/about_dlg.h"

namespace tabulix {

namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string s(const QString& text) { return text.toStdString(); }

const char* const kHelpText =
    "    在Kestra切剖面软件中输入注释时，可自定义设置特定代码代表不同的注释说明。\n"
    "    如输入“L”自动显示为“公路”，其中“L”为自定义的代码。\n"
    "    输入的代码只能是一位或两位的字母，使用时不区分大小写。\n"
    "    代码限定10组。";

QPushButton* Button(const char* text, QWidget* parent) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setAutoDefault(false);  // Enter belongs to no button in this window
  return b;
}

}  // namespace

CTabulixDlg::CTabulixDlg(const ruvo::SettingsFileLocation& ini, QWidget* parent)
    : QDialog(parent), ini_(ini) {
  askOpen_ = [](QWidget* owner) {
    return QFileDialog::getOpenFileName(owner, QString(), QString(),
                                        QStringLiteral("Data File(*.txt)"));
  };
  askSave_ = [](QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(
        {QString::fromUtf8("Excel文件(*.csv)"), QStringLiteral("Data File(*.txt)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QString::fromUtf8("数据文件.csv"));
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().front()
               : QString();
  };
  messageBox_ = [](QWidget* owner, const QString& text) {
    QMessageBox::warning(owner, QStringLiteral("Tabulix"), text);
  };
  buildWindow();
  LoadSettings();
  BuildColumns();
  table_->SetRowHeight(22);
  displayMode_->addItems({QString::fromUtf8("仅显示交点"), QString::fromUtf8("显示交点与拐点"),
                          QString::fromUtf8("仅显示拐点")});
  codeList_->InsertColumn(0, QString::fromUtf8("序号"), Qt::AlignHCenter, 45);
  codeList_->InsertColumn(1, QString::fromUtf8("代码"), Qt::AlignHCenter, 50);
  codeList_->InsertColumn(2, QString::fromUtf8("注释"), Qt::AlignHCenter,
                          std::max(codeList_->width() - 100, 80));
  codeList_->SetRowHeight(20);
  codeList_->horizontalHeader()->setStretchLastSection(true);
  codeList_->SetColumnReadOnly(0, 1);
  codeList_->SetColumnFilter(1, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  BringToTenPairs(settings_.codeTable);
  FillCodeList();
  writeControls();
  connectEvents();
}

void CTabulixDlg::buildWindow() {
  setWindowTitle(QString::fromUtf8("Kestra切剖面辅助工具V1.5"));
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
  setSizeGripEnabled(true);

  // The home platform puts "about" into the window's system menu; a Linux window manager
  // offers none to the program, so it sits in a Help menu of the window's own menu bar.
  auto* menus = new QMenuBar(this);
  QMenu* help = menus->addMenu(QString::fromUtf8("帮助(&H)"));
  help->addAction(QString::fromUtf8("关于 Tabulix(&A)..."), this, &CTabulixDlg::ShowAbout);

  auto* tools = new QGroupBox(QString::fromUtf8("数据导出工具"), this);
  auto* open = Button("打开数据文件", tools);
  open->setObjectName(QStringLiteral("open"));
  renumber_box_ = new QCheckBox(QString::fromUtf8("重新编号"), tools);
  reverse_box_ = new QCheckBox(QString::fromUtf8("反向列表"), tools);
  decimals_ = new QSpinBox(tools);
  auto* exportButton = Button("数据导出", tools);
  exportButton->setObjectName(QStringLiteral("export"));
  columnCount_ = new QSpinBox(tools);
  displayMode_ = new QComboBox(tools);
  layers_ = new controls::CCheckComboBox(tools);
  auto* filter = Button("图层筛选", tools);
  filter->setObjectName(QStringLiteral("filter"));
  // Out-of-range numbers may be typed; they are clamped, as the box always was.
  for (QSpinBox* box : {decimals_, columnCount_}) {
    box->setRange(-99, 99);
    box->setKeyboardTracking(false);
  }
  auto* top = new QHBoxLayout;
  top->addWidget(open);
  top->addWidget(renumber_box_);
  top->addWidget(reverse_box_);
  top->addWidget(new QLabel(QString::fromUtf8("小数点位数"), tools));
  top->addWidget(decimals_);
  top->addStretch(1);
  top->addWidget(exportButton);
  auto* second = new QHBoxLayout;
  second->addWidget(new QLabel(QString::fromUtf8("显示数据列数"), tools));
  second->addWidget(columnCount_);
  second->addWidget(displayMode_);
  second->addWidget(layers_, 1);
  second->addWidget(filter);
  auto* toolsLayout = new QVBoxLayout(tools);
  toolsLayout->addLayout(top);
  toolsLayout->addLayout(second);

  table_ = new controls::CListCtrlEx(this, controls::ListOptions::ExportTable());
  table_->setObjectName(QStringLiteral("table"));
  auto* left = new QVBoxLayout;
  left->addWidget(tools);
  left->addWidget(table_, 1);

  auto* codes = new QGroupBox(QString::fromUtf8("代码编辑"), this);
  auto* helpText = new QLabel(QString::fromUtf8(kHelpText), codes);
  helpText->setWordWrap(true);
  auto* codesLayout = new QVBoxLayout(codes);
  codesLayout->addWidget(helpText);
  codeList_ = new controls::CListCtrlEdit(this);
  codeList_->setObjectName(QStringLiteral("codes"));
  auto* apply = Button("应 用", this);
  apply->setObjectName(QStringLiteral("apply"));
  auto* right = new QVBoxLayout;
  right->addWidget(codes);
  right->addWidget(codeList_, 1);
  right->addWidget(apply);
  right->addSpacing(12);
  right->addWidget(new QLabel(QString::fromUtf8("Korvane软件"), this));
  right->addWidget(new QLabel(QString::fromUtf8("Kestra切剖面辅助工具"), this));

  auto* rightBox = new QWidget(this);
  rightBox->setLayout(right);
  rightBox->setFixedWidth(260);
  right->setContentsMargins(0, 0, 0, 0);
  auto* main = new QHBoxLayout(this);
  main->setMenuBar(menus);
  main->addLayout(left, 1);
  main->addWidget(rightBox);
  resize(900, 580);

  connect(open, &QPushButton::clicked, this, &CTabulixDlg::OpenDataFile);
  connect(exportButton, &QPushButton::clicked, this, &CTabulixDlg::ExportTable);
  connect(filter, &QPushButton::clicked, this, &CTabulixDlg::FilterLayers);
  connect(apply, &QPushButton::clicked, this, &CTabulixDlg::ApplyCodeTable);
}

void CTabulixDlg::connectEvents() {
  connect(renumber_box_, &QCheckBox::clicked, this, [this](bool on) {
    settings_.renumber = on ? 1 : 0;
    FillTable();
  });
  connect(reverse_box_, &QCheckBox::clicked, this, [this](bool on) {
    reverse_ = on;
    FillTable();
  });
  connect(columnCount_, &QSpinBox::valueChanged, this, &CTabulixDlg::columnCountChanged);
  connect(decimals_, &QSpinBox::valueChanged, this, &CTabulixDlg::decimalsChanged);
  connect(displayMode_, &QComboBox::activated, this, [this](int index) {
    settings_.displayMode = index;
    FillTable();
  });
  connect(table_, &controls::CListCtrlEx::headerChoiceMade, this, &CTabulixDlg::headerChosen);
  connect(codeList_, &QTableWidget::cellClicked, this,
          [this](int row, int column) { codeList_->EditSubItem(row, column); });
}

void CTabulixDlg::setFileQuestions(FileQuestion open, FileQuestion save) {
  askOpen_ = std::move(open);
  askSave_ = std::move(save);
}

void CTabulixDlg::setMessageBox(MessageBox box) { messageBox_ = std::move(box); }

void CTabulixDlg::tell(const QString& text) { messageBox_(this, text); }

void CTabulixDlg::writeControls() {
  filling_ = true;
  columnCount_->setValue(settings_.columnCount);
  decimals_->setValue(settings_.decimals);
  displayMode_->setCurrentIndex(settings_.displayMode);
  renumber_box_->setChecked(settings_.renumber != 0);
  reverse_box_->setChecked(reverse_);
  filling_ = false;
}

void CTabulixDlg::columnCountChanged(int value) {
  if (filling_) return;
  settings_.columnCount = ClampColumnCount(value);
  if (value != settings_.columnCount) {
    const QSignalBlocker quiet(columnCount_);
    columnCount_->setValue(settings_.columnCount);
  }
  FillTable();
}

void CTabulixDlg::decimalsChanged(int value) {
  if (filling_) return;
  const int old = settings_.decimals;
  settings_.decimals = ClampDecimals(value);
  if (value != settings_.decimals) {
    const QSignalBlocker quiet(decimals_);
    decimals_->setValue(settings_.decimals);
  }
  if (settings_.decimals != old) FillTable();
}

void CTabulixDlg::headerChosen(int column, const QString& text) {
  if (column < 1 || column > kFieldCount) return;
  settings_.titles[static_cast<std::size_t>(column - 1)] = s(text);
  FillTable();
}

void CTabulixDlg::LoadSettings() {
  tabulix::LoadSettings(ini_.read, settings_);
  if (table_) writeControls();
}

bool CTabulixDlg::SaveSettings() {
  return ruvo::PrepareSettingsWrite(ini_) && tabulix::SaveSettings(ini_.write, settings_);
}

void CTabulixDlg::LoadCodeTable() {
  settings_.codeTable = tabulix::LoadCodeTable(ini_.read);
  BringToTenPairs(settings_.codeTable);
}

void CTabulixDlg::FillCodeList() {
  codeList_->DeleteAllItems();
  for (std::size_t i = 0; i < settings_.codeTable.size(); ++i) {
    const int row = codeList_->InsertItem(static_cast<int>(i), QString::number(i + 1));
    codeList_->SetItemText(row, 1, q(settings_.codeTable[i].first));
    codeList_->SetItemText(row, 2, q(settings_.codeTable[i].second));
  }
  codeList_->AutoSizeColumns();
}

void CTabulixDlg::ApplyCodeTable() {
  std::vector<CodePair> rows;
  for (int row = 0; row < codeList_->GetItemCount() && row < kCodePairs; ++row) {
    rows.emplace_back(s(codeList_->GetItemText(row, 1)), s(codeList_->GetItemText(row, 2)));
  }
  settings_.codeTable = tabulix::ApplyCodeTable(rows);
  FillCodeList();
}

void CTabulixDlg::BuildColumns() {
  table_->DeleteAllColumns();
  table_->InsertColumn(0, QString::fromUtf8("序号"), Qt::AlignHCenter, 40);
  const int n = ClampColumnCount(settings_.columnCount);
  for (int j = 1; j <= n; ++j) {
    table_->InsertColumn(j, q(settings_.titles[static_cast<std::size_t>(j - 1)]), Qt::AlignHCenter,
                         80);
  }
  QStringList choices;
  for (std::string_view title : kDefaultTitles) choices << q(title);
  table_->SetHeaderChoices(choices.join(QLatin1Char('\n')));
}

void CTabulixDlg::FillTable() {
  BuildColumns();
  shown_ = tabulix::FillTable(data_.points, TableView::FromSettings(settings_, reverse_));
  table_->setUpdatesEnabled(false);
  table_->setRowCount(static_cast<int>(shown_.rows.size()));
  for (std::size_t r = 0; r < shown_.rows.size(); ++r) {
    const auto& row = shown_.rows[r];
    for (std::size_t c = 0; c < row.size(); ++c) {
      table_->SetItemText(static_cast<int>(r), static_cast<int>(c), q(row[c]));
    }
  }
  table_->setUpdatesEnabled(true);
  table_->AutoSizeColumns();
}

void CTabulixDlg::FillLayerList() {
  layers_->ResetContent();
  layers_->ClearText();
  for (const std::string& layer : data_.layers) layers_->AddString(q(layer));
  layers_->CheckAll(true);
}

void CTabulixDlg::OpenDataFile() {
  const QString file = askOpen_(this);
  if (!file.isEmpty()) OpenDataFileFrom(file);
}

bool CTabulixDlg::OpenDataFileFrom(const QString& file) {
  const ruvo::DataFileResult result =
      tabulix::OpenDataFile(std::filesystem::path(file.toStdString()), data_);
  if (!result.ok()) {
    tell(q(result.message));
    return false;
  }
  FillTable();
  FillLayerList();
  return true;
}

void CTabulixDlg::FilterLayers() {
  std::vector<std::string> ticked;
  for (const QString& name : layers_->CheckedTexts()) ticked.push_back(s(name));
  ApplyLayerFilter(data_.points, ticked);
  FillTable();
}

void CTabulixDlg::ExportTable() {
  if (shown_.rows.empty() || shown_.headers.size() < 2) return;
  const QString file = askSave_(this);
  if (file.isEmpty()) return;
  if (tabulix::ExportTable(shown_, std::filesystem::path(file.toStdString())) ==
      ExportStatus::CannotWrite) {
    tell(QString::fromUtf8("保存文件失败"));
  }
}

void CTabulixDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CTabulixDlg::keyPressEvent(QKeyEvent* event) {
  // The window closes only through its close button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CTabulixDlg::done(int result) {
  // Settings used to vanish without a word where the file could not be written.
  if (!SaveSettings()) {
    tell(QString::fromUtf8("设置未能保存: ") + QString::fromStdString(ini_.write.string()));
  }
  QDialog::done(result);
}

}  // namespace tabulix
