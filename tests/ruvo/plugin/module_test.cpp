// The two plug-in modules as a host loads them: the real module loader over the headless
// host, with a main window and its main frame on the offscreen platform.

#include <QApplication>
#include <QDomDocument>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/cad/database.h"
#include "platform/host/headless/headless_host.h"
#include "platform/host/menu.h"
#include "platform/ui/main_frame.h"
#include "platform/ui/palette.h"
#include "platform/ui/palette_set.h"
#include "platform/win/atomic_file.h"
#include "platform/win/registry.h"
#include "ruvo/section/data_file.h"
#include "ruvo/settings/settings_store.h"
#include "support/temp_dir.h"

namespace {

using ruvo::Edition;

testing_support::TempDir* g_root = nullptr;

std::string moduleFile(Edition edition) {
  return std::string(KESTRA_BIN_DIR) +
         (edition == Edition::Legacy ? "/ruvo18401x64.so" : "/ruvo2443x64.so");
}

std::filesystem::path userFolder() { return g_root->path() / "user"; }
std::filesystem::path positionFile() { return userFolder() / "PMPosition.xml"; }

// One run of the host with its main window.
class Session {
 public:
  explicit Session(bool trustBinFolder = true) {
    window.setCentralWidget(new QWidget);
    window.resize(1100, 800);
    window.show();
    ui::setMainFrame(&frame);
    host::headless::HeadlessOptions options;
    options.output = &out;
    options.userDataFolder = userFolder().string() + "/";
    if (trustBinFolder) options.trustedFolders = KESTRA_BIN_DIR;
    options.registry = &registry;
    host = std::make_unique<host::headless::HeadlessHost>(std::move(options));
  }
  ~Session() {
    host.reset();
    ui::setMainFrame(nullptr);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool load(Edition edition) {
    auto r = host->moduleLoader().loadModule(moduleFile(edition));
    module = r.id;
    if (!r.ok()) qWarning("%s", r.reason.c_str());
    return r.ok();
  }
  host::Document* newDrawing() { return host->documents().newDocument().value(); }
  host::Status type(const char* command) {
    host::Status s = host->typeCommand(command);
    QCoreApplication::processEvents();
    return s;
  }
  QList<ui::PaletteSet*> sets() { return window.findChildren<ui::PaletteSet*>(); }
  ui::PaletteSet* set() {
    auto all = sets();
    return all.size() == 1 ? all.front() : nullptr;
  }
  template <class T = QWidget>
  T* child(const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
  }
  host::PopupMenu* popup() {
    auto group = host->menus().menuGroups().item(0);
    if (!group.ok()) return nullptr;
    auto p = group.value()->menus().item("Korvane软件");
    return p.ok() ? p.value() : nullptr;
  }

  std::ostringstream out;
  win::Registry registry{win::Registry::defaultHivePath()};
  QMainWindow window;
  ui::SimpleMainFrame frame{&window};
  std::unique_ptr<host::headless::HeadlessHost> host;
  host::ModuleId module;
};

std::vector<std::string> labelsOf(host::PopupMenu& popup) {
  std::vector<std::string> out;
  for (int i = 0; i < popup.count(); ++i) {
    host::MenuItem item = popup.item(i).value();
    out.push_back(item.kind == host::MenuItemKind::Separator ? std::string("-") : item.label);
  }
  return out;
}

// Answers the next file dialog with `path` once it is up (cancels it when `path` is empty).
void answerFileDialog(const QString& path) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    // Typed as a person would: the dialog's own selection may still change while it
    // reads its folder in the background.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name != nullptr) {
      name->setText(path);
    } else {
      dialog->selectFile(path);
    }
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start();
}

QByteArray bytesOf(const std::filesystem::path& file) {
  return QByteArray::fromStdString(win::readFileBytes(file).value_or("(missing)"));
}

void addEditionRows() {
  QTest::addColumn<Edition>("edition");
  QTest::newRow("current") << Edition::Current;
  QTest::newRow("legacy") << Edition::Legacy;
}

}  // namespace

Q_DECLARE_METATYPE(ruvo::Edition)

class ModuleTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    std::error_code ec;
    std::filesystem::remove(win::Registry::defaultHivePath(), ec);
    std::filesystem::remove_all(userFolder(), ec);
    std::filesystem::create_directories(userFolder(), ec);
  }

  void runningTwiceMakesOnePalette_data() { addEditionRows(); }
  void runningTwiceMakesOnePalette() {
    QFETCH(Edition, edition);
    Session s;
    QVERIFY(s.load(edition));
    s.newDrawing();
    QVERIFY(s.sets().isEmpty());  // nothing is made before a command asks
    QCOMPARE(s.type("ruvo"), host::Status::Normal);
    ui::PaletteSet* set = s.set();
    QVERIFY(set != nullptr);
    QVERIFY(set->isVisible());
    QCOMPARE(set->windowTitle(), QStringLiteral("Kestra切剖面"));
    QCOMPARE(set->dockSide(), ui::DockSide::Left);
    if (edition == Edition::Current) {
      QCOMPARE(set->minimumSize(), QSize(300, 400));
      QCOMPARE(set->maximumSize(), QSize(600, 800));
    } else {
      QCOMPARE(set->minimumSize(), QSize(210, 210));
      QVERIFY(set->maximumWidth() > 800 && set->maximumHeight() > 800);
    }
    QCOMPARE(s.child<QLabel>("labelVersion")->text(),
             edition == Edition::Legacy ? QStringLiteral("V4.1") : QStringLiteral("V4.3"));
    QCOMPARE(s.child<QLabel>("labelTitle")->text(), QStringLiteral("Kestra切剖面"));
    QTabBar* tabs = s.child<QTabBar>("tabBar");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("  数 据  "));
    QCOMPARE(tabs->tabText(1), QStringLiteral("  成 图  "));
    QVERIFY(s.child("CDataDlg")->isVisible());
    QVERIFY(!s.child("CDrawDlg")->isVisible());
    const char* buttons[][2] = {{"btnImport", "导入"},
                                {"btnSaveData", "存数据"},
                                {"btnDraw", "成图"},
                                {"btnSaveSettings", "存设置"}};
    for (auto& b : buttons) QCOMPARE(s.child<QPushButton>(b[0])->text(), QString::fromUtf8(b[1]));
    // The first opening stored the defaults.
    win::RegKey key;
    QCOMPARE(s.registry.openKey(ruvo::kSettingsKey, key), win::RegStatus::Success);
    QCOMPARE(key.queryString("XYScale").value_or(""), std::string("1000.0"));
    QCOMPARE(key.queryDword("nPaletteWidth").has_value(), edition == Edition::Legacy);

    set->hide();
    QCOMPARE(s.type("kestrapm"), host::Status::Normal);
    QCOMPARE(s.sets().size(), 1);
    QVERIFY(set->isVisible());
  }

  void redockAfterUndocking() {
    Session s;
    QVERIFY(s.load(Edition::Current));
    s.newDrawing();
    QCOMPARE(s.type("ruvoreset"), host::Status::Normal);  // before the palette: nothing
    QVERIFY(s.sets().isEmpty());
    s.type("ruvo");
    ui::PaletteSet* set = s.set();
    set->setFloating(true);
    set->hide();
    QCOMPARE(s.type("_KESTRARESET"), host::Status::Normal);
    QVERIFY(!set->isFloating());
    QCOMPARE(s.window.dockWidgetArea(set), Qt::LeftDockWidgetArea);
    QVERIFY(set->isVisible());
  }

  void legacyHasNoRedockMenuOrMessage() {
    Session s;
    QVERIFY(s.load(Edition::Legacy));
    QVERIFY(s.host->commands().hasCommand("ruvo"));
    QVERIFY(s.host->commands().hasCommand("_KESTRAPM"));
    QVERIFY(!s.host->commands().hasCommand("ruvoreset"));
    QVERIFY(s.popup() == nullptr);
    QVERIFY(s.out.str().find("请输入命令ruvo") == std::string::npos);
  }

  void everyLoadAddsTheItemsAfterANewSeparator() {
    Session s;
    QVERIFY(s.load(Edition::Current));
    QVERIFY(s.out.str().find("\n命令:请输入命令ruvo或kestrapm启动Kestra切剖面软件\n ") !=
            std::string::npos);
    host::PopupMenu* popup = s.popup();
    QVERIFY(popup != nullptr);
    QVERIFY(popup->onMenuBar());
    QCOMPARE(s.host->menus().menuBar().item(s.host->menus().menuBar().count() - 1).value(), popup);
    QCOMPARE(labelsOf(*popup), (std::vector<std::string>{"&KKestra切剖面", "-", "访问主页"}));
    QCOMPARE(popup->item(0).value().macro, std::string("kestrapm\n"));
    QVERIFY(popup->item(2).value().macro.starts_with("_browser http"));
    QVERIFY(popup->item(2).value().macro.ends_with(" "));

    QVERIFY(s.host->moduleLoader().unloadModule(s.module).ok());
    QVERIFY(!s.host->commands().hasCommand("ruvo"));
    QVERIFY(s.load(Edition::Current));
    QCOMPARE(labelsOf(*s.popup()), (std::vector<std::string>{"&KKestra切剖面", "-", "访问主页", "-",
                                                             "&KKestra切剖面", "-", "访问主页"}));
    s.newDrawing();
    QCOMPARE(s.host->chooseMenuItem("Korvane软件", "KKestra切剖面"), host::Status::Normal);
    QVERIFY(s.set() != nullptr);
  }

  // Both editions loaded: the second finds the commands taken and says so; unloading it
  // leaves the first one's commands where they are.
  void bothEditionsKeepTheirOwnCommands() {
    Session s;
    QVERIFY(s.load(Edition::Current));
    const host::ModuleId current = s.module;
    QVERIFY(s.load(Edition::Legacy));
    QVERIFY(s.out.str().find("命令:命令ruvo已被其他程序占用") != std::string::npos);
    QVERIFY(s.host->moduleLoader().unloadModule(s.module).ok());
    QVERIFY(s.host->commands().hasCommand("ruvo"));
    QVERIFY(s.host->commands().hasCommand("kestrapm"));
    QVERIFY(s.host->moduleLoader().unloadModule(current).ok());
    QVERIFY(!s.host->commands().hasCommand("ruvo"));
  }

  void unloadTakesEverythingAway() {
    Session s;
    const std::size_t reactors = s.host->documentCollection().reactorCount();
    QVERIFY(s.load(Edition::Current));
    s.newDrawing();
    s.type("ruvo");
    QVERIFY(s.set() != nullptr);
    QVERIFY(s.host->moduleLoader().unloadModule(s.module).ok());
    QVERIFY(s.sets().isEmpty());
    QCOMPARE(s.host->documentCollection().reactorCount(), reactors);
    for (const auto& c : s.host->commands().commands()) QVERIFY(c.group != "TVZRK");
    QVERIFY(!std::filesystem::exists(positionFile()));  // nothing is saved at unload
  }

  void lastDrawingClosedAndReopened_data() {
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("shownAgain");
    QTest::newRow("current visible") << Edition::Current << true << true;
    QTest::newRow("current hidden") << Edition::Current << false << false;
    QTest::newRow("legacy visible") << Edition::Legacy << true << false;
  }
  void lastDrawingClosedAndReopened() {
    QFETCH(Edition, edition);
    QFETCH(bool, visible);
    QFETCH(bool, shownAgain);
    Session s;
    QVERIFY(s.load(edition));
    host::Document* doc = s.newDrawing();
    s.type("ruvo");
    ui::PaletteSet* set = s.set();
    if (!visible) set->hide();
    QCOMPARE(s.host->documents().closeDocument(*doc), host::Status::Normal);
    QVERIFY(set->isHidden());
    if (edition == Edition::Current) {
      QCOMPARE(ruvo::ReadPltState(s.registry, edition), visible);
      QVERIFY(std::filesystem::exists(positionFile()));
    } else {
      QVERIFY(!std::filesystem::exists(positionFile()));
      win::RegKey key;
      QCOMPARE(s.registry.openKey(ruvo::kSettingsKey, key), win::RegStatus::Success);
      QVERIFY(!key.queryDword("PltState").has_value());
    }
    s.newDrawing();
    QCoreApplication::processEvents();
    QCOMPARE(!set->isHidden(), shownAgain);
  }

  void restartShowsThePaletteOnlyThroughACommand() {
    {
      Session first;
      QVERIFY(first.load(Edition::Current));
      first.newDrawing();
      first.type("ruvo");
    }  // the host ends with the palette shown: "PltState" 1
    QVERIFY(ruvo::ReadPltState(*std::make_unique<win::Registry>(win::Registry::defaultHivePath()),
                               Edition::Current));
    Session second;
    QVERIFY(second.load(Edition::Current));
    second.newDrawing();
    QVERIFY(second.sets().isEmpty());
    second.type("ruvo");
    QVERIFY(second.set()->isVisible());
  }

  void switchingDrawingsReloadsBothPages() {
    Session s;
    QVERIFY(s.load(Edition::Current));
    host::Document* first = s.newDrawing();
    host::Document* second = s.newDrawing();
    s.type("ruvo");
    QWidget* dlg = s.child("CMyPaletteChildDlg");
    QSignalSpy refreshed(dlg, SIGNAL(pageRefreshed(int)));
    QCOMPARE(s.host->documents().activateDocument(*first), host::Status::Normal);
    QCOMPARE(refreshed.size(), 2);
    QCOMPARE(refreshed.at(0).at(0).toInt(), 0);
    QCOMPARE(refreshed.at(1).at(0).toInt(), 1);
    // Closing one of two drawings leaves the palette alone.
    QCOMPARE(s.host->documents().closeDocument(*second), host::Status::Normal);
    QVERIFY(s.set()->isVisible());
    QVERIFY(!std::filesystem::exists(positionFile()));
  }

  void smallestPaletteKeepsTheButtonRow_data() {
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QSize>("smallest");
    QTest::newRow("current") << Edition::Current << QSize(300, 400);
    QTest::newRow("legacy") << Edition::Legacy << QSize(210, 210);
  }
  void smallestPaletteKeepsTheButtonRow() {
    QFETCH(Edition, edition);
    QFETCH(QSize, smallest);
    Session s;
    QVERIFY(s.load(edition));
    s.newDrawing();
    s.type("ruvo");
    ui::PaletteSet* set = s.set();
    set->setFloating(true);
    set->resize(100, 100);
    QCoreApplication::processEvents();
    QCOMPARE(set->size(), smallest);

    auto* palette = s.window.findChild<ui::Palette*>(QStringLiteral("CMyPalette"));
    QVERIFY(palette->keepsFocus());  // its boxes are typed into while the drawing is looked at
    QWidget* dlg = s.child("CMyPaletteChildDlg");
    const int w = palette->width(), h = palette->height();
    QCOMPARE(dlg->geometry(), QRect(0, 0, w, h));
    QWidget* tab = s.child("CTabSheet");
    QCOMPARE(tab->geometry().x(), 5);
    QCOMPARE(tab->geometry().y(), 5);
    QCOMPARE(tab->width(), w - 10);
    QWidget* import = s.child("btnImport");
    const int d = h - import->height();
    QCOMPARE(tab->height(), d - 12);
    for (const char* name : {"btnImport", "btnSaveData", "btnDraw", "btnSaveSettings"}) {
      QCOMPARE(s.child(name)->y(), d - 6);
      QCOMPARE(s.child(name)->geometry().bottom() + 1, h - 6);
    }
    QWidget* title = s.child("labelTitle");
    QCOMPARE(title->y(), d - 4);
    QCOMPARE(s.child("labelVersion")->y(), d - 4 + title->height());
    // The page fills the tab control below its tabs.
    auto* bar = s.child<QTabBar>("tabBar");
    const QRect item = bar->tabRect(0).translated(bar->pos());
    QCOMPARE(s.child("CDataDlg")->geometry(),
             QRect(item.left(), item.bottom() + 2, tab->width() - item.left() - 2,
                   tab->height() - item.bottom() - 4));
  }

  void positionFileRoots_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("floating");
    const QByteArray attrs = "x=\"40\" y=\"50\" width=\"420\" height=\"500\" dock=\"float\"";
    QTest::newRow("lower-case root") << "<ps " + attrs + "/>" << true;
    QTest::newRow("child of another root")
        << "<Kestra><Other/><PS " + attrs + "/></Kestra>" << true;
    QTest::newRow("no PS element") << "<Kestra><Other " + attrs + "/></Kestra>" << false;
    QTest::newRow("malformed") << "<PS " + attrs + ">" << false;
  }
  void positionFileRoots() {
    QFETCH(QByteArray, xml);
    QFETCH(bool, floating);
    QVERIFY(win::writeFileAtomically(positionFile(), xml.toStdString()));
    Session s;
    QVERIFY(s.load(Edition::Current));
    host::Document* doc = s.newDrawing();
    s.type("ruvo");
    ui::PaletteSet* set = s.set();
    QCOMPARE(set->isFloating(), floating);
    if (floating) QCOMPARE(set->size(), QSize(420, 500));

    // The last drawing closing writes the set's own element under a root "PS".
    s.host->documents().closeDocument(*doc);
    QDomDocument saved;
    QVERIFY(saved.setContent(QByteArray::fromStdString(*win::readFileBytes(positionFile()))));
    QCOMPARE(saved.documentElement().tagName(), QStringLiteral("PS"));
    QCOMPARE(saved.documentElement().attribute("dock"),
             floating ? QStringLiteral("float") : QStringLiteral("left"));
  }

  void enterAndEscapeCloseNothing() {
    Session s;
    QVERIFY(s.load(Edition::Current));
    s.newDrawing();
    s.type("ruvo");
    QWidget* dlg = s.child("CMyPaletteChildDlg");
    for (QWidget* target : {dlg, s.child("btnSaveData"), s.child("CDataDlg")}) {
      target->setFocus();
      for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(target, key);
    }
    QCoreApplication::processEvents();
    QVERIFY(s.set()->isVisible());
    QVERIFY(dlg->isVisible());
    QVERIFY(s.child("CDataDlg")->isVisible());
  }

  void clickingTheDrawingTabReloadsIt() {
    Session s;
    QVERIFY(s.load(Edition::Current));
    s.newDrawing();
    s.type("ruvo");
    QSignalSpy refreshed(s.child("CMyPaletteChildDlg"), SIGNAL(pageRefreshed(int)));
    auto* bar = s.child<QTabBar>("tabBar");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QVERIFY(s.child("CDrawDlg")->isVisible());
    QVERIFY(!s.child("CDataDlg")->isVisible());
    QCOMPARE(refreshed.size(), 1);
    QCOMPARE(refreshed.at(0).at(0).toInt(), 1);
    // The page follows the tab after a resize too.
    s.set()->setFloating(true);
    s.set()->resize(500, 600);
    QCoreApplication::processEvents();
    QVERIFY(s.child("CDrawDlg")->isVisible());
    QCOMPARE(s.child("CDrawDlg")->width(),
             s.child("CTabSheet")->width() - 2 - bar->tabRect(0).translated(bar->pos()).left());
  }

  void theFourButtons() {
    // A section file as the writer makes it.
    ruvo::CDocData source;
    for (int i = 0; i < 4; ++i) {
      ruvo::CDataStruct p;
      p.nNo = i;
      p.strNote = "备注";
      p.dDist = 10.0 * i;
      p.dHigh = 100.0 + i;
      source.pointList.push_back(p);
    }
    const std::filesystem::path in = g_root->path() / "in.txt";
    const std::filesystem::path out = g_root->path() / "out.txt";
    std::filesystem::remove(out);
    QVERIFY(ruvo::SaveSectionFile(source, in, Edition::Current).ok());

    Session s;
    QVERIFY(s.load(Edition::Current));
    s.newDrawing();
    s.type("ruvo");
    answerFileDialog(QString::fromStdString(in.string()));
    QTest::mouseClick(s.child<QPushButton>("btnImport"), Qt::LeftButton);
    answerFileDialog(QString::fromStdString(out.string()));
    QTest::mouseClick(s.child<QPushButton>("btnSaveData"), Qt::LeftButton);
    QCOMPARE(bytesOf(out), bytesOf(in));

    // "成图" draws the imported section without a frame and lets it be placed.
    cad::Database& db = s.host->documents().curDocument()->database();
    const std::size_t before = db.objectCount();
    s.host->script().push(host::headless::ScriptAnswer::dragTo({100.0, 100.0, 0.0}));
    QTest::mouseClick(s.child<QPushButton>("btnDraw"), Qt::LeftButton);
    QVERIFY(db.objectCount() > before);
    QVERIFY(s.host->script().empty());

    // "存设置" stores the settings of the drawing again.
    std::filesystem::remove(win::Registry::defaultHivePath());
    QTest::mouseClick(s.child<QPushButton>("btnSaveSettings"), Qt::LeftButton);
    win::RegKey key;
    QCOMPARE(s.registry.openKey(ruvo::kSettingsKey, key), win::RegStatus::Success);
    QCOMPARE(key.queryString("strPmName").value_or(""), std::string("剖面图"));

    // A file of another kind is refused with a message box and changes nothing.
    const std::filesystem::path bad = g_root->path() / "bad.txt";
    QVERIFY(win::writeFileAtomically(bad, "hello\r\n"));
    const int boxes = s.host->headlessUserInterface().messageBoxCount();
    answerFileDialog(QString::fromStdString(bad.string()));
    QTest::mouseClick(s.child<QPushButton>("btnImport"), Qt::LeftButton);
    QCOMPARE(s.host->headlessUserInterface().messageBoxCount(), boxes + 1);
    std::filesystem::remove(out);
    answerFileDialog(QString::fromStdString(out.string()));
    QTest::mouseClick(s.child<QPushButton>("btnSaveData"), Qt::LeftButton);
    QCOMPARE(bytesOf(out), bytesOf(in));
  }

  // A picture of the docked palette for a person to look at: KESTRA_PALETTE_PNG=FILE.
  void pictureOfTheDockedPalette() {
    const QByteArray file = qgetenv("KESTRA_PALETTE_PNG");
    if (file.isEmpty()) QSKIP("KESTRA_PALETTE_PNG not set");
    Session s;
    QVERIFY(s.load(Edition::Current));
    s.newDrawing();
    s.type("ruvo");
    s.window.resize(1000, 700);
    QCoreApplication::processEvents();
    QVERIFY(s.window.grab().save(QString::fromLocal8Bit(file)));
  }

  void autoLoadRegistrationIsWhatTheHostReads() {
    ruvo::AutoLoadTarget target{host::headless::kRegistryProductRootKey, "Default",
                                moduleFile(Edition::Current)};
    {
      win::Registry registry(win::Registry::defaultHivePath());
      QVERIFY(ruvo::EnableAutoLoad(registry, target, Edition::Current));
    }
    {
      Session s(/*trustBinFolder=*/false);
      QCOMPARE(s.host->loadStartupModules(), 1);
      QVERIFY(s.host->commands().hasCommand("ruvo"));
      QVERIFY(ruvo::DisableAutoLoad(s.registry, target, Edition::Current));
    }
    Session s(/*trustBinFolder=*/false);
    QCOMPARE(s.host->loadStartupModules(), 0);
    QVERIFY(!s.host->commands().hasCommand("ruvo"));
  }
};

int main(int argc, char** argv) {
  testing_support::TempDir root;
  g_root = &root;
  // Every registry and per-user file of the run lies in the temporary folder.
  ::setenv("XDG_CONFIG_HOME", (root.path() / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root.path() / "data").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ModuleTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "module_test.moc"
