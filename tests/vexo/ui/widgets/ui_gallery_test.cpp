// The widget gallery renders every widget with the real skin images: the picture is written to the
// test's working folder (gallery.png), and the widgets show exactly the strip cells of their states.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <cstdlib>
#include <map>
#include <set>

#include "tests/common/temp_dir.h"
#include "vexo/ui/render/color.h"
#include "vexo/ui/resources/skin_colors.h"

// The gallery is a tool's source; the test compiles it in to inspect its tiles.
#include "tools/skin_gallery/gallery.cpp"
#include "tools/skin_gallery/pictures.cpp"
#include "tools/skin_gallery/family_tiles.cpp"

namespace {

std::string SourceRoot() {
  std::string file = __FILE__;  // <root>/tests/vexo/ui/widgets/ui_gallery_test.cpp
  for (int i = 0; i < 5; ++i) file = file.substr(0, file.find_last_of('/'));
  return file;
}

class GalleryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "ui_gallery_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) app_ = new QApplication(argc, argv);
    std::string error;
    rendered_ = skin_gallery::Render(SourceRoot() + "/data/pack", &result_, &error);
    error_ = error;
  }

  static QImage Skin(const std::string& name) {
    return QImage(QString::fromStdString(SourceRoot() + "/data/pack/" + name)).convertToFormat(QImage::Format_ARGB32);
  }

  // Compares the inside of a gallery tile (borders with soft edges left out) with the same part of
  // the state cell `index` of a strip of `states` cells.
  static int Mismatches(const QRect& tile, const QImage& strip, int states, int index, const QRect& part,
                        const QPoint& offset = QPoint(0, 0)) {
    const int cell = strip.width() / states;
    int mismatches = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
      for (int x = part.left(); x <= part.right(); ++x) {
        QRgb want = strip.pixel(index * cell + x, y);
        QRgb got = result_.image.pixel(tile.left() + offset.x() + x, tile.top() + offset.y() + y);
        if (qAlpha(want) == 255 && want != got) ++mismatches;
      }
    }
    return mismatches;
  }

  static QApplication* app_;
  static skin_gallery::Result result_;
  static bool rendered_;
  static std::string error_;
};

QApplication* GalleryTest::app_ = nullptr;
skin_gallery::Result GalleryTest::result_;
bool GalleryTest::rendered_ = false;
std::string GalleryTest::error_;

TEST_F(GalleryTest, RendersEveryWidgetWithTheSkinIntoOnePicture) {
  ASSERT_TRUE(rendered_) << error_;
  EXPECT_TRUE(result_.missing.empty());
  ASSERT_EQ(result_.image.size(), QSize(1000, 900 + skin_gallery::kFamilyBandHeight));
  ASSERT_TRUE(result_.image.save("gallery.png", "PNG"));
  QImage reread("gallery.png");
  EXPECT_EQ(reread.size(), result_.image.size());

  std::set<QRgb> colours;
  for (int y = 0; y < result_.image.height(); y += 2) {
    for (int x = 0; x < result_.image.width(); x += 2) colours.insert(result_.image.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 1000u);

  for (const char* name : {"VEXO_Button/normal", "VEXO_Button/hot", "VEXO_Button/pressed", "VEXO_Button/disabled",
                           "VEXO_TransparentBt/hot", "PageButton/current", "VEXO_Checkbox/checked", "VEXO_ListCtrl",
                           "VEXO_EditPass/stars", "VEXO_ComboBox/normal", "CSkinScrollBar/pressed-thumb",
                           "VEXO_HtmlCtrl", "VEXO_Dialog/message", "VEXO_Dialog/userinfo", "BCMenu",
                           "VEXO_ComboBox/dropped", "Notice",
                           "VEXO_RadioButton/checked", "VEXO_RadioButton/disabled-unchecked", "VEXO_TabCtrl",
                           "VEXO_TreeCtrl", "VEXO_Menu", "CButtonST/hot", "VEXO_BLabel/hot-link", "VEXO_SrcollLabel",
                           "CxSplitterWnd", "CySplitterWnd", "VEXO_SplitBar", "VEXO_IconMgr", "VEXO_RichEdit",
                           "VEXO_TabbedHtml"}) {
    QRect tile = skin_gallery::FindTile(result_, name);
    EXPECT_FALSE(tile.isEmpty()) << name;
    EXPECT_TRUE(QRect(QPoint(0, 0), result_.image.size()).contains(tile)) << name;
  }
}

// Each look of a button is the matching cell of its strip, drawn at its own size.
TEST_F(GalleryTest, ButtonsShowTheCellOfTheirState) {
  ASSERT_TRUE(rendered_) << error_;
  const QImage download = Skin("img/BtDownload.png");
  const char* looks[] = {"VEXO_Button/normal", "VEXO_Button/hot", "VEXO_Button/pressed", "VEXO_Button/disabled"};
  for (int state = 0; state < 4; ++state) {
    QRect tile = skin_gallery::FindTile(result_, looks[state]);
    ASSERT_EQ(tile.size(), QSize(download.width() / 4, download.height())) << looks[state];
    EXPECT_EQ(Mismatches(tile, download, 4, state, QRect(3, 3, tile.width() - 6, tile.height() - 6)), 0)
        << looks[state];
  }
  // The current page's button is disabled and shows the strip's last cell; the hot one its second.
  const QImage home = Skin("img/BtHome.png");
  QRect current = skin_gallery::FindTile(result_, "PageButton/current");
  EXPECT_EQ(Mismatches(current, home, 4, 3, QRect(4, 4, current.width() - 8, current.height() - 8)), 0);
  const QImage common = Skin("img/BtCommon.png");
  QRect hot = skin_gallery::FindTile(result_, "PageButton/hot");
  EXPECT_EQ(Mismatches(hot, common, 4, 1, QRect(4, 4, hot.width() - 8, hot.height() - 8)), 0);
}

// Check boxes of type 0 draw their cell at its own size at the left, vertically centred: checked,
// unchecked, disabled checked, disabled unchecked.
TEST_F(GalleryTest, CheckBoxesShowTheCellOfTheirState) {
  ASSERT_TRUE(rendered_) << error_;
  const QImage strip = Skin("img/checkbox.png");
  const char* looks[] = {"VEXO_Checkbox/checked", "VEXO_Checkbox/unchecked", "VEXO_Checkbox/disabled-checked",
                         "VEXO_Checkbox/disabled-unchecked"};
  for (int state = 0; state < 4; ++state) {
    QRect tile = skin_gallery::FindTile(result_, looks[state]);
    ASSERT_FALSE(tile.isEmpty()) << looks[state];
    QPoint offset(0, (tile.height() - strip.height()) / 2);
    EXPECT_EQ(Mismatches(tile, strip, 4, state, QRect(1, 1, 14, 14), offset), 0) << looks[state];
  }
  // The selected category is the unticked box: its stretched cell is the strip's second (selected) look.
  const QImage category = Skin("img/type2.png");
  QRect selected = skin_gallery::FindTile(result_, "Category/selected");
  ASSERT_EQ(selected.size(), QSize(category.width() / 4, category.height()));
  EXPECT_EQ(Mismatches(selected, category, 4, 1, QRect(0, 0, 24, selected.height())), 0);
}

// Radio buttons draw their look at its own size in the middle of the square of their height:
// checked, unchecked, disabled checked, disabled unchecked.
TEST_F(GalleryTest, RadioButtonsShowTheCellOfTheirState) {
  ASSERT_TRUE(rendered_) << error_;
  const QImage strip = Skin("img/radio.png");
  const char* looks[] = {"VEXO_RadioButton/checked", "VEXO_RadioButton/unchecked",
                         "VEXO_RadioButton/disabled-checked", "VEXO_RadioButton/disabled-unchecked"};
  for (int state = 0; state < 4; ++state) {
    QRect tile = skin_gallery::FindTile(result_, looks[state]);
    ASSERT_FALSE(tile.isEmpty()) << looks[state];
    const int inset = (tile.height() - strip.height()) / 2;
    EXPECT_EQ(Mismatches(tile, strip, 4, state, QRect(0, 0, 16, 16), QPoint(inset, inset)), 0) << looks[state];
  }
}

// The list paints its rows in the skin's own colours (from the pack's colour file): plain and alternate
// rows, a hover row that stands out from both, the selected row in the accent; the message box takes
// its image's shape, so its cut corner shows the window behind it.
TEST_F(GalleryTest, ListColoursAndShapedMessageBox) {
  ASSERT_TRUE(rendered_) << error_;
  std::map<std::string, std::uint32_t> skin;
  ASSERT_GT(VEXO_ParseSkinColors(corvane_test::ReadWholeFile(SourceRoot() + "/data/pack/img/colors.xml"), &skin), 0);
  const auto rgb = [&](const char* name) { return VEXO_ToQColor(skin.at(name)).rgb() & 0xFFFFFF; };
  const auto distance = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
  };
  EXPECT_GT(distance(rgb(vexo_color::kListHoverBk), rgb(vexo_color::kListNormalBk)), 30);
  EXPECT_GT(distance(rgb(vexo_color::kListHoverBk), rgb(vexo_color::kListAltBk)), 30);

  QRect list = skin_gallery::FindTile(result_, "VEXO_ListCtrl");
  ASSERT_FALSE(list.isEmpty());
  std::map<QRgb, int> counts;
  for (int y = list.top(); y <= list.bottom(); ++y) {
    for (int x = list.left(); x <= list.right(); ++x) ++counts[result_.image.pixel(x, y) & 0xFFFFFF];
  }
  for (const char* name : {vexo_color::kListSelectedBk, vexo_color::kListHoverBk, vexo_color::kListNormalBk,
                           vexo_color::kListAltBk}) {
    EXPECT_GT(counts[rgb(name)], 1000) << name;
  }
  EXPECT_GT(counts[rgb(vexo_color::kListGrid)], 300);
  EXPECT_EQ(counts[0x4664C8] + counts[0xAFE1E1], 0);  // none of the stock colours

  QRect box = skin_gallery::FindTile(result_, "VEXO_Dialog/message");
  ASSERT_FALSE(box.isEmpty());
  QRgb behind = result_.image.pixel(box.left() - 2, box.top() + 40);
  EXPECT_EQ(result_.image.pixel(box.left(), box.top()), behind);
  EXPECT_NE(result_.image.pixel(box.left() + 2, box.top() + 12), behind);
}

// Pixels of `image` inside `area` within a small distance of `colour`.
QRect InkOf(const QImage& image, const QRect& area, QRgb colour) {
  QRect ink;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
              std::abs(qBlue(p) - qBlue(colour)) < 60)
        ink |= QRect(x, y, 1, 1);
    }
  }
  return ink;
}

// The update notice is in the skin's dark blue (colours are 0x00BBGGRR: an RGB value passed as is
// would draw it brown). On a screen of twice the density the gallery is drawn at twice the size:
// skin images pixel for pixel doubled, text drawn afresh and not cut off by its box.
TEST_F(GalleryTest, NoticeIsBlueAndTwiceTheScaleIsCrispAndUnclipped) {
  ASSERT_TRUE(rendered_) << error_;
  const QRect notice = skin_gallery::FindTile(result_, "Notice");
  ASSERT_FALSE(notice.isEmpty());
  const QRgb blue = qRgb(0x1F, 0x5F, 0xA8);
  EXPECT_GT(InkOf(result_.image, notice, blue).width(), 150);
  EXPECT_TRUE(InkOf(result_.image, notice, qRgb(0xA8, 0x5F, 0x1F)).isEmpty());

  const char* bin = std::getenv("CORVANE_TEST_BIN");
  corvane_test::TempDir dir;
  const std::string out = dir.File("gallery2x.png");
  ASSERT_EQ(corvane_test::RunCommand("QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 '" +
                                     std::string(bin && *bin ? bin : "../bin") + "/skin_gallery' --skin '" +
                                     SourceRoot() + "/data/pack' --out '" + out + "' > /dev/null 2>&1"),
            0);
  const QImage big = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(big.size(), result_.image.size() * 2);
  const auto doubled = [](const QRect& r) { return QRect(r.topLeft() * 2, r.size() * 2); };

  const QRect button = skin_gallery::FindTile(result_, "VEXO_Button/normal");
  int mismatches = 0;
  for (int y = button.top() + 1; y < button.bottom(); ++y)
    for (int x = button.left() + 1; x < button.right(); ++x)
      for (int d = 0; d < 4; ++d) mismatches += big.pixel(2 * x + d % 2, 2 * y + d / 2) != result_.image.pixel(x, y);
  EXPECT_EQ(mismatches, 0);

  const QRect notice2 = doubled(notice);
  const QRect ink = InkOf(big, notice2, blue);
  EXPECT_GT(ink.width(), 300);
  EXPECT_GT(ink.top(), notice2.top());
  EXPECT_LT(ink.bottom(), notice2.bottom());
  EXPECT_LT(ink.right(), notice2.right());
  const QRect edit2 = doubled(skin_gallery::FindTile(result_, "VEXO_Edit/normal"));
  const QRect typed = InkOf(big, edit2.adjusted(2, 2, -2, -2), qRgb(0, 0, 0));
  EXPECT_GT(typed.height(), 14);
  EXPECT_GT(typed.top(), edit2.top() + 2);
  EXPECT_LT(typed.bottom(), edit2.bottom() - 2);
}

}  // namespace
