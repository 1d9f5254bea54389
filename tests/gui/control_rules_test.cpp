// The rules that tie the controls together, driven through the real window: the size boxes
// and the ratio arithmetic, the foreground-count list, bitrate and audio rules, the clear
// buttons, source information and the GIF preview, the label shortcuts, the clock, the file
// to show for a finished task, and deep copies of task records.
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QUrl>

#include <signal.h>

#include <cmath>
#include <functional>
#include <vector>

#include "gui/file_manager.h"
#include "gui/ratio_table.h"
#include "support/window_helpers.h"

using namespace window_helpers;

namespace {

const QColor kActive(208, 232, 255), kWhite(255, 255, 255);

// A file manager on a private bus: records what it was asked to show.
class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList shown;
 public slots:
  void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

}  // namespace

class ControlRulesTest : public WindowCase {
 protected:
  // The user picks ratio item `index` from the list.
  void ChooseRatio(int index) {
    Find<QComboBox>("宽高比例")->setCurrentIndex(index);
    emit Find<QComboBox>("宽高比例")->activated(index);
  }
  // Ratio item `item` (-1: none) with the width or the height box active.
  void SetRatio(int item, bool widthActive) {
    Find<QComboBox>("宽高比例")->setCurrentIndex(item);
    widthActive ? Editor().ActivateWidthBox() : Editor().ActivateHeightBox();
  }
  void SetForeground(int width, int height) {
    Editor().current.foregroundWidth = width;
    Editor().current.foregroundHeight = height;
  }
  void SendFocus(QWidget* target, QEvent::Type type) {
    QFocusEvent event(type, Qt::OtherFocusReason);
    QApplication::sendEvent(target, &event);
  }
};

// ---- size boxes and ratio ---------------------------------------------------------------

TEST_F(ControlRulesTest, ActiveSizeBoxIsTheColouredOne) {
  auto colours = [&] {
    return std::vector<QColor>{Find<QLineEdit>("宽度框")->palette().color(QPalette::Base),
                               Find<QFrame>("宽度框b")->palette().color(QPalette::Window),
                               Find<QLineEdit>("高度框")->palette().color(QPalette::Base),
                               Find<QFrame>("高度框b")->palette().color(QPalette::Window)};
  };
  EXPECT_EQ(colours(), (std::vector<QColor>{kWhite, kWhite, kWhite, kWhite}));

  QTest::mouseClick(Find<QLineEdit>("高度框"), Qt::LeftButton);  // a click in a box makes it the active one
  EXPECT_EQ(colours(), (std::vector<QColor>{kWhite, kWhite, kActive, kActive}));
  EXPECT_FALSE(Editor().WidthBoxActive());

  QTest::mouseClick(Find<QLineEdit>("宽度框"), Qt::LeftButton);
  EXPECT_EQ(colours(), (std::vector<QColor>{kActive, kActive, kWhite, kWhite}));
  EXPECT_TRUE(Editor().WidthBoxActive());

  Editor().ActivateHeightBox();
  EXPECT_FALSE(Editor().WidthBoxActive());
  EXPECT_EQ(w().focusWidget(), Find<QLineEdit>("高度框"));
}

// Entry k + 1 of the ratio table is the long over the short side of the ratio list's item k,
// entry k + 12 the short over the long, both as the six-place decimals the program has always
// used (two of them, 0.54 and 0.426632, a little off the exact fraction).
TEST_F(ControlRulesTest, RatioTableFollowsTheRatioList) {
  const QStringList items = window_helpers::Items(Find<QComboBox>("宽高比例"));
  ASSERT_EQ(items.size(), 11);
  for (int k = 0; k < items.size(); ++k) {
    SCOPED_TRACE(items[k].toStdString());
    const QRegularExpressionMatch m = QRegularExpression(R"(\[(\d+):(\d+)\])").match(items[k]);
    ASSERT_TRUE(m.hasMatch());
    const double a = m.captured(1).toDouble(), b = m.captured(2).toDouble();
    const double longOverShort = std::max(a, b) / std::min(a, b);
    EXPECT_NEAR(app::kRatioTable[size_t(k + 1)], longOverShort, 0.002);
    EXPECT_NEAR(app::kRatioTable[size_t(k + 12)], 1 / longOverShort, 0.002);
    for (int entry : {k + 1, k + 12}) {
      const double scaled = app::kRatioTable[size_t(entry)] * 1e6;
      EXPECT_NEAR(scaled, std::round(scaled), 1e-6);
    }
  }
}

TEST_F(ControlRulesTest, RatioDimensionArithmetic) {
  struct Case {
    int item;  // -1: nothing selected
    bool widthActive;
    int typed, other;
  };
  for (const Case& c :
       std::vector<Case>{{0, true, 1080, 606},    // 607.5 -> 607 -> even 606
                         {0, true, 1920, 1080},   // 16:9 from the width
                         {0, false, 1080, 1920},  // 16:9 from the height
                         {7, false, 1920, 1080},  // 9:16 from the height
                         {7, true, 1080, 1920},   // 9:16 from the width
                         {6, false, 1000, 2350},  // 47:20 from the height
                         {6, true, 1000, 426},    // 426.632 -> 426.63 -> 426 (0.426632, not 20/47)
                         {5, true, 1000, 540},    // 37:20 uses 0.54
                         {4, false, 1000, 2332},  // 2333.333 -> 2333 -> even 2332
                         {10, true, 1080, 1440},  // 3:4 from the width
                         {-1, true, 1920, 0}}) {  // no ratio chosen
    SetRatio(c.item, c.widthActive);
    EXPECT_EQ(Editor().RatioDimension(c.typed), c.other)
        << c.item << (c.widthActive ? " width " : " height ") << c.typed;
  }
}

TEST_F(ControlRulesTest, RatioSelectionFillsBothBoxesFromTheForeground) {
  // A portrait clip to landscape output: height from the clip, width from the ratio.
  SetForeground(1080, 1920);
  ChooseRatio(0);
  EXPECT_EQ(Find<QLineEdit>("高度框")->text(), "1920");
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), "3412");  // 1920 x 1.777778 = 3413.33 -> 3413 -> 3412
  EXPECT_FALSE(Editor().WidthBoxActive());
  EXPECT_EQ(Editor().lastComputedCount, 3);  // 3412 / 1080

  // A landscape clip to portrait output: width from the clip, height from the ratio.
  SetForeground(1920, 1080);
  ChooseRatio(7);
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), "1920");
  EXPECT_EQ(Find<QLineEdit>("高度框")->text(), "3412");
  EXPECT_TRUE(Editor().WidthBoxActive());
  EXPECT_EQ(Editor().lastComputedCount, 0);  // no copies side by side: the count box hides
  EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), 0);

  // The computed side never falls below the clip's own size.
  SetForeground(1000, 400);
  ChooseRatio(3);  // 4:3 from height 400 would give 532
  EXPECT_EQ(Find<QLineEdit>("高度框")->text(), "400");
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), "1000");
}

TEST_F(ControlRulesTest, RatioCalculationMessagesAndResults) {
  struct Case {
    int item;
    bool widthActive;
    const char *width, *height;
    const char* message;  // nullptr: no message
    const char *widthAfter, *heightAfter;
  };
  const char* tooSmall = "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。";
  for (const Case& c :
       std::vector<Case>{{0, true, "95", "1080", tooSmall, "95", "1080"},
                         {0, false, "1920", "95", tooSmall, "1920", "95"},
                         {0, true, "", "1080", tooSmall, "", "1080"},
                         {0, true, "1920", "200", nullptr, "1920", "1080"},
                         {0, false, "200", "1080", nullptr, "1920", "1080"},
                         {6, false, "100", "1000", nullptr, "2350", "1000"},
                         {6, true, "1000", "100", nullptr, "1000", "426"},
                         {7, false, "1080", "100",
                          "当前视频高度设置有误，换算宽度仅有56，低于最低限度96，请修改。", "1080", ""},
                         {0, true, "100", "1080",
                          "当前视频宽度设置有误，换算高度仅有56，低于最低限度96，请修改。", "", "1080"},
                         {-1, true, "1920", "1080",
                          "当前视频宽度设置有误，换算高度仅有0，低于最低限度96，请修改。", "", "1080"}}) {
    SCOPED_TRACE(std::string(c.width) + "x" + c.height + " item " + std::to_string(c.item));
    dialogs.errors.clear();
    SetRatio(c.item, c.widthActive);
    Find<QLineEdit>("宽度框")->setText(c.width);
    Find<QLineEdit>("高度框")->setText(c.height);
    QTest::mouseClick(Find<QPushButton>("比例计算"), Qt::LeftButton);
    EXPECT_EQ(dialogs.errors, c.message ? QStringList{c.message} : QStringList{});
    EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), c.widthAfter);
    EXPECT_EQ(Find<QLineEdit>("高度框")->text(), c.heightAfter);
  }
}

// ---- foreground count -------------------------------------------------------------------

TEST_F(ControlRulesTest, ForegroundCountListOffersTheCopiesThatFit) {
  SetForeground(1080, 1920);
  EXPECT_EQ(Editor().UpdateForegroundCount(1920, 1080), 3);  // 1920 / 607.5 = 3.16
  EXPECT_EQ(Items(Find<CountComboBox>("前景计数")), (QStringList{"1", "2", "3"}));
  EXPECT_EQ(Find<CountComboBox>("前景计数")->currentText(), "1");  // the first time, one copy
  EXPECT_EQ(Find<QLabel>("前景框")->width(), 270);
  EXPECT_EQ(Find<QFrame>("前景框b")->width(), 276);
  EXPECT_TRUE(On(Find<CountComboBox>("前景计数")));

  // The user chooses three copies; an output where only two fit keeps the most it can.
  Find<CountComboBox>("前景计数")->setCurrentIndex(2);
  emit Find<CountComboBox>("前景计数")->activated(2);
  EXPECT_EQ(Editor().current.selectedForegroundCount, 2);
  EXPECT_EQ(Editor().UpdateForegroundCount(1500, 1080), 2);  // 1500 / 607.5 = 2.47
  EXPECT_EQ(Items(Find<CountComboBox>("前景计数")), (QStringList{"1", "2"}));
  EXPECT_EQ(Find<CountComboBox>("前景计数")->currentText(), "2");

  // Back to three: the choice of two stays.
  EXPECT_EQ(Editor().UpdateForegroundCount(1920, 1080), 3);
  EXPECT_EQ(Find<CountComboBox>("前景计数")->currentText(), "2");

  // The same count again changes nothing, not even a selection made in between.
  Find<CountComboBox>("前景计数")->setCurrentIndex(0);
  EXPECT_EQ(Editor().UpdateForegroundCount(1900, 1080), 3);
  EXPECT_EQ(Find<CountComboBox>("前景计数")->currentText(), "1");

  // One copy: the path box widens over the list, which empties.
  EXPECT_EQ(Editor().UpdateForegroundCount(1080, 1080), 1);
  EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), 0);
  EXPECT_EQ(Editor().lastComputedCount, 0);
  EXPECT_EQ(Find<QLabel>("前景框")->width(), 312);
  EXPECT_EQ(Find<QFrame>("前景框b")->width(), 318);
}

TEST_F(ControlRulesTest, ForegroundCountIsZeroWhenAnySizeIsZero) {
  struct Case {
    int fw, fh, width, height, expected;
  };
  for (const Case& c : std::vector<Case>{{0, 1920, 1920, 1080, 0},
                                         {1080, 0, 1920, 1080, 0},
                                         {1080, 1920, 0, 1080, 0},
                                         {1080, 1920, 1920, 0, 0},
                                         // A sliver of a clip on a flat output: bounded list.
                                         {16, 4096, 9999, 1, app::kMaxForegroundCopies}}) {
    SCOPED_TRACE(std::to_string(c.fw) + "x" + std::to_string(c.fh) + " -> " + std::to_string(c.width) + "x" +
                 std::to_string(c.height));
    SetForeground(1080, 1920);
    Editor().UpdateForegroundCount(1920, 1080);  // the list shows first
    SetForeground(c.fw, c.fh);
    EXPECT_EQ(Editor().UpdateForegroundCount(c.width, c.height), c.expected);
    EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), c.expected);
    Editor().UpdateForegroundCount(0, 0);
  }
}

TEST_F(ControlRulesTest, CountListFocusAndSizeBoxFocusRules) {
  SetForeground(1080, 1920);
  Find<QLineEdit>("宽度框")->setText("1920");
  Find<QLineEdit>("高度框")->setText("1080");
  SendFocus(Find<QLineEdit>("宽度框"), QEvent::FocusOut);  // leaving a size box stores the count
  EXPECT_EQ(Editor().storedCount, 3);
  SendFocus(Find<CountComboBox>("前景计数"), QEvent::FocusIn);
  EXPECT_TRUE(On(Find<CountComboBox>("前景计数")));

  Find<QLineEdit>("高度框")->setText("1920");
  SendFocus(Find<QLineEdit>("高度框"), QEvent::FocusOut);
  EXPECT_EQ(Editor().storedCount, 1);  // 1920 / 1080: one copy, the list hides
  EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), 0);
  Find<CountComboBox>("前景计数")->setEnabled(true);
  SendFocus(Find<CountComboBox>("前景计数"), QEvent::FocusIn);  // reached by the keyboard while covered
  EXPECT_FALSE(On(Find<CountComboBox>("前景计数")));
}

// ---- bitrate and audio --------------------------------------------------------------------

TEST_F(ControlRulesTest, AutomaticBitrateTakesTheForegroundsRate) {
  Editor().current.foregroundBitrate = "2345";
  Find<QLineEdit>("码率框")->setText("99");
  Find<QCheckBox>("自动码率")->click();  // off: the box is the user's
  EXPECT_FALSE(Find<QCheckBox>("自动码率")->isChecked());
  EXPECT_TRUE(On(Find<QLineEdit>("码率框")));
  EXPECT_EQ(Find<QLineEdit>("码率框")->text(), "99");
  Find<QCheckBox>("自动码率")->click();  // on: the clip's rate, box locked
  EXPECT_EQ(Find<QLineEdit>("码率框")->text(), "2345");
  EXPECT_FALSE(On(Find<QLineEdit>("码率框")));
}

TEST_F(ControlRulesTest, MuteClickAndAudioRule) {
  for (QCheckBox* b : {Find<QCheckBox>("前景音"), Find<QCheckBox>("背景音"), Find<QCheckBox>("音乐")})
    b->setEnabled(true);
  auto fades = [&] { return std::pair(On(Find<QCheckBox>("音频淡入")), On(Find<QCheckBox>("音频淡出"))); };
  const auto offered = std::pair(true, true), locked = std::pair(false, false);

  Find<QCheckBox>("静音")->click();  // clicking a ticked mute leaves it ticked
  EXPECT_EQ(TickedAudio(), "静音");
  EXPECT_EQ(fades(), locked);

  Find<QCheckBox>("前景音")->click();  // a sound source ends mute and offers the fades
  EXPECT_EQ(TickedAudio(), "前景音");
  EXPECT_EQ(fades(), offered);
  Find<QCheckBox>("音频淡入")->click();
  Find<QCheckBox>("音频淡出")->click();
  EXPECT_EQ(TickedAudio(), "前景音 音频淡入 音频淡出");

  Find<QCheckBox>("前景音")->click();  // the last source gone: mute again, fades off and locked
  EXPECT_EQ(TickedAudio(), "静音");
  EXPECT_EQ(fades(), locked);

  Find<QCheckBox>("前景音")->click();
  Find<QCheckBox>("音乐")->click();
  Find<QCheckBox>("背景音")->click();
  EXPECT_EQ(TickedAudio(), "前景音 背景音 音乐");
  Find<QCheckBox>("静音")->click();  // mute drops every sound source
  EXPECT_EQ(TickedAudio(), "静音");
  EXPECT_EQ(fades(), locked);
}

// ---- clearing sources ---------------------------------------------------------------------

TEST_F(ControlRulesTest, ClearBackgroundResetsItsSettings) {
  task::TaskRecord& r = Editor().current;
  for (bool foregroundExists : {true, false}) {
    SCOPED_TRACE(foregroundExists ? "foreground exists" : "foreground missing");
    const std::string fg = programFolder() + (foregroundExists ? "/clip.mp4" : "/gone.mp4");
    if (foregroundExists) WriteFile(fg, "x");
    r.foregroundPath = task::Quote(fg);
    r.backgroundPath = task::Quote(programFolder() + "/bg.mp4");
    r.backgroundDuration = "00:00:10.00";
    r.backgroundKind = 5, r.backgroundWidth = 640, r.backgroundHeight = 360;
    Find<QLabel>("背景框")->setText("/x/bg.mp4");
    Find<QSlider>("背景模糊")->setValue(9);
    const auto boxes = {Find<QCheckBox>("迷幻"), Find<QCheckBox>("分量色变"), Find<QCheckBox>("上下跃动"),
                        Find<QCheckBox>("左右跃动"), Find<QCheckBox>("背景音")};
    for (QCheckBox* b : boxes) {
      b->setEnabled(true);
      b->setChecked(true);
    }
    Find<QCheckBox>("静音")->setChecked(false);

    QTest::mouseClick(Find<QPushButton>("清空背景"), Qt::LeftButton);
    EXPECT_EQ(r.backgroundPath + r.backgroundDuration, "");
    EXPECT_EQ(r.backgroundKind + r.backgroundWidth + r.backgroundHeight, 0);
    EXPECT_EQ(Find<QLabel>("背景框")->text(), kPlaceholder);
    EXPECT_EQ(Find<QSlider>("背景模糊")->value(), 5);
    for (QCheckBox* b : boxes) EXPECT_FALSE(b->isChecked());
    EXPECT_EQ(On(Find<QCheckBox>("背景音")), !foregroundExists);
    EXPECT_EQ(TickedAudio(), "静音");  // the audio rule ran
  }
}

TEST_F(ControlRulesTest, ClearAnimationAndClearAudio) {
  task::TaskRecord& r = Editor().current;
  r.animationPath = "\"/x/a.gif\"";
  r.animationDuration = "00:00:03.00";
  r.animationKind = 4, r.animationWidth = 400, r.animationHeight = 300;
  Find<QLabel>("动画框")->setText("/x/a.gif");
  const auto controls = {static_cast<QWidget*>(Find<QSlider>("动画模糊")),
                         static_cast<QWidget*>(Find<QSlider>("动画透明")),
                         static_cast<QWidget*>(Find<QComboBox>("动画滤镜"))};
  for (QWidget* c : controls) c->setEnabled(true);
  Find<QComboBox>("动画滤镜")->setCurrentIndex(7);
  Find<QSlider>("动画模糊")->setValue(1);
  Find<QSlider>("动画透明")->setValue(8);
  QTest::mouseClick(Find<QPushButton>("清空动画"), Qt::LeftButton);
  EXPECT_EQ(r.animationPath + r.animationDuration, "");
  EXPECT_EQ(r.animationKind + r.animationWidth + r.animationHeight, 0);
  EXPECT_EQ(Find<QLabel>("动画框")->text(), "");
  EXPECT_EQ(Find<QComboBox>("动画滤镜")->currentIndex(), 0);
  EXPECT_EQ(Find<QSlider>("动画模糊")->value(), 5);
  EXPECT_EQ(Find<QSlider>("动画透明")->value(), 4);
  for (QWidget* c : controls) EXPECT_FALSE(On(c));

  r.audioPath = "\"/x/a.m4a\"";
  r.audioDuration = "00:00:05.00";
  r.audioKind = 2;
  Find<QLabel>("音乐框")->setText("/x/a.m4a");
  Find<QCheckBox>("音乐")->setEnabled(true);
  Find<QCheckBox>("音乐")->click();
  EXPECT_EQ(TickedAudio(), "音乐");
  QTest::mouseClick(Find<QPushButton>("清空音乐"), Qt::LeftButton);
  EXPECT_EQ(r.audioPath + r.audioDuration, "");
  EXPECT_EQ(r.audioKind, 0);
  EXPECT_EQ(Find<QLabel>("音乐框")->text(), "");
  EXPECT_EQ(TickedAudio(), "静音");
  EXPECT_FALSE(On(Find<QCheckBox>("音乐")));
}

// ---- source information, GIF preview ------------------------------------------------------

TEST_F(ControlRulesTest, SourceInformationOnAClick) {
  task::TaskRecord& r = Editor().current;
  r.foregroundWidth = 1920, r.foregroundHeight = 1080, r.foregroundDuration = "00:01:23.45",
  r.foregroundKind = 5;
  r.backgroundWidth = 0, r.backgroundHeight = 360, r.backgroundDuration = "";
  r.audioDuration = "00:00:05.00";
  struct Case {
    QLabel* box;
    const char *size, *duration;
  };
  for (const Case& c : std::vector<Case>{{Find<QLabel>("前景框"), "1920:1080", "00:01:23.45"},
                                         {Find<QLabel>("背景框"), "", ""},
                                         {Find<QLabel>("音乐框"), "", "00:00:05.00"},
                                         {Find<QLabel>("动画框"), "", ""}}) {
    SCOPED_TRACE(c.box->objectName().toStdString());
    Find<QLabel>("处理进度")->setText("x");
    Find<QLabel>("处理时间")->setText("x");
    QTest::mouseClick(c.box, Qt::LeftButton);
    EXPECT_EQ(Find<QLabel>("处理进度")->text(), c.size);
    EXPECT_EQ(Find<QLabel>("处理时间")->text(), c.duration);
  }
  EXPECT_FALSE(Find<QLabel>("动画预览")->isVisibleTo(window.get()));  // nothing of it is a GIF
}

TEST_F(ControlRulesTest, GifPreviewGeometryAndPlayback) {
  struct Case {
    int width, height;
    QRect preview;
    QPoint close;
  };
  for (const Case& c : std::vector<Case>{{400, 300, QRect(13, 210, 152, 114), QPoint(150, 212)},
                                         {100, 400, QRect(13, 14, 77, 310), QPoint(75, 16)}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const std::string gif = testing_support::AnimatedGif(c.width, c.height, 2, 5);
    task::TaskRecord& r = Editor().current;
    r.animationPath = task::Quote(gif);
    r.animationKind = 4, r.animationWidth = c.width, r.animationHeight = c.height;
    r.animationDuration = "00:00:02.00";
    QTest::mouseClick(Find<QLabel>("动画框"), Qt::LeftButton);  // a GIF source previews on a click
    EXPECT_EQ(Find<QLabel>("处理进度")->text(), QString("%1:%2").arg(c.width).arg(c.height));
    EXPECT_EQ(Find<QLabel>("动画预览")->geometry(), c.preview);
    EXPECT_EQ(Find<QLabel>("关闭")->pos(), c.close);
    EXPECT_TRUE(Find<QLabel>("动画预览")->isVisibleTo(window.get()));
    EXPECT_TRUE(Find<QLabel>("关闭")->isVisibleTo(window.get()));
    QMovie* movie = Find<QLabel>("动画预览")->movie();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->fileName().toStdString(), gif);
    EXPECT_EQ(movie->state(), QMovie::Running);
    EXPECT_GT(movie->frameCount(), 1);

    QTest::mouseClick(Find<QLabel>("关闭"), Qt::LeftButton);
    EXPECT_FALSE(Find<QLabel>("动画预览")->isVisibleTo(window.get()));
    EXPECT_FALSE(Find<QLabel>("关闭")->isVisibleTo(window.get()));
  }
}

TEST_F(ControlRulesTest, GifPreviewOfBadInputShowsNothingWrong) {
  // An unreadable file shows an empty picture; a picture of no known size shows nothing.
  Editor().ShowGifPreview(Q(programFolder() + "/missing.gif"), 200, 100);
  EXPECT_EQ(Find<QLabel>("动画预览")->geometry(), QRect(13, 248, 152, 76));
  ASSERT_NE(Find<QLabel>("动画预览")->movie(), nullptr);
  EXPECT_FALSE(Find<QLabel>("动画预览")->movie()->isValid());
  Editor().HidePreview();
  Editor().ShowGifPreview(QStringLiteral("/x.gif"), 0, 100);
  Editor().ShowGifPreview(QStringLiteral("/x.gif"), 100, 0);
  EXPECT_FALSE(Find<QLabel>("动画预览")->isVisibleTo(window.get()));
}

// ---- label shortcuts, clock ---------------------------------------------------------------

TEST_F(ControlRulesTest, RightClickOnATitleRestoresItsDefault) {
  task::TaskRecord& r = Editor().current;
  r.suggestedWidth = 1080, r.suggestedHeight = 1920;
  r.foregroundDuration = "00:01:23.45";
  r.foregroundExtension = ".mkv";
  for (QLineEdit* box : {Find<QLineEdit>("宽度框"), Find<QLineEdit>("高度框"), Find<QLineEdit>("时长框"),
                         Find<QLineEdit>("格式框")})
    box->setText("1");
  for (QSlider* s : {Find<QSlider>("背景模糊"), Find<QSlider>("动画模糊"), Find<QSlider>("动画透明")})
    s->setValue(0);

  auto text = [](QLineEdit* box) { return [box] { return box->text(); }; };
  auto value = [](QSlider* s) { return [s] { return QString::number(s->value()); }; };
  struct Case {
    QLabel* title;
    std::function<QString()> value;
    const char* expected;
  };
  for (const Case& c :
       std::vector<Case>{{Find<QLabel>("宽度标签"), text(Find<QLineEdit>("宽度框")), "1080"},
                         {Find<QLabel>("高度标签"), text(Find<QLineEdit>("高度框")), "1920"},
                         {Find<QLabel>("时长标签"), text(Find<QLineEdit>("时长框")), "00:01:23"},
                         {Find<QLabel>("输出标签"), text(Find<QLineEdit>("格式框")), ".mkv"},
                         {Find<QLabel>("标签6"), value(Find<QSlider>("背景模糊")), "5"},
                         {Find<QLabel>("标签14"), value(Find<QSlider>("动画模糊")), "5"},
                         {Find<QLabel>("标签15"), value(Find<QSlider>("动画透明")), "4"}}) {
    SCOPED_TRACE(c.title->objectName().toStdString());
    QTest::mouseClick(c.title, Qt::LeftButton);  // a left click restores nothing
    EXPECT_NE(c.value(), c.expected);
    QTest::mouseClick(c.title, Qt::RightButton);
    EXPECT_EQ(c.value(), c.expected);
    if (c.title == Find<QLabel>("宽度标签")) EXPECT_TRUE(Editor().WidthBoxActive());
    if (c.title == Find<QLabel>("高度标签")) EXPECT_FALSE(Editor().WidthBoxActive());
  }
}

TEST(FormatElapsed, DaysAppearOnlyFromOneDayOn) {
  const std::pair<int, const char*> cases[] = {{-5, ""},
                                               {0, ""},
                                               {1, "00:00:01"},
                                               {59, "00:00:59"},
                                               {61, "00:01:01"},
                                               {3600, "01:00:00"},
                                               {86399, "23:59:59"},
                                               {86400, "01:00:00:00"},
                                               {90061, "01:01:01:01"},
                                               {100 * 86400 + 10, "100:00:00:10"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(BatchView::FormatElapsed(seconds), text) << seconds;
}

TEST_F(ControlRulesTest, ClockTickCountsAndShowsTheElapsedTime) {
  Batch().elapsedSeconds = 59;
  Batch().OnClockTick();
  EXPECT_EQ(Batch().elapsedSeconds, 60);
  EXPECT_EQ(Find<QLabel>("处理时间")->text(), "00:01:00");
}

// ---- file manager, task records -----------------------------------------------------------

TEST(FileToShowForTask, ItsOutputWhenThatExistsElseItsForeground) {
  const std::string folder = NewFolder("show");
  const std::string output = MakeFile(folder, "clip_1.mp4");
  const std::string foreground = folder + "/clip.mp4";
  const std::pair<std::string, std::string> cases[] = {{output, output},
                                                       {task::Quote(output), output},
                                                       {folder + "/gone_1.mp4", foreground},
                                                       {folder, foreground},  // a folder is no result
                                                       {"", foreground}};
  for (const auto& [finalOutput, expected] : cases) {
    task::TaskRecord r;
    r.foregroundPath = task::Quote(foreground);
    r.finalOutputPath = finalOutput;
    EXPECT_EQ(app::FileToShowForTask(r), expected) << finalOutput;
  }
  EXPECT_EQ(app::FileToShowForTask(task::TaskRecord{}), "");
}

TEST_F(ControlRulesTest, FileManagerIsAskedOverTheBusAndTheFolderOpensWhenNoneAnswers) {
  // A private message bus of our own, so that no desktop is touched.
  const auto lines =
      Q(testing_support::Capture("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null"))
          .split('\n', Qt::SkipEmptyParts);
  if (lines.size() < 2) GTEST_SKIP() << "no dbus-daemon to run a private bus";
  const pid_t daemon = lines[1].toInt();
  ASSERT_GT(daemon, 0);
  struct EndDaemon {
    pid_t pid;
    ~EndDaemon() { ::kill(pid, SIGTERM); }  // also when an assertion ends the test early
  } endDaemon{daemon};

  const QString path = Q(MakeFile(programFolder(), "中文 clip #1.mp4"));
  const QString folder = Q(programFolder());
  QStringList opened;
  auto openFolder = [&opened](const QString& f) {
    opened << f;
    return true;
  };
  QStringList notShown;
  auto reportNotShown = [&notShown](const QString& p) { notShown << p; };
  {
    QDBusConnection client = QDBusConnection::connectToBus(lines[0], QStringLiteral("flipframe-test-client"));
    QDBusConnection service =
        QDBusConnection::connectToBus(lines[0], QStringLiteral("flipframe-test-service"));
    ASSERT_TRUE(client.isConnected());
    ASSERT_TRUE(service.isConnected());

    // No file manager on the bus: the containing folder opens instead.
    app::ShowInFileManager(path, window.get(), client, openFolder, reportNotShown);
    EXPECT_TRUE(WaitFor([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList{folder});

    // A file manager answers: it gets the file's URL, and no folder opens.
    opened.clear();
    FakeFileManager manager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    app::ShowInFileManager(path, window.get(), client, openFolder, reportNotShown);
    EXPECT_TRUE(WaitFor([&] { return !manager.shown.isEmpty(); }));
    ASSERT_EQ(manager.shown.size(), 1);
    EXPECT_EQ(QUrl(manager.shown[0]).toLocalFile(), path);
    EXPECT_TRUE(manager.shown[0].startsWith("file:///"));
    // The reply to the call comes before the reply to a later ping; then it has been handled.
    client.call(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/"),
                                       QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
    gui::ResponsiveWait(50);
    EXPECT_TRUE(opened.isEmpty());
    service.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("flipframe-test-client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("flipframe-test-service"));

  // No bus at all: the folder opens at once.
  opened.clear();
  QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                       QStringLiteral("flipframe-test-none"));
  app::ShowInFileManager(path, window.get(), none, openFolder, reportNotShown);
  EXPECT_EQ(opened, QStringList{folder});
  EXPECT_TRUE(notShown.isEmpty());

  // The desktop cannot open the folder either: the file's path is reported, not dropped.
  app::ShowInFileManager(
      path, window.get(), none, [](const QString&) { return false; }, reportNotShown);
  EXPECT_EQ(notShown, QStringList{path});
  QDBusConnection::disconnectFromBus(QStringLiteral("flipframe-test-none"));
}

TEST_F(ControlRulesTest, DeepCopyOfATaskSharesNothing) {
  const std::string longText(200, 'p');  // longer than any in-place string buffer
  task::TaskRecord original;
  original.foregroundPath = task::Quote("/videos/" + longText + ".mp4");
  original.finalOutputPath = "/videos/result/" + longText + "_1.mp4";
  original.commandLine = "-i " + original.foregroundPath + " " + longText;
  original.ticks[task::kTickMute] = 1;
  original.disabled[task::kOffBitrateBox] = 1;
  const task::TaskRecord before = original;

  ASSERT_TRUE(Tasks().taskList->append(original));
  const int last = Tasks().taskList->size() - 1;
  const task::TaskRecord& stored = Tasks().taskList->task(last);
  EXPECT_NE(stored.finalOutputPath.data(), original.finalOutputPath.data());
  EXPECT_NE(stored.commandLine.data(), original.commandLine.data());
  task::TaskRecord copy = stored;
  copy.finalOutputPath = "/elsewhere.mp4";
  copy.foregroundPath[1] = 'X';
  copy.commandLine.clear();
  copy.ticks[task::kTickMute] = 0;
  copy.disabled[task::kOffBitrateBox] = 0;
  Tasks().taskList->replaceTask(last, copy);
  EXPECT_EQ(original.finalOutputPath, before.finalOutputPath);
  EXPECT_EQ(original.foregroundPath, before.foregroundPath);
  EXPECT_EQ(original.commandLine, before.commandLine);
  EXPECT_EQ(original.ticks, before.ticks);
  EXPECT_EQ(original.disabled, before.disabled);
}

#include "control_rules_test.moc"
