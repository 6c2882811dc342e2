#include "ruvo/plugin/palette_child_dlg.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "platform/host/command_line.h"
#include "platform/host/host.h"
#include "platform/host/user_interface.h"
#include "platform/ui/dialog_keys.h"
#include "platform/win/registry.h"
#include "ruvo/drawing/draw_profile.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/pages/page_context.h"
#include "ruvo/section/data_file.h"
#include "ruvo/settings/settings_store.h"

namespace ruvo {

namespace {

// The dialog's layout is given in dialog units of its 8-point font; these are the pixels
// of one unit at the usual screen resolution.
int dluX(int units) { return units * 6 / 4; }
int dluY(int units) { return units * 13 / 8; }
QRect dluRect(int x, int y, int w, int h) { return QRect(dluX(x), dluY(y), dluX(w), dluY(h)); }

constexpr const char* kSaveFilters = "Data File(*.txt);;Excel文件(*.csv)";
constexpr const char* kOpenFilter = "Data File(*.txt)";

// The desktop's own file dialog, modal over the palette; an empty path when cancelled.
std::filesystem::path chooseSectionFile(QWidget* parent, bool save) {
  QFileDialog dialog(parent);
  dialog.setObjectName(save ? QStringLiteral("saveSectionFile")
                            : QStringLiteral("openSectionFile"));
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QString::fromUtf8(kSaveFilters).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(QStringLiteral("数据文件.txt"));
    // The suffix follows the type the user picks; the content stays the same text.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
      dialog.setDefaultSuffix(f.contains(QStringLiteral("csv")) ? QStringLiteral("csv")
                                                                : QStringLiteral("txt"));
    });
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromUtf8(kOpenFilter));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

void report(host::Host& host, const DataFileResult& result) {
  for (const std::string& note : result.notes) host.commandLine().print(note);
  if (!result.ok() && !result.message.empty()) {
    host.userInterface().messageBox(result.message, kPaletteCaption, host::MessageBoxButtons::Ok,
                                    host::MessageBoxIcon::Warning);
  }
}

}  // namespace

CMyPaletteChildDlg::CMyPaletteChildDlg(PageContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      m_tab(this),
      m_dataDlg(context, &m_tab),
      m_drawDlg(context, &m_tab) {
  setObjectName(QStringLiteral("CMyPaletteChildDlg"));
  m_tab.setGeometry(dluRect(5, 5, 205, 262));
  import_ = addButton(IDC_IMPORT, "导入", "btnImport", 5);
  saveData_ = addButton(IDC_SAVEDATA, "存数据", "btnSaveData", 37);
  draw_ = addButton(IDC_DRAW, "成图", "btnDraw", 69);
  saveSettings_ = addButton(IDC_SAVESETTINGS, "存设置", "btnSaveSettings", 101);
  title_ = new QLabel(QString::fromUtf8(kPaletteCaption), this);
  title_->setObjectName(QStringLiteral("labelTitle"));
  title_->setGeometry(dluRect(136, 269, 59, 9));
  version_ = new QLabel(
      context.edition() == Edition::Legacy ? QStringLiteral("V4.1") : QStringLiteral("V4.3"), this);
  version_->setObjectName(QStringLiteral("labelVersion"));
  version_->setGeometry(dluRect(142, 279, 47, 10));
  connect(import_, &QPushButton::clicked, this, &CMyPaletteChildDlg::OnImport);
  connect(saveData_, &QPushButton::clicked, this, &CMyPaletteChildDlg::OnSaveData);
  connect(draw_, &QPushButton::clicked, this, &CMyPaletteChildDlg::OnDraw);
  connect(saveSettings_, &QPushButton::clicked, this, &CMyPaletteChildDlg::OnSaveSettings);
  connect(&m_tab, &CTabSheet::selectionChanged, this, &CMyPaletteChildDlg::OnSelChange);
  resize(dluX(215), dluY(293));
}

CMyPaletteChildDlg::~CMyPaletteChildDlg() = default;

QPushButton* CMyPaletteChildDlg::addButton(int id, const char* text, const char* name, int x) {
  auto* button = new QPushButton(QString::fromUtf8(text), this);
  button->setObjectName(QString::fromLatin1(name));
  button->setProperty("controlId", id);
  button->setAutoDefault(false);
  button->setGeometry(dluRect(x, 270, 32, 17));
  return button;
}

QWidget* CMyPaletteChildDlg::control(int id) const {
  switch (id) {
    case IDC_SAVESETTINGS:
      return saveSettings_;
    case IDC_TAB:
      return const_cast<CTabSheet*>(&m_tab);
    case IDC_IMPORT:
      return import_;
    case IDC_SAVEDATA:
      return saveData_;
    case IDC_TITLE:
      return title_;
    case IDC_VERSION:
      return version_;
    case IDC_DRAW:
      return draw_;
    default:
      return nullptr;
  }
}

bool CMyPaletteChildDlg::OnInitDialog() {
  m_tab.AddPage(QStringLiteral("  数 据  "), &m_dataDlg, kDataTemplate);
  m_tab.AddPage(QStringLiteral("  成 图  "), &m_drawDlg, kDrawTemplate);
  m_tab.ShowPages();
  return true;
}

void CMyPaletteChildDlg::LayoutControls(int width, int height) {
  setGeometry(0, 0, width, height);
  const int d = height - import_->height();
  m_tab.setGeometry(5, 5, width - 10, d - 12);
  for (QPushButton* b : {import_, saveData_, draw_, saveSettings_}) b->move(b->x(), d - 6);
  title_->move(title_->x(), d - 4);
  version_->move(version_->x(), d - 4 + title_->height());
}

void CMyPaletteChildDlg::keyPressEvent(QKeyEvent* event) {
  if (ui::swallowDialogKey(event)) return;
  QWidget::keyPressEvent(event);
}

void CMyPaletteChildDlg::OnSelChange(int index) { refreshPage(index); }

void CMyPaletteChildDlg::refreshPage(int index) {
  if (index == 0) m_dataDlg.RefreshFromDocument();
  if (index == 1) m_drawDlg.LoadFromDocument();
  emit pageRefreshed(index);
}

void CMyPaletteChildDlg::RefreshPages() {
  refreshPage(0);
  refreshPage(1);
}

void CMyPaletteChildDlg::OnImport() {
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  const std::filesystem::path file = chooseSectionFile(this, /*save=*/false);
  if (file.empty()) return;
  // The dialog is modal, but the host may have closed the drawing meanwhile.
  doc = context_.currentDocData();
  if (doc == nullptr) return;
  const DataFileResult result = LoadSectionFile(*doc, file);
  report(context_.host(), result);
  if (result.ok()) RefreshPages();
}

void CMyPaletteChildDlg::OnSaveData() {
  if (context_.currentDocData() == nullptr) return;
  const std::filesystem::path file = chooseSectionFile(this, /*save=*/true);
  if (file.empty()) return;
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  report(context_.host(), SaveSectionFile(*doc, file, context_.edition()));
}

void CMyPaletteChildDlg::OnDraw() {
  CDocData* doc = context_.currentDocData();
  if (doc == nullptr) return;
  ComputeHighRange(*doc);
  DrawProfile(context_.host(), *doc, /*withFrame=*/false);
}

void CMyPaletteChildDlg::OnSaveSettings() {
  if (CDocData* doc = context_.currentDocData()) WriteSettings(win::Registry::currentUser(), *doc);
}

}  // namespace ruvo
