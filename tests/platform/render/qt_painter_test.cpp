#include "platform/render/qt_painter.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <memory>

#include "platform/cad/block_reference.h"
#include "platform/render/pdf_writer.h"

namespace {

using namespace render;

class QtPainter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  // Qt's own statics are gone by the time static destructors run; the application has to
  // go first.
  static void TearDownTestSuite() { app_.reset(); }
  // World 0..20 x 0..10 onto a 200 x 100 image: 10 pixels a unit, y turned down.
  static QImage PaintOn(const Picture& picture, bool dark = false) {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(dark ? Qt::black : Qt::white);
    QPainter painter(&image);
    PaintOptions options;
    options.darkBackground = dark;
    paint(painter, picture, fitWindow(geom::Extents2d::of({0, 0}, {20, 10}), image.rect()),
          options);
    return image;
  }
  static int Count(const QImage& image, const QRect& r, auto&& test) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
  }
  static inline std::unique_ptr<QGuiApplication> app_;
};

bool Reddish(QColor c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; }
bool Dark(QColor c) { return c.lightness() < 128; }

TEST_F(QtPainter, LinesFillsAndColoursLandWhereTheTransformPutsThem) {
  Picture pic;
  Path red;
  red.points = {{0, 7}, {20, 7}};
  red.width = 0.4;  // 4 pixels
  red.colour = {255, 0, 0};
  pic.items.push_back(red);
  Path square;
  square.points = {{2, 1}, {5, 1}, {5, 4}, {2, 4}};
  square.closed = square.filled = true;
  square.colour = {0, 0, 255};
  pic.items.push_back(square);
  Path dashed;
  dashed.points = {{0, 5}, {20, 5}};
  dashed.dashes = {1, 1};  // 10 pixels on, 10 off
  pic.items.push_back(dashed);

  const QImage img = PaintOn(pic);
  // y = 7 is row 30; the 4-pixel pen covers rows 28..31 and nothing at rows 24 or 36
  EXPECT_EQ(Count(img, QRect(0, 29, 200, 2), Reddish), 400);
  EXPECT_EQ(Count(img, QRect(0, 24, 200, 1), Reddish), 0);
  EXPECT_EQ(Count(img, QRect(0, 36, 200, 1), Reddish), 0);
  // the square fills x 20..50, rows 60..90 and stays inside them
  EXPECT_EQ(img.pixelColor(35, 75), QColor(0, 0, 255));
  EXPECT_EQ(img.pixelColor(55, 75), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(35, 95), QColor(Qt::white));
  // the dashed hairline (black on white) at row 50: on about half of its length
  const int on = Count(img, QRect(0, 49, 200, 3), Dark);
  EXPECT_GT(on, 70);
  EXPECT_LT(on, 130);

  // on a dark background black trades places with white; other colours stay
  const QImage dark = PaintOn(pic, true);
  EXPECT_GT(Count(dark, QRect(0, 49, 200, 3), [](QColor c) { return c.lightness() > 60; }), 70);
  EXPECT_EQ(dark.pixelColor(35, 75), QColor(0, 0, 255));
}

TEST_F(QtPainter, TextsTakeTheirHeightAlignmentAndACjkFace) {
  Picture pic;
  Label l;
  l.anchor = {10, 5};
  l.text = "K0+020 断面";
  l.height = 2;  // 20 pixels of capital height
  l.h = HAlign::Centre;
  l.v = VAlign::Middle;
  l.typeface = "NoSuchFaceAnywhere";
  pic.items.push_back(l);
  const QImage img = PaintOn(pic);
  // ink around the middle of the image, none at its corners or beyond a capital height
  // above and below the anchor
  EXPECT_GT(Count(img, QRect(60, 40, 80, 20), Dark), 100);
  EXPECT_EQ(Count(img, QRect(0, 0, 200, 25), Dark), 0);
  EXPECT_EQ(Count(img, QRect(0, 76, 200, 24), Dark), 0);
  // left and right of the centre alike (centred), within a few columns of ink
  const int left = Count(img, QRect(0, 0, 100, 100), Dark);
  const int right = Count(img, QRect(100, 0, 100, 100), Dark);
  EXPECT_GT(left, 50);
  EXPECT_GT(right, 50);
  // the CJK characters come from an installed CJK face
  const QFontInfo info(labelFont(l));
  EXPECT_TRUE(info.family().contains("WenQuanYi") || info.family().contains("CJK"))
      << info.family().toStdString();

  // texts smaller than the threshold are left out
  QImage blank(200, 100, QImage::Format_RGB32);
  blank.fill(Qt::white);
  QPainter painter(&blank);
  PaintOptions o;
  o.minimumTextHeight = 30;
  paint(painter, pic, fitWindow(geom::Extents2d::of({0, 0}, {20, 10}), blank.rect()), o);
  painter.end();
  EXPECT_EQ(Count(blank, blank.rect(), Dark), 0);
}

TEST_F(QtPainter, FitWindowKeepsOneScaleAndCentres) {
  const QTransform t = fitWindow(geom::Extents2d::of({0, 0}, {10, 10}), QRectF(0, 0, 200, 100));
  EXPECT_EQ(t.map(QPointF(0, 0)), QPointF(50, 100));
  EXPECT_EQ(t.map(QPointF(10, 10)), QPointF(150, 0));
}

}  // namespace

namespace {

TEST_F(QtPainter, PdfPagesTakeTheirSheetSizesAndEmbedTheFace) {
  Picture pic;
  Path frame;
  frame.points = {{0, 0}, {420, 0}, {420, 297}, {0, 297}};
  frame.closed = true;
  pic.items.push_back(frame);
  Label l;
  l.anchor = {100, 100};
  l.text = "断面 K0+020";
  l.height = 5;
  pic.items.push_back(l);
  const std::vector<PdfPage> pages = {
      {geom::Extents2d::of({0, 0}, {420, 297}), 420, 297},
      {geom::Extents2d::of({0, 0}, {594, 841}), 594, 841},
  };
  const std::string pdf = writePdf(pic, pages);
  ASSERT_TRUE(pdf.starts_with("%PDF-"));
  std::vector<std::pair<double, double>> boxes;
  for (std::size_t at = pdf.find("/MediaBox"); at != std::string::npos;
       at = pdf.find("/MediaBox", at + 1)) {
    double x0, y0, w, h;
    ASSERT_EQ(std::sscanf(pdf.c_str() + at, "/MediaBox [%lf %lf %lf %lf", &x0, &y0, &w, &h), 4);
    boxes.emplace_back(w * 25.4 / 72, h * 25.4 / 72);
  }
  ASSERT_EQ(boxes.size(), 2u);
  // sheet sizes in millimetres (the writer keeps whole points: within 0.2 mm)
  EXPECT_NEAR(boxes[0].first, 420, 0.2);
  EXPECT_NEAR(boxes[0].second, 297, 0.2);
  EXPECT_NEAR(boxes[1].first, 594, 0.2);
  EXPECT_NEAR(boxes[1].second, 841, 0.2);
  // the CJK face travels with the document, as TrueType text (selectable), not outlines
  EXPECT_NE(pdf.find("/FontFile2"), std::string::npos);
  EXPECT_NE(pdf.find("WenQuanYi"), std::string::npos);
  EXPECT_NE(pdf.find("/ToUnicode"), std::string::npos);

  EXPECT_TRUE(writePdf(pic, {}).empty());
}

TEST(PdfPageForWindow, TrueScaleWhenItFitsElseShrunkOntoA3) {
  const PdfPage small = pageForWindow(geom::Extents2d::of({100, 100}, {300, 200}));
  EXPECT_DOUBLE_EQ(small.widthMm, 220);
  EXPECT_DOUBLE_EQ(small.heightMm, 120);
  EXPECT_DOUBLE_EQ(small.window.min.x, 90);
  const PdfPage big = pageForWindow(geom::Extents2d::of({0, 0}, {1000, 5000}));
  EXPECT_DOUBLE_EQ(big.widthMm, 297);
  EXPECT_DOUBLE_EQ(big.heightMm, 420);
}

}  // namespace

namespace {

TEST(FramePages, SheetsByTheFrameBlocksNamesScaledAndTurned) {
  EXPECT_EQ(render::frameSheetSize("RUVOA3LS"), (geom::Vector2d{420, 297}));
  EXPECT_EQ(render::frameSheetSize("ruvoa1pt"), (geom::Vector2d{594, 841}));
  EXPECT_EQ(render::frameSheetSize("A0LS"), (geom::Vector2d{1189, 841}));
  EXPECT_EQ(render::frameSheetSize("A4PT"), (geom::Vector2d{210, 297}));
  EXPECT_FALSE(render::frameSheetSize("RUVOA5LS"));
  EXPECT_FALSE(render::frameSheetSize("FRAME"));
  cad::Database db;
  db.appendToModelSpace(
      std::make_unique<cad::BlockReference>("RUVOA3LS", geom::Point3d{100, 50, 0}));
  auto turned = std::make_unique<cad::BlockReference>("TKA4LS", geom::Point3d{0, 0, 0});
  turned->setRotationDegrees(90);
  turned->setScale({2, 2, 1});
  db.appendToModelSpace(std::move(turned));
  db.appendToModelSpace(std::make_unique<cad::BlockReference>("OTHER", geom::Point3d{0, 0, 0}));
  const auto pages = render::framePages(db);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].window.min, (geom::Point2d{100, 50}));
  EXPECT_EQ(pages[0].window.max, (geom::Point2d{520, 347}));
  EXPECT_EQ(pages[0].widthMm, 420);
  // a landscape A4 frame turned upright at twice the size: a portrait page of the sheet
  EXPECT_NEAR(pages[1].window.min.x, -420, 1e-9);
  EXPECT_NEAR(pages[1].window.max.y, 594, 1e-9);
  EXPECT_EQ(pages[1].widthMm, 210);
  EXPECT_EQ(pages[1].heightMm, 297);
}

}  // namespace
