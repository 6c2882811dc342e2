// The export tool's window, driven through its widgets on the offscreen platform.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "controls/check_combo_box.h"
#include "controls/header_ctrl_ex.h"
#include "controls/list_ctrl_ex.h"
#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "platform/win/profile.h"
#include "ruvo/section/settings_file.h"
#include "tabulix/about_dlg.h"
#include "tabulix/run_window.h"
#include "tabulix/tabulix_dlg.h"

using tabulix::CTabulixDlg;

namespace {

// The offscreen platform has no window manager to activate a modal dialog, so typed keys
// would go to the window below it.
void activateWhenShown(QWidget& dialog) {
  QTimer::singleShot(0, &dialog, [&dialog] { QApplication::setActiveWindow(&dialog); });
}

QByteArray readAll(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class WindowTest final : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString data_[2];  // current and legacy edition files of one section
  QStringList messages_;

  QString ini() const { return dir_.filePath(QStringLiteral("Tabulix.ini")); }

  std::unique_ptr<CTabulixDlg> window() {
    messages_.clear();
    auto w =
        std::make_unique<CTabulixDlg>(ruvo::LocateSettingsFile(dir_.path().toStdString()), nullptr);
    w->setMessageBox([this](QWidget*, const QString& text) { messages_ << text; });
    w->show();
    QApplication::setActiveWindow(w.get());
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(w.get());
    return w;
  }

  void writeIni(const std::string& section, const std::string& key, const std::string& value) {
    QVERIFY(win::writeProfileString(ini().toStdString(), section, key, value));
  }

  QString headerText(const CTabulixDlg& w, int column) const {
    return w.table()->horizontalHeaderItem(column)->text();
  }

  static QString cell(const CTabulixDlg& w, int row, int column) {
    return w.table()->GetItemText(row, column);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    const char* editions[] = {"current", "legacy"};
    for (int e = 0; e < 2; ++e) {
      data_[e] = dir_.filePath(QStringLiteral("%1.txt").arg(editions[e]));
      QProcess ruvo;
      ruvo.start(QStringLiteral(KESTRA_RUVO),
                 {"section", KESTRA_SHARED_DATA "/topo/topo_small.dxf", "--line", "11F2",
                  "--edition", editions[e], "-o", data_[e]});
      QVERIFY(ruvo.waitForFinished(60000));
      QCOMPARE(ruvo.exitCode(), 0);
    }
  }

  void init() { QFile::remove(ini()); }

  void storedColumnCountIsClamped() {
    writeIni("SETTING", "ColnumNum", "12");
    QCOMPARE(window()->table()->columnCount(), 10);
    writeIni("SETTING", "ColnumNum", "1");
    QCOMPARE(window()->table()->columnCount(), 3);
  }

  void storedTitleShowsFromTheStart() {
    writeIni("HEAD", "表头1", "注释");
    auto w = window();
    QVERIFY(w->OpenDataFileFrom(data_[0]));
    QCOMPARE(headerText(*w, 2), QString::fromUtf8("注释"));
    QCOMPARE(headerText(*w, 1), QString::fromUtf8("编号"));
  }

  void boxesAreClamped() {
    auto w = window();
    QVERIFY(w->OpenDataFileFrom(data_[0]));
    w->decimalsBox()->setValue(9);
    QCOMPARE(w->decimalsBox()->value(), 6);
    QCOMPARE(w->settings().decimals, 6);
    w->decimalsBox()->setValue(-1);
    QCOMPARE(w->decimalsBox()->value(), 0);
    QVERIFY(!cell(*w, 1, 3).contains(QLatin1Char('.')));  // 高程Z without decimals
    w->columnCountBox()->setValue(12);
    QCOMPARE(w->columnCountBox()->value(), 9);
    QCOMPARE(w->table()->columnCount(), 10);
    w->columnCountBox()->stepDown();
    QCOMPARE(w->table()->columnCount(), 9);
  }

  void codesApplyAndStayInFile() {
    writeIni("CODE", "L", "公路");
    writeIni("CODE", "H", "\"河流\"");
    writeIni("CODE", "S", "水沟");
    auto w = window();
    controls::CListCtrlEdit* codes = w->codeList();
    QCOMPARE(codes->GetItemCount(), 10);
    QCOMPARE(codes->GetItemText(1, 2), QString::fromUtf8("河流"));
    // The third row loses its remark, a fourth is typed in lower case.
    codes->SetItemText(2, 2, QString());
    QVERIFY(codes->EditSubItem(3, 1));
    QTest::keyClicks(codes->currentEditor(), QStringLiteral("qx9"));
    codes->setFocus();
    QCOMPARE(codes->GetItemText(3, 1), QStringLiteral("QX"));
    codes->SetItemText(3, 2, QString::fromUtf8(" 桥 "));
    // The second row's code goes.
    codes->SetItemText(1, 1, QString());
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("apply")), Qt::LeftButton);
    QCOMPARE(codes->GetItemText(0, 1), QStringLiteral("L"));
    QCOMPARE(codes->GetItemText(1, 1), QStringLiteral("QX"));
    QCOMPARE(codes->GetItemText(1, 2), QString::fromUtf8("桥"));
    QCOMPARE(codes->GetItemText(2, 1), QString());
    QCOMPARE(codes->GetItemCount(), 10);
    QCOMPARE(codes->GetItemText(9, 0), QStringLiteral("10"));
    w->close();
    const std::string file = ini().toStdString();
    QCOMPARE(win::getProfileString(file, "CODE", "QX", ""), std::string("桥"));
    QCOMPARE(win::getProfileString(file, "CODE", "H", ""), std::string("河流"));
    QCOMPARE(win::getProfileString(file, "CODE", "S", ""), std::string("水沟"));
  }

  void refusalsKeepTheTable() {
    auto w = window();
    QVERIFY(w->OpenDataFileFrom(data_[0]));
    const int rows = w->table()->GetItemCount();
    const QString first = cell(*w, 0, 1);
    const QString wrong = dir_.filePath(QStringLiteral("zrk35.txt"));
    QVERIFY(win::writeFileAtomically(wrong.toStdString(), "ZRK3.5\n0\n0\n"));
    QVERIFY(!w->OpenDataFileFrom(wrong));
    QVERIFY(!w->OpenDataFileFrom(dir_.filePath(QStringLiteral("missing.txt"))));
    QCOMPARE(messages_, QStringList({QString::fromUtf8("非本软件数据格式文件"),
                                     QString::fromUtf8("文件导入失败")}));
    QCOMPARE(w->table()->GetItemCount(), rows);
    QCOMPARE(cell(*w, 0, 1), first);
  }

  void reverseOrderSurvivesEveryChange() {
    writeIni("HEAD", "表头1", "与起点距离");
    auto w = window();
    QVERIFY(w->OpenDataFileFrom(data_[0]));
    const int rows = w->table()->GetItemCount();
    const QString lastNumber = cell(*w, rows - 1, 1);
    QTest::mouseClick(w->reverseBox(), Qt::LeftButton);
    QVERIFY(w->reversed());
    auto reversedStill = [&] {
      return cell(*w, 0, 1) == lastNumber && cell(*w, 0, 2).toDouble() == 0.0;
    };
    QVERIFY(reversedStill());
    w->decimalsBox()->setValue(1);
    QVERIFY(reversedStill());
    w->columnCountBox()->setValue(5);
    QVERIFY(reversedStill());
    w->displayModeList()->setCurrentIndex(1);
    emit w->displayModeList()->activated(1);
    QVERIFY(reversedStill());
    // A header choice on the third data column.
    controls::CHeaderCtrlEx* header = w->table()->header();
    QVERIFY(header->openChooser(3));
    controls::CListCellCombo* combo = header->chooser();
    combo->setCurrentIndex(8);
    emit combo->activated(8);
    QCOMPARE(headerText(*w, 3), QString::fromUtf8("图层"));
    QCOMPARE(w->settings().titles[2], std::string("图层"));
    QVERIFY(reversedStill());
  }

  void layerFilterHidesUntickedLayers() {
    auto w = window();
    QVERIFY(w->OpenDataFileFrom(data_[0]));
    controls::CCheckComboBox* layers = w->layerChooser();
    QVERIFY(layers->count() >= 1);
    QCOMPARE(layers->CheckedTexts().size(), layers->count());
    const int all = w->table()->GetItemCount();
    layers->SetCheck(0, false);
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("filter")), Qt::LeftButton);
    QVERIFY(w->table()->GetItemCount() < all);
  }

  // The window's export of a section file from either edition is the command line's.
  void exportEqualsCommandLine() {
    for (int e = 0; e < 2; ++e) {
      QFile::remove(ini());
      writeIni("SETTING", "KneePnt", "1");
      auto w = window();
      QVERIFY(w->OpenDataFileFrom(data_[e]));
      w->columnCountBox()->setValue(9);
      w->decimalsBox()->setValue(2);
      const QString mine = dir_.filePath(QStringLiteral("window%1.txt").arg(e));
      int asked = 0;
      w->setFileQuestions([](QWidget*) { return QString(); },
                          [&](QWidget*) {
                            ++asked;
                            return mine;
                          });
      QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("export")), Qt::LeftButton);
      QCOMPARE(asked, 1);
      const QString theirs = dir_.filePath(QStringLiteral("cli%1.csv").arg(e));
      QProcess tabulix;
      tabulix.start(
          QStringLiteral(KESTRA_TABULIX),
          {"export", data_[e], "-o", theirs, "--ini", ini(), "--fields",
           QString::fromUtf8("编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层"),
           "--decimals", "2", "--mode", "1"});
      QVERIFY(tabulix.waitForFinished(60000));
      QCOMPARE(tabulix.exitCode(), 0);
      QVERIFY(!readAll(mine).isEmpty());
      QCOMPARE(readAll(mine), readAll(theirs));
    }
  }

  void emptyTableIsNotExported() {
    auto w = window();
    int asked = 0;
    w->setFileQuestions([](QWidget*) { return QString(); },
                        [&](QWidget*) {
                          ++asked;
                          return QString();
                        });
    w->ExportTable();
    QCOMPARE(asked, 0);
  }

  void enterAndEscapeDoNotClose() {
    auto w = window();
    QTest::keyClick(w.get(), Qt::Key_Escape);
    QTest::keyClick(w.get(), Qt::Key_Return);
    QVERIFY(w->isVisible());
  }

  // Where the program's folder takes no files, settings go to the per-user copy, which
  // starts as a copy of the file beside the program so that no key is lost.
  void perUserCopyWhereTheFolderIsNotWritable() {
    const QString config = dir_.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    const std::filesystem::path missing =
        dir_.filePath(QStringLiteral("no/such/folder")).toStdString();
    const ruvo::SettingsFileLocation at = ruvo::LocateSettingsFile(missing);
    QCOMPARE(QString::fromStdString(at.write.string()), config + "/kestra/Tabulix.ini");
    QVERIFY(ruvo::PrepareSettingsWrite(at));
    QVERIFY(win::writeProfileString(at.write, "CODE", "L", "公路"));
    QCOMPARE(ruvo::LocateSettingsFile(missing).read, at.write);
    // The plug-in reads beside its module first and the per-user copy second.
    writeIni("CODE", "L", "旧路");
    writeIni("CODE", "H", "河流");
    const auto codes = ruvo::ReadSharedCodes(dir_.path().toStdString());
    QCOMPARE(codes.size(), std::size_t{2});
    QCOMPARE(codes[0].second, std::string("公路"));
    QCOMPARE(codes[1].second, std::string("河流"));
    qunsetenv("XDG_CONFIG_HOME");
  }

  void unsavableSettingsAreReported() {
    ruvo::SettingsFileLocation nowhere{ini().toStdString(), "/proc/no/such/Tabulix.ini"};
    CTabulixDlg w(nowhere, nullptr);
    QStringList told;
    w.setMessageBox([&](QWidget*, const QString& text) { told << text; });
    w.show();
    w.close();
    QCOMPARE(told.size(), 1);
    QVERIFY(told[0].endsWith(QStringLiteral("/proc/no/such/Tabulix.ini")));
  }

  // A script opens a section file and exports it reversed through the desktop's dialogs;
  // closing at the end saves the settings.
  void scriptDrivesTheDialogs() {
    const QString out = dir_.filePath(QStringLiteral("scripted.csv"));
    const QString script = dir_.filePath(QStringLiteral("export.script"));
    const QString text = QStringLiteral(
                             "@click 打开数据文件\n@type %1\n@key Return\n@expect 512059.414\n"
                             "@check 反向列表 on\n@click 数据导出\n@key Escape\n"
                             "@click 数据导出\n@type %2\n@key Return\n")
                             .arg(data_[0], out);
    QVERIFY(win::writeFileAtomically(script.toStdString(), text.toStdString()));
    auto w = window();
    w->setFileQuestions(
        [](QWidget* owner) {
          QFileDialog dialog(owner);
          dialog.setOption(QFileDialog::DontUseNativeDialog);
          activateWhenShown(dialog);
          return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        },
        [](QWidget* owner) {
          QFileDialog dialog(owner);
          dialog.setOption(QFileDialog::DontUseNativeDialog);
          dialog.setAcceptMode(QFileDialog::AcceptSave);
          activateWhenShown(dialog);
          return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        });
    QCOMPARE(tabulix::RunScript(*w, script), 0);
    QVERIFY(!w->isVisible());
    QVERIFY(w->reversed());
    const QByteArray csv = readAll(out);
    QVERIFY(csv.endsWith("\r\n"));
    QVERIFY(!csv.isEmpty());
    QCOMPARE(win::getProfileString(ini().toStdString(), "SETTING", "ColnumNum", ""),
             std::string("3"));
    const QString theirs = dir_.filePath(QStringLiteral("scripted-cli.csv"));
    QProcess tabulix;
    tabulix.start(QStringLiteral(KESTRA_TABULIX),
                  {"export", data_[0], "-o", theirs, "--ini", ini(), "--reverse"});
    QVERIFY(tabulix.waitForFinished(60000));
    QCOMPARE(tabulix.exitCode(), 0);
    QCOMPARE(csv, readAll(theirs));
  }

  // `tabulix --script FILE DATAFILE` opens the data file before the script's first line;
  // a file that cannot be read ends the run with one line on stderr, not a message box.
  void scriptFormOpensTheDataFileFirst() {
    const char* form[] = {"tabulix", "--script", "run.script", "data.txt"};
    QVERIFY(tabulix::WantsWindow(4, const_cast<char**>(form)));
    const char* show[] = {"tabulix", "show", "data.txt", "--reverse"};
    QVERIFY(!tabulix::WantsWindow(4, const_cast<char**>(show)));
    const QString script = dir_.filePath(QStringLiteral("expect.script"));
    QVERIFY(win::writeFileAtomically(script.toStdString(), "@expect 512059.414\n"));
    {
      auto w = window();
      QCOMPARE(tabulix::RunShownWindow(*w, {QStringLiteral("--script"), script, data_[0]}), 0);
      QVERIFY(messages_.isEmpty());
    }
    {
      auto w = window();  // without the data file nothing shows the coordinate
      QCOMPARE(tabulix::RunShownWindow(*w, {QStringLiteral("--script"), script}), 1);
    }
    auto w = window();
    const QString missing = dir_.filePath(QStringLiteral("missing.txt"));
    QCOMPARE(tabulix::RunShownWindow(*w, {QStringLiteral("--script"), script, missing}), 1);
    QVERIFY(messages_.isEmpty());
    QVERIFY(w->isVisible());  // the script never ran, so nothing closed the window
  }

  void screenshot() {
    const QByteArray target = qgetenv("TABULIX_SCREENSHOT");
    if (target.isEmpty()) QSKIP("TABULIX_SCREENSHOT names no file");
    writeIni("CODE", "L", "公路");
    writeIni("CODE", "H", "河流");
    auto w = window();
    QVERIFY(w->OpenDataFileFrom(data_[0]));
    w->columnCountBox()->setValue(6);
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QTest::qWait(200);
    QVERIFY(w->grab().save(QString::fromLocal8Bit(target)));
    tabulix::CAboutDlg about(w.get());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.grab().save(QString::fromLocal8Bit(target) + QStringLiteral(".about.png")));
  }
};

int main(int argc, char** argv) {
  if (qgetenv("TABULIX_SCREENSHOT").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
