// The desktop host driven as a user drives it: the view, the command line, every input
// mode, undo and redo, the question before closing, module loading, palette sets, the
// exception barrier, and one scripted run of the real program under Xvfb.

#include <QDialog>
#include <QDir>
#include <QDomDocument>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>
#include <stdexcept>
#include <thread>

#include "platform/app/command_line_widget.h"
#include "platform/app/drawing_view.h"
#include "platform/app/main_window.h"
#include "platform/app/picture_painter.h"
#include "platform/cad/database.h"
#include "platform/host/command_stack.h"
#include "platform/host/document_manager.h"
#include "platform/host/host_services.h"
#include "platform/render/drawing_renderer.h"
#include "platform/ui/palette.h"
#include "platform/ui/palette_set.h"
#include "platform/ui/script_runner.h"
#include "platform/win/registry.h"

using app::MainWindow;
using host::Status;

namespace {

// Runs `f` as soon as the current event loop (a nested input loop, a message box) spins.
void soon(std::function<void()> f) { QTimer::singleShot(0, std::move(f)); }

// Clicks the button called `text` in the message box that is open when the timer fires.
void answerBox(const QString& text) {
  QTimer::singleShot(50, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == text) {
        b->click();
        return;
      }
    }
    QFAIL("no such button");
  });
}

std::size_t modelEntities(const cad::Database& db) {
  std::size_t n = 0;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity&) {
    ++n;
    return true;
  });
  return n;
}

cad::ObjectId addLine(cad::Database& db, geom::Point3d a, geom::Point3d b, int colour = 1) {
  auto line = std::make_unique<cad::Line>(a, b);
  line->setColour(colour);
  return *db.appendToModelSpace(std::move(line));
}

// Pixels set in `a` (not `background`) with no set pixel of `b` within one pixel.
int strayPixels(const QImage& a, const QImage& b, QRgb background) {
  int stray = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) == background) continue;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const QPoint q(x + dx, y + dy);
          near = b.rect().contains(q) && b.pixel(q) != background;
        }
      }
      stray += near ? 0 : 1;
    }
  }
  return stray;
}

// A picture painted into an image of the view's size, on black.
QImage paintOnBlack(const render::Picture& picture, const app::ViewTransform& view,
                    const app::CoarsePicture* coarse) {
  QImage image(view.size, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  app::PaintStyle style;
  style.raster = &image;
  app::paintPicture(painter, picture, view, style, coarse);
  return image;
}

app::AppOptions testOptions(bool scriptRun = true) {
  app::AppOptions o;
  o.scriptRun = scriptRun;
  o.useRegistry = false;
  return o;
}

}  // namespace

class AppTest : public QObject {
  Q_OBJECT

 private:
  // A window with one new drawing holding a red line from (0,0) to (100,0).
  struct Fixture {
    MainWindow window{testOptions()};
    cad::ObjectId line;
    Fixture() {
      window.resize(800, 600);
      window.show();
      window.host().documents().newDocument();
      line = addLine(db(), {0, 0, 0}, {100, 0, 0});
      view().setView({50, 0}, 120, 60);
      view().regen();
      window.currentWindow()->setModified(false);
    }
    cad::Database& db() { return window.host().documents().curDocument()->database(); }
    app::DrawingView& view() { return *window.currentView(); }
    QPoint screenOf(geom::Point2d p) { return view().view().toScreen(p).toPoint(); }
  };

 private slots:
  void initTestCase() {
    qputenv("XDG_CONFIG_HOME", QDir::tempPath().toUtf8() + "/kestra_app_test_config");
  }

  // A picture is kept until its entity changes, but a block reference's picture shows its
  // block and every picture its layer's colour: a change of those is drawn too.
  void viewRedrawsReferencesWhenTheirBlockOrLayerChanges() {
    Fixture f;
    cad::Database& db = f.db();
    const cad::ObjectId block = *db.addTableRecord(std::make_unique<cad::BlockRecord>("B"));
    const cad::ObjectId inner = *db.appendEntity(
        block, std::make_unique<cad::Line>(geom::Point3d{0, 10, 0}, geom::Point3d{100, 10, 0}));
    db.openForWrite<cad::Entity>(inner)->setColour(3);
    db.appendToModelSpace(std::make_unique<cad::BlockReference>("B", geom::Point3d{0, 0, 0}));
    f.view().regen();
    auto green = [&](geom::Point2d p) {
      const QColor c = f.view().cachedImage().pixelColor(f.screenOf(p));
      return c.green() > 150 && c.red() < 100;
    };
    QVERIFY(green({50, 10}));
    db.openForWrite<cad::Line>(inner)->setStart({0, -20, 0});
    db.openForWrite<cad::Line>(inner)->setEnd({100, -20, 0});
    f.view().regen();
    QVERIFY2(!green({50, 10}), "the block's old line is still drawn");
    QVERIFY(green({50, -20}));
    // the red line is on layer 0: made blue there, it is drawn blue
    const cad::ObjectId zero = db.layers().getIdAt("0");
    db.openForWrite<cad::Layer>(zero)->setColour(5);
    db.openForWrite<cad::Line>(f.line)->setColour(cad::kColourByLayer);
    f.view().regen();
    db.openForWrite<cad::Layer>(zero)->setColour(1);
    f.view().regen();
    const QColor c = f.view().cachedImage().pixelColor(f.screenOf({50, 0}));
    QVERIFY2(c.red() > 200 && c.blue() < 60, "the line keeps its layer's old colour");
  }

  // The drawing left after another closes fills the area, as every drawing does.
  void theDrawingLeftAfterACloseStaysMaximized() {
    Fixture f;
    host::Document* second = f.window.host().documents().newDocument().value();
    host::Document* third = f.window.host().documents().newDocument().value();
    QCOMPARE(f.window.host().documents().closeDocument(*third), host::Status::Normal);
    QCoreApplication::processEvents();
    QVERIFY(f.window.currentWindow() != nullptr);
    QVERIFY(f.window.currentWindow()->isMaximized());
    QCOMPARE(f.window.host().documents().closeDocument(*second), host::Status::Normal);
    QCoreApplication::processEvents();
    QVERIFY(f.window.currentWindow()->isMaximized());
  }

  void viewPaintsEntitiesWhereTheViewPutsThem() {
    Fixture f;
    const QImage& image = f.view().cachedImage();
    const QPoint on = f.screenOf({50, 0});
    const QColor drawn = image.pixelColor(on);
    QVERIFY2(drawn.red() > 200 && drawn.green() < 60, "the red line is not under its point");
    const QColor off = image.pixelColor(f.screenOf({50, 20}));
    QVERIFY(off.red() < 100);
    QCOMPARE(f.view().drawnEntities(), std::size_t(1));
    // VIEWCTR, VIEWSIZE and SCREENSIZE follow the real view.
    auto centre = f.window.host().variables().getVariable("VIEWCTR");
    QVERIFY(centre.ok());
    QCOMPARE(std::get<geom::Point3d>(centre.value()).x, 50.0);
    auto size = f.window.host().variables().getVariable("SCREENSIZE");
    QCOMPARE(std::get<geom::Point2d>(size.value()).x, double(f.view().width()));
    // Only what lies in the window is drawn.
    f.view().setView({1000, 1000}, 10, 10);
    f.view().regen();
    QCOMPARE(f.view().drawnEntities(), std::size_t(0));
  }

  // Vertices beyond what a float holds (a damaged or hostile drawing) are no crash, exact
  // or coarse, and the rest of the line is still drawn.
  void farVerticesAreNoCrash() {
    render::Path wave;
    for (int i = 0; i < 20000; ++i)
      wave.points.push_back({i * 0.01, 50 + 30 * std::sin(i * 0.002)});
    wave.points.push_back({1e39, 0});
    wave.points.push_back({-1e300, 1e300});
    wave.points.push_back({1e308, -1e308});
    wave.colour = {255, 0, 0};
    render::Path across;
    across.points = {{-1e308, -1e308}, {1e308, 1e308}};
    render::Picture picture;
    picture.items = {wave, across};
    for (const double size : {1.0, 0.3, 1e-3}) {
      const app::ViewTransform view{{100, 50}, size, QSize(220, 120)};
      const app::CoarsePicture coarse = app::coarsen(picture, app::scaleBand(view.pixelSize()));
      for (const app::CoarsePicture* c :
           {static_cast<const app::CoarsePicture*>(nullptr), &coarse}) {
        const QImage image = paintOnBlack(picture, view, c);
        if (size == 1.0)
          QVERIFY(image.pixel(view.toScreen({50, 50 + 30 * std::sin(10.0)}).toPoint()) !=
                  qRgb(0, 0, 0));
      }
    }
  }

  void coarsePictureDrawsTheSameLines() {
    // A wave of 20000 vertices a tenth of a pixel apart, and a sparse zigzag.
    render::Path wave;
    for (int i = 0; i < 20000; ++i)
      wave.points.push_back({i * 0.01, 50 + 30 * std::sin(i * 0.002)});
    wave.colour = {255, 0, 0};
    render::Path zigzag;
    for (int i = 0; i < 20; ++i) zigzag.points.push_back({i * 10.0, i % 2 == 0 ? 10.0 : 90.0});
    render::Picture picture;
    picture.items = {wave, zigzag};
    app::ViewTransform view{{100, 50}, 1.0, QSize(220, 120)};
    const int band = app::scaleBand(view.pixelSize());
    QCOMPARE(band, 0);
    QCOMPARE(app::scaleBand(0.3), -2);
    const app::CoarsePicture coarse = app::coarsen(picture, band);
    QVERIFY(coarse.fits(band));
    QVERIFY(!coarse.fits(band + 1));
    QVERIFY2(coarse.xy.size() / 2 < 2000, "the dense wave keeps too many vertices");
    // The zigzag's 20 corners all stay.
    QCOMPARE(coarse.starts[2] - coarse.starts[1], std::uint32_t(20));

    auto paint = [&](const app::CoarsePicture* c) { return paintOnBlack(picture, view, c); };
    const QImage exact = paint(nullptr), coarser = paint(&coarse);
    QCOMPARE(strayPixels(exact, coarser, qRgb(0, 0, 0)), 0);
    QCOMPARE(strayPixels(coarser, exact, qRgb(0, 0, 0)), 0);

    // Nothing to gain from a sparse path, and no float is fine enough for millimetres
    // 3000 km from the first vertex: both stay with the exact picture.
    render::Picture sparse;
    sparse.items = {zigzag};
    QVERIFY(!app::coarsen(sparse, band).fits(band));
    render::Picture far = picture;
    std::get<render::Path>(far.items[0]).points.push_back({3e6, 0});
    QVERIFY(!app::coarsen(far, -10).fits(-10));
  }

  void entityBelowAPixelIsADot() {
    cad::Database db;
    auto circle = std::make_unique<cad::Circle>();
    circle->setOcsCentre({10, 10, 0});
    circle->setRadius(0.01);
    circle->setColour(3);
    db.appendToModelSpace(std::move(circle));
    // An open polyline whose vertices all fall into one pixel.
    auto tiny = std::make_unique<cad::LwPolyline>();
    tiny->setVertices({{{30.1, 10.1}, 0, 0, 0}, {{30.2, 10.2}, 0, 0, 0}, {{30.3, 10.1}, 0, 0, 0}});
    tiny->setColour(1);
    db.appendToModelSpace(std::move(tiny));
    app::DrawingView view(db, nullptr);
    view.resize(400, 300);
    QVERIFY(view.setView({20, 10}, 400, 300));
    view.regen();
    const QImage& image = view.cachedImage();
    const QRgb background = image.pixel(0, 0);
    auto setAround = [&](geom::Point2d p, QRgb* colour) {
      int n = 0;
      const QPoint c = view.view().toScreen(p).toPoint();
      for (int y = c.y() - 3; y <= c.y() + 3; ++y) {
        for (int x = c.x() - 3; x <= c.x() + 3; ++x) {
          if (image.pixel(x, y) == background) continue;
          ++n;
          *colour = image.pixel(x, y);
        }
      }
      return n;
    };
    QRgb colour = 0;
    QCOMPARE(setAround({10, 10}, &colour), 1);
    QVERIFY(qGreen(colour) > 200 && qRed(colour) < 60);
    QCOMPARE(setAround({30.2, 10.15}, &colour), 1);
    QVERIFY(qRed(colour) > 200 && qGreen(colour) < 60);
  }

  void redrawOnSeveralThreadsEqualsOnePass() {
    // Enough vertices for the view to share them out between threads: polylines of
    // alternating colours that cross one another, so that the order of drawing shows, and
    // texts among them.
    cad::Database db;
    // Vertices some pixels apart, so that the view has no coarser copy to use.
    for (int k = 0; k < 1300; ++k) {
      auto p = std::make_unique<cad::LwPolyline>();
      std::vector<cad::LwVertex> vertices;
      for (int i = 0; i < 400; ++i) {
        const double t = i * 2.5;
        vertices.push_back({{t, 300 + 250 * std::sin(t / 60 + k * 0.037)}, 0, 0, 0});
      }
      p->setVertices(vertices);
      p->setColour(k % 2 == 0 ? 1 : 5);
      db.appendToModelSpace(std::move(p));
      if (k % 100 == 0) {
        auto text = std::make_unique<cad::Text>();
        text->setValue("剖面 " + std::to_string(k));
        text->setPosition({k * 0.7, 300, 0});
        text->setHeight(12);
        text->setColour(2);
        db.appendToModelSpace(std::move(text));
      }
    }
    app::DrawingView view(db, nullptr);
    view.resize(1000, 600);
    view.zoomExtents();
    view.regen();
    const QImage& layered = view.cachedImage();
    if (std::thread::hardware_concurrency() > 1) QVERIFY(view.paintedLayers() > 1);

    QImage single(layered.size(), QImage::Format_RGB32);
    single.fill(layered.pixel(0, 0));
    QPainter painter(&single);
    app::PaintStyle style;
    style.raster = &single;
    db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
      const geom::Extents2d box = db.modelExtents().of(e.id()).xy();
      const double size = std::max(box.width(), box.height());
      app::paintPicture(painter, render::renderEntity(db, e, size / 2000), view.view(), style);
      return true;
    });
    painter.end();
    int differing = 0;
    for (int y = 0; y < single.height(); ++y) {
      for (int x = 0; x < single.width(); ++x) {
        const QRgb a = single.pixel(x, y), b = layered.pixel(x, y);
        // Text edges are blended once more when a layer is laid over: a unit of rounding.
        if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
            std::abs(qBlue(a) - qBlue(b)) > 2) {
          ++differing;
        }
      }
    }
    QCOMPARE(differing, 0);
  }

  void commandLineKeepsHistoryAndCancels() {
    app::CommandLineWidget line(nullptr);
    QSignalSpy submitted(&line, &app::CommandLineWidget::submitted);
    QSignalSpy cancelled(&line, &app::CommandLineWidget::cancelled);
    QTest::keyClicks(line.input(), "LINE");
    QTest::keyClick(line.input(), Qt::Key_Return);
    QTest::keyClicks(line.input(), "ZOOM");
    QTest::keyClick(line.input(), Qt::Key_Return);
    QCOMPARE(submitted.count(), 2);
    QCOMPARE(submitted.at(0).at(0).toString(), QStringLiteral("LINE"));
    QTest::keyClick(line.input(), Qt::Key_Up);
    QTest::keyClick(line.input(), Qt::Key_Up);
    QCOMPARE(line.input()->text(), QStringLiteral("LINE"));
    QTest::keyClick(line.input(), Qt::Key_Escape);
    QCOMPARE(cancelled.count(), 1);
    line.print(QStringLiteral("\nhello from a plug-in\n"));
    QVERIFY(line.transcript().contains(QStringLiteral("Command: LINE")));
    QVERIFY(line.transcript().contains(QStringLiteral("hello from a plug-in")));
  }

  void eachInputModeAnswersAsTheHeadlessHostDoes() {
    Fixture f;
    host::Editor& editor = f.window.host().editor();
    // A click on the line picks it; the pick is highlighted.
    soon([&] {
      QTest::mouseClick(&f.view(), Qt::LeftButton, {}, f.screenOf({30, 0}) + QPoint(0, 2));
    });
    host::PickResult pick = editor.pickEntity("Select: ");
    QCOMPARE(pick.status, Status::Normal);
    QCOMPARE(pick.id, f.line);
    QCOMPARE(f.window.host().qtEditor().picked().size(), std::size_t(1));
    // Five pixels of pick box: three pixels off is nothing.
    soon([&] {
      QTest::mouseClick(&f.view(), Qt::LeftButton, {}, f.screenOf({30, 0}) + QPoint(0, 4));
    });
    QCOMPARE(editor.pickEntity("Select: ").status, Status::None);
    // Typed input: a point, a point to pick at, Enter, Escape, something else.
    soon([&] { f.window.commandLine().enter(QStringLiteral("12.5, -3")); });
    host::PointResult p = editor.getPoint("Point: ", geom::Point3d{0, 0, 0});
    QCOMPARE(p.status, Status::Normal);
    QCOMPARE(p.point, (geom::Point3d{12.5, -3, 0}));
    soon([&] { f.window.commandLine().enter(QStringLiteral("60,0")); });
    QCOMPARE(editor.pickEntity("Select: ").id, f.line);
    soon([&] { f.window.commandLine().enter(QString()); });
    QCOMPARE(editor.getPoint("Point: ").status, Status::None);
    editor.setInputOptions(host::kInputNoNull);
    soon([&] {
      f.window.commandLine().enter(QString());  // refused: an input is required
      f.window.commandLine().enter(QStringLiteral("nonsense"));
      QTest::keyClick(f.window.commandLine().input(), Qt::Key_Escape);
    });
    QCOMPARE(editor.getPoint("Point: ").status, Status::Cancel);
    // A drag follows the cursor through the callback and answers its transform.
    host::SelectionSet set;
    set.add(f.line);
    int calls = 0;
    soon([&] {
      QTest::mouseMove(&f.view(), f.screenOf({10, 10}));
      QTest::mouseClick(&f.view(), Qt::LeftButton, {}, f.screenOf({10, 10}));
    });
    host::DragResult d =
        editor.dragSelectionSet(set, "Drag: ", [&](const geom::Point3d& at, geom::Matrix3d& m) {
          ++calls;
          m = geom::Matrix3d::translation(at - geom::Point3d{0, 0, 0});
          return Status::Normal;
        });
    QCOMPARE(d.status, Status::Normal);
    QVERIFY(calls >= 1);
    QVERIFY(std::abs(d.transform.m[0][3] - 10) < 0.5);
    QCOMPARE(db_line_start(f), (geom::Point3d{0, 0, 0}));  // dragging changes nothing
    soon([&] { QTest::keyClick(&f.view(), Qt::Key_Escape); });
    QCOMPARE(
        editor
            .dragSelectionSet(
                set, "Drag: ", [](const geom::Point3d&, geom::Matrix3d&) { return Status::Normal; })
            .status,
        Status::Cancel);
  }

  void keywordsAtPromptsAnswerAsOverTheHeadlessHost() {
    Fixture f;
    host::Editor& editor = f.window.host().editor();
    QCOMPARE(editor.setKeywords(0, "Extents Window"), Status::Normal);
    soon([&] { f.window.commandLine().enter(QStringLiteral("wIN")); });
    QCOMPARE(editor.getPoint("[Extents/Window]: ").status, Status::Keyword);
    QCOMPARE(editor.keyword(), std::string("Window"));
    // A point still answers, a word that is no keyword is asked again, and the keywords
    // hold for one request only.
    editor.setKeywords(host::kInputNoNull, "Extents");
    soon([&] {
      f.window.commandLine().enter(QString());
      f.window.commandLine().enter(QStringLiteral("nonsense"));
      f.window.commandLine().enter(QStringLiteral("7,8"));
    });
    host::PointResult p = editor.getPoint("Point: ");
    QCOMPARE(p.status, Status::Normal);
    QCOMPARE(p.point, (geom::Point3d{7, 8, 0}));
    QCOMPARE(editor.keyword(), std::string());
    QVERIFY(f.window.commandLine().transcript().contains(
        QStringLiteral("A point or an option keyword is required.")));
    soon([&] { f.window.commandLine().enter(QStringLiteral("e")); });
    QCOMPARE(editor.getString("Name: ").value, std::string("e"));
    // A pick, a number (asked again while the flags refuse it) and a drag take them too.
    editor.setKeywords(0, "Undo");
    soon([&] { f.window.commandLine().enter(QStringLiteral("u")); });
    QCOMPARE(editor.pickEntity("Select: ").status, Status::Keyword);
    editor.setKeywords(host::kInputNoZero | host::kInputNoNegative, "Default");
    // One line each time the number is asked.
    soon([&] {
      f.window.commandLine().enter(QStringLiteral("0"));
      soon([&] {
        f.window.commandLine().enter(QStringLiteral("-1"));
        soon([&] { f.window.commandLine().enter(QStringLiteral("d")); });
      });
    });
    QCOMPARE(editor.getReal("Height: ").status, Status::Keyword);
    QCOMPARE(editor.keyword(), std::string("Default"));
    QVERIFY(f.window.commandLine().transcript().contains(QStringLiteral("Value must be nonzero.")));
    QVERIFY(
        f.window.commandLine().transcript().contains(QStringLiteral("Value must be positive.")));
    host::SelectionSet set;
    set.add(f.line);
    editor.setKeywords(0, "Base");
    soon([&] { f.window.commandLine().enter(QStringLiteral("B")); });
    QCOMPARE(
        editor
            .dragSelectionSet(
                set, "Drag: ", [](const geom::Point3d&, geom::Matrix3d&) { return Status::Normal; })
            .status,
        Status::Keyword);
    QCOMPARE(editor.setKeywords(0, "Ex/Wi"), Status::InvalidInput);
  }

  void zoomTakesItsOptionsAsKeywordsOrACorner() {
    Fixture f;
    // The window's corners, typed after the option.
    f.window.host().qtEditor().queueInput({"w", "10,-5", "30,5"});
    f.window.runCommand("ZOOM");
    QVERIFY(std::abs(f.view().view().centre.x - 20) < 1e-9);
    QVERIFY(std::abs(f.view().view().width() - 20) < 1e-6 ||
            std::abs(f.view().view().height() - 10) < 1e-6);
    // A corner right away.
    f.window.host().qtEditor().queueInput({"40,-1", "60,1"});
    f.window.runCommand("ZOOM");
    QVERIFY(std::abs(f.view().view().centre.x - 50) < 1e-9);
    // The extents, whole word or abbreviation in any case.
    f.window.host().qtEditor().queueInput({"EXTENTS"});
    f.window.runCommand("ZOOM");
    QVERIFY(std::abs(f.view().view().centre.x - 50) < 1e-9);
    QVERIFY(f.view().view().width() > 100);
    QVERIFY(!f.window.commandLine().transcript().contains(QStringLiteral("required")));
  }

  void servicesFindSupportFilesBesideTheAppAndOpenOnlyWebPages() {
    QTemporaryDir support;
    QFile lin(support.filePath("support.lin"));
    QVERIFY(lin.open(QIODevice::WriteOnly));
    lin.close();
    app::AppOptions options = testOptions();
    options.supportFolders = {support.path().toStdString()};
    MainWindow window(options);
    window.host().documents().newDocument();
    host::HostServices& services = window.host().services();
    auto found = services.findFile("support.lin");
    QVERIFY(found.ok());
    QCOMPARE(QString::fromStdString(found.value()), QFileInfo(lin).absoluteFilePath());
    QVERIFY(!services.findFile("nothing-of-the-kind.lin").ok());
    // The application's own folder comes first (the tests' program lies in it).
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QVERIFY(services.findFile(self.toStdString()).ok());

    // A plug-in's menu item "_browser URL": a web page is named (a script run opens none),
    // anything else is refused.
    window.host().qtEditor().queueInput({"https://example.org/"});
    window.runCommand("_BROWSER");
    QVERIFY(window.commandLine().transcript().contains(
        QStringLiteral("Web page (not opened in a script run): https://example.org/")));
    window.host().qtEditor().queueInput({"file:///etc/passwd"});
    window.runCommand("BROWSER");
    QVERIFY(window.commandLine().transcript().contains(
        QStringLiteral("file:///etc/passwd is no web address (http or https).")));
  }

  void everyCommandIsOneUndoStep() {
    Fixture f;
    const std::size_t before = modelEntities(f.db());
    f.window.host().qtEditor().queueInput({"0,0", "10,0", "10,10", ""});
    f.window.runCommand("LINE");
    QCOMPARE(modelEntities(f.db()), before + 2);
    // A command that changes, erases and adds a table entry in one go.
    f.window.host().commands().addCommand("T", "MIXED", "MIXED", 0, [&] {
      f.db().openForWrite<cad::Line>(f.line)->setEnd({200, 0, 0});
      f.db().addTableRecord(std::make_unique<cad::Layer>("Profile"));
      f.db().erase(f.line);
    });
    f.window.runCommand("MIXED");
    QVERIFY(!f.db().openForRead<cad::Line>(f.line));
    f.window.runCommand("U");
    QCOMPARE(f.db().openForRead<cad::Line>(f.line)->end(), (geom::Point3d{100, 0, 0}));
    QVERIFY(!f.db().layers().has("Profile"));
    QCOMPARE(modelEntities(f.db()), before + 2);
    // Saving keeps the history.
    QTemporaryDir dir;
    QVERIFY(
        f.window.saveDrawing(*f.window.host().documents().curDocument(), dir.filePath("a.dxf")));
    f.window.runCommand("U");
    QCOMPARE(modelEntities(f.db()), before);
    f.window.runCommand("REDO");
    f.window.runCommand("REDO");
    QCOMPARE(modelEntities(f.db()), before + 1);  // the line erased again
    QVERIFY(f.db().layers().has("Profile"));
    for (int i = 0; i < 3; ++i) f.window.runCommand("U");  // MIXED, LINE, the fixture's line
    QCOMPARE(modelEntities(f.db()), std::size_t(0));
    QVERIFY(!f.window.commandLine().transcript().contains(QStringLiteral("Nothing to undo")));
    f.window.runCommand("U");
    QVERIFY(f.window.commandLine().transcript().contains(QStringLiteral("Nothing to undo")));
  }

  // A palette button works under a write lock outside any command: each such piece of work
  // is a step of its own that U takes back, even when no command ran after it.
  void workUnderALockIsAnUndoStepOfItsOwn() {
    Fixture f;
    const std::size_t before = modelEntities(f.db());
    for (double y : {10.0, 20.0}) {
      host::DocumentLock lock(f.window.host().documents());
      QVERIFY(lock.locked());
      host::DocumentLock nested(f.window.host().documents());
      addLine(f.db(), {0, y, 0}, {100, y, 0});
      addLine(f.db(), {0, -y, 0}, {100, -y, 0});
    }
    QCOMPARE(modelEntities(f.db()), before + 4);
    f.window.runCommand("U");
    QCOMPARE(modelEntities(f.db()), before + 2);
    QVERIFY(f.window.commandLine().transcript().contains(QStringLiteral("Undo change")));
    f.window.runCommand("U");
    QCOMPARE(modelEntities(f.db()), before);
    f.window.runCommand("REDO");
    QCOMPARE(modelEntities(f.db()), before + 2);
    // A change with no lock and no command is taken back all the same.
    addLine(f.db(), {0, 50, 0}, {100, 50, 0});
    f.window.runCommand("U");
    QCOMPARE(modelEntities(f.db()), before + 2);
    QVERIFY(!f.window.commandLine().transcript().contains(QStringLiteral("Nothing to undo")));
  }

  void changedDrawingAsksBeforeClosing() {
    MainWindow window{testOptions(false)};
    window.show();
    window.host().documents().newDocument();
    app::DocumentWindow* w = window.currentWindow();
    addLine(w->document().database(), {0, 0, 0}, {1, 1, 0});
    QVERIFY(w->modified());
    QVERIFY(window.windowTitle().contains(QStringLiteral("Drawing1.dxf")));
    answerBox(QStringLiteral("取消"));
    QVERIFY(!window.closeDrawing(w));
    QCOMPARE(window.host().documents().documentCount(), std::size_t(1));
    // Closed from its tab: the window goes while its own close handler runs.
    answerBox(QStringLiteral("否"));
    w->close();
    QCOMPARE(window.host().documents().documentCount(), std::size_t(0));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.currentWindow() == nullptr);
  }

  void unreadableDrawingOpensNothing() {
    MainWindow window{testOptions()};
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.dxf"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n");  // ends inside a record
    bad.close();
    QVERIFY(!window.openDrawing(bad.fileName()));
    QCOMPARE(window.host().documents().documentCount(), std::size_t(0));
    QVERIFY(window.commandLine().transcript().contains(QStringLiteral("Cannot open")));
  }

  void modulesLoadFromTrustedFoldersOnly() {
    const QString module = QStringLiteral(KTEST_MODULE_DIR "/libktest_current.so");
    QVERIFY(QFileInfo::exists(module));
    win::Registry& registry = win::Registry::currentUser();
    win::RegKey key;
    QCOMPARE(registry.createKey("Software\\Kestra\\Host\\R1\\Applications\\ktest", key),
             win::RegStatus::Success);
    QCOMPARE(key.setDword("LOADCTRLS", 2), win::RegStatus::Success);
    QCOMPARE(key.setString("LOADER", module.toStdString()), win::RegStatus::Success);
    {
      // Untrusted, in a script run: not loaded, and the run goes on.
      app::AppOptions o = testOptions();
      o.useRegistry = true;
      MainWindow window{o};
      window.loadStartupModules();
      QCOMPARE(window.host().moduleLoader().modules().size(), std::size_t(0));
      QVERIFY(window.commandLine().transcript().contains(QStringLiteral("was not loaded")));
    }
    {
      // Untrusted, interactive: the warning's default is not to load.
      app::AppOptions o = testOptions(false);
      o.useRegistry = true;
      MainWindow window{o};
      answerBox(QStringLiteral("&No"));
      window.loadStartupModules();
      QCOMPARE(window.host().moduleLoader().modules().size(), std::size_t(0));
    }
    {
      app::AppOptions o = testOptions();
      o.useRegistry = true;
      o.trustedFolders = KTEST_MODULE_DIR;
      MainWindow window{o};
      window.loadStartupModules();
      QCOMPARE(window.host().moduleLoader().modules().size(), std::size_t(1));
    }
    registry.deleteTree("Software\\Kestra\\Host\\R1\\Applications\\ktest");
  }

  void paletteSetDocksFloatsAndComesBackFromXml() {
    MainWindow window{testOptions()};
    window.show();
    auto* set = new ui::PaletteSet(QStringLiteral("Sections"), &window);
    set->addPalette(QStringLiteral("Data"), new ui::Palette);
    set->addPalette(QStringLiteral("Drawing"), new ui::Palette);
    set->dock(ui::DockSide::Right);
    QCOMPARE(set->dockSide(), ui::DockSide::Right);
    QDomDocument xml;
    QDomElement saved = xml.createElement(QStringLiteral("Palette"));
    set->save(saved);
    set->dock(ui::DockSide::Floating);
    QCOMPARE(set->dockSide(), ui::DockSide::Floating);
    QVERIFY(set->load(&saved));
    QCOMPARE(set->dockSide(), ui::DockSide::Right);
    QVERIFY(!set->load(nullptr));
  }

  // When the pointer leaves a palette set that holds the keyboard focus, the focus goes
  // back to the drawing view unless the palette keeps it.
  void paletteSetGivesTheFocusBackUnlessThePaletteKeepsIt() {
    struct Keeping final : ui::Palette {
      bool keepsFocus() const override { return true; }
    };
    MainWindow window{testOptions()};
    window.show();
    window.host().documents().newDocument();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const bool keeps : {false, true}) {
      auto* set = new ui::PaletteSet(QStringLiteral("Sections"), &window);
      ui::Palette* palette = keeps ? new Keeping : new ui::Palette;
      auto* box = new QLineEdit(palette);
      set->addPalette(QStringLiteral("Data"), palette);
      set->dock(ui::DockSide::Left);
      set->show();
      window.activateWindow();
      box->setFocus();
      QTRY_VERIFY(box->hasFocus());
      QEvent leave(QEvent::Leave);
      QApplication::sendEvent(set, &leave);
      QCOMPARE(box->hasFocus(), keeps);
      delete set;
    }
  }

  // Ctrl+Z and Ctrl+Y undo and redo the drawing even while the command line has the focus
  // (the line's own text undo would otherwise take them).
  void undoKeysActOnTheDrawingFromTheCommandLine() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.window.host().qtEditor().queueInput({"0,0", "1,1", ""});
    QCOMPARE(f.window.runCommand("LINE"), Status::Normal);
    QCOMPARE(modelEntities(f.db()), std::size_t(2));
    QLineEdit* input = f.window.commandLine().input();
    input->setFocus();
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(modelEntities(f.db()), std::size_t(1));
    QTest::keyClick(input, Qt::Key_Y, Qt::ControlModifier);
    QTRY_COMPARE(modelEntities(f.db()), std::size_t(2));
  }

  void exceptionFromPluginCodeBecomesAMessage() {
    Fixture f;
    f.window.host().commands().addCommand("T", "THROWS", "THROWS", 0,
                                          [] { throw std::runtime_error("the plug-in failed"); });
    f.window.runCommand("THROWS");
    QVERIFY(f.window.commandLine().transcript().contains(QStringLiteral("the plug-in failed")));
    QVERIFY(!f.window.commandRunning());
    f.window.host().qtEditor().queueInput({"0,0", "1,1", ""});
    QCOMPARE(f.window.runCommand("LINE"), Status::Normal);  // the stack goes on
  }

  void scriptRunnerCarriesOutDirectivesAndStopsOnBadLines() {
    MainWindow window{testOptions()};
    window.show();
    window.host().documents().newDocument();
    ui::ScriptHooks hooks;
    hooks.readyForLine = [&] { return window.readyForInput(); };
    hooks.line = [&](const QString& l, QString& error) {
      window.commandLine().enter(l);
      error = window.lineError();
      return error.isEmpty();
    };
    hooks.expect = [&](const QString& t, QString& error) {
      error = t;
      return window.commandLine().transcript().contains(t);
    };
    ui::ScriptRunner runner({"# comment", "", "LINE", "0,0", "5,5", "@key Escape",
                             "@expect Specify next point", "NOSUCHCOMMAND", "ZOOM"},
                            hooks);
    QSignalSpy finished(&runner, &ui::ScriptRunner::finished);
    runner.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QVERIFY(finished.at(0).at(1).toString().startsWith(QStringLiteral("line 8:")));
    QCOMPARE(modelEntities(window.host().documents().curDocument()->database()), std::size_t(1));
  }

  // @cell clicks a cell of the focused list, or of the only one; @type and @key wait for a
  // modal window that has not taken the focus yet instead of typing into nowhere.
  void scriptRunnerClicksCellsAndTypesIntoTheDialog() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QTableWidget(30, 3, &window);
    auto* second = new QTableWidget(2, 2, &window);
    auto* open = new QPushButton(QStringLiteral("Open"), &window);
    for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second),
                       static_cast<QWidget*>(open)}) {
      layout->addWidget(w);
    }
    QStringList clicked;
    connect(first, &QTableWidget::cellClicked,
            [&](int r, int c) { clicked << QStringLiteral("%1,%2").arg(r).arg(c); });
    QString typed;
    connect(open, &QPushButton::clicked, [&] {
      QDialog dialog(&window);
      auto* name = new QLineEdit(&dialog);
      auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
      ok->setDefault(true);
      connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
      auto* box = new QVBoxLayout(&dialog);
      box->addWidget(name);
      box->addWidget(ok);
      // The dialog opens without the focus, as where no window manager hands it over.
      soon([&window] { window.activateWindow(); });
      if (dialog.exec() == QDialog::Accepted) typed = name->text();
    });
    window.resize(300, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    ui::ScriptHooks hooks;
    hooks.readyForLine = [] { return true; };
    hooks.idle = [] { return true; };
    hooks.mainWindow = [&window]() -> QWidget* { return &window; };
    auto run = [&](const QStringList& lines) {
      ui::ScriptRunner runner(lines, hooks);
      QSignalSpy finished(&runner, &ui::ScriptRunner::finished);
      runner.start();
      [[maybe_unused]] const bool done = finished.wait(20000);
      return finished.isEmpty() ? QStringLiteral("unfinished") : finished[0][1].toString();
    };
    open->setFocus();
    QCOMPARE(run({"@cell 1 1"}),
             QStringLiteral("line 1: 2 lists are shown and none has the focus"));
    first->setFocus();
    QCOMPARE(run({"@cell 2 3", "@cell 25 1"}), QString());
    QCOMPARE(clicked, QStringList({"1,2", "24,0"}));  // the second scrolled into view first
    QCOMPARE(run({"@cell 31 1"}),
             QStringLiteral("line 1: the list has no cell 31 1 (30 rows, 3 columns)"));
    QCOMPARE(run({"@cell 0 1"}),
             QStringLiteral("line 1: @cell needs a row and a column, counted from 1"));
    QCOMPARE(run({"@click Open", "@type kestra.txt", "@key Return"}), QString());
    QCOMPARE(typed, QStringLiteral("kestra.txt"));
  }

  void scriptedRunUnderXvfbSavesAndTakesAPicture() {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfb.isEmpty())
      QSKIP("xvfb-run is missing: the end-to-end run of kestra --script is skipped");
    QTemporaryDir dir;
    const QString drawing = dir.filePath("topo.dxf");
    QVERIFY(QFile::copy(QStringLiteral(KESTRA_SOURCE_DIR "/resources/samples/topo_small.dxf"),
                        drawing));
    const QString shot = dir.filePath("shot.png");
    QFile script(dir.filePath("run.txt"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        QStringLiteral("@wait\n@screenshot %1\nLINE\n512100,3518400\n512900,3519200\n@key Return\n"
                       "QSAVE\n@expect Saved\nPLOT\n%2\n@expect plotted\nSAVEAS\n%3\n"
                       "@expect Saved\nPLOT\n%3.dxf\n@expect is an open drawing\nQUIT\n")
            .arg(shot, dir.filePath("plot"), dir.filePath("copy"))
            .toUtf8());
    script.close();
    QProcess kestra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath("config"));
    kestra.setProcessEnvironment(env);
    kestra.start(xvfb, {QStringLiteral("-a"), QStringLiteral(KESTRA_BIN_DIR "/kestra"),
                        QStringLiteral("--no-registry"), QStringLiteral("--script"),
                        script.fileName(), drawing});
    QVERIFY(kestra.waitForFinished(120000));
    QVERIFY2(kestra.exitCode() == 0, kestra.readAllStandardError().constData());
    QVERIFY(QFileInfo::exists(dir.filePath("topo.bak")));
    QFile saved(drawing);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("512900"));
    // names typed without an extension get the format's
    QVERIFY(QFileInfo::exists(dir.filePath("copy.dxf")));
    QVERIFY(QFileInfo::exists(dir.filePath("plot.pdf")));
    // the plot named the open drawing's own file and was refused
    QFile copy(dir.filePath("copy.dxf"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QVERIFY(!copy.read(4).startsWith("%PDF"));
    const QImage image(shot);
    QVERIFY(!image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
      for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    }
    QVERIFY2(colours.size() > 8, "the screenshot is blank");
  }

 private:
  static geom::Point3d db_line_start(Fixture& f) {
    return f.db().openForRead<cad::Line>(f.line)->start();
  }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
