// The main window as it stands after start-up: every control with its kind, parent,
// geometry and caption, the initial states, the input limits of the edit boxes, the task
// list's columns and rows, the pop-up menu, and the resize rule.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <vector>

#include "support/window_helpers.h"

using window_helpers::Items;

namespace {

enum class Kind { Shape, Label, Button, Check, Combo, Edit, Slider, List };

struct ControlSpec {
  const char* name;
  Kind kind;
  const char* parent;  // object name of the parent; "" for the window
  int x, y, w, h;
  const char* caption;  // nullptr: no caption to compare
};

// After start-up: the foreground path box is widened over the count list (no count yet)
// and the GIF preview has moved to its place at x 13.
const std::vector<ControlSpec> kControls = {
    {"路径框", Kind::Shape, "", 5, 8, 448, 136, nullptr},
    {"操作框", Kind::Shape, "", 5, 135, 448, 192, nullptr},
    {"按钮框", Kind::Shape, "", 5, 320, 448, 48, nullptr},
    {"列表框", Kind::List, "", 12, 365, 435, 162, nullptr},
    {"进度条b", Kind::Shape, "", -1, 540, 468, 26, nullptr},
    {"进度条", Kind::Shape, "进度条b", 1, 1, 466, 24, nullptr},
    {"版权", Kind::Label, "进度条", 16, 2, 430, 19, nullptr},
    // Source area
    {"标签1", Kind::Label, "路径框", 8, 6, 56, 24, "前景视频:"},
    {"前景框b", Kind::Shape, "路径框", 67, 6, 318, 23, nullptr},
    {"前景框", Kind::Label, "前景框b", 5, 1, 312, 21, ""},
    {"前景计数", Kind::Combo, "路径框", 348, 6, 37, 20, nullptr},
    {"前景按钮", Kind::Button, "路径框", 390, 5, 24, 24, "…"},
    {"重载", Kind::Button, "路径框", 418, 5, 24, 24, "↙"},
    {"标签2", Kind::Label, "路径框", 8, 38, 56, 24, "背景视频:"},
    {"外形框2", Kind::Shape, "路径框", 67, 38, 318, 23, nullptr},
    {"背景框", Kind::Label, "外形框2", 5, 1, 312, 21, "留空则复制前景视频制作背景视频(推荐)"},
    {"背景按钮", Kind::Button, "路径框", 390, 37, 24, 24, "…"},
    {"清空背景", Kind::Button, "路径框", 418, 37, 24, 24, "×"},
    {"标签13", Kind::Label, "路径框", 8, 70, 56, 24, "特效动画:"},
    {"外形框4", Kind::Shape, "路径框", 67, 70, 318, 23, nullptr},
    {"动画框", Kind::Label, "外形框4", 5, 1, 312, 21, ""},
    {"动画按钮", Kind::Button, "路径框", 390, 69, 24, 24, "…"},
    {"清空动画", Kind::Button, "路径框", 418, 69, 24, 24, "×"},
    {"标签8", Kind::Label, "路径框", 8, 102, 56, 24, "背景音频:"},
    {"外形框3", Kind::Shape, "路径框", 67, 102, 318, 23, nullptr},
    {"音乐框", Kind::Label, "外形框3", 5, 1, 312, 21, ""},
    {"音乐按钮", Kind::Button, "路径框", 390, 101, 24, 24, "…"},
    {"清空音乐", Kind::Button, "路径框", 418, 101, 24, 24, "×"},
    // Settings area, rows 1 to 3
    {"标签10", Kind::Label, "操作框", 8, 6, 58, 24, "纵横比例:"},
    {"宽高比例", Kind::Combo, "操作框", 67, 8, 116, 20, nullptr},
    {"宽度标签", Kind::Label, "操作框", 194, 6, 58, 24, "输出宽度:"},
    {"宽度框b", Kind::Shape, "操作框", 254, 7, 54, 23, nullptr},
    {"宽度框", Kind::Edit, "宽度框b", 1, 1, 52, 21, ""},
    {"高度标签", Kind::Label, "操作框", 323, 6, 32, 24, "高度:"},
    {"高度框b", Kind::Shape, "操作框", 359, 7, 54, 23, nullptr},
    {"高度框", Kind::Edit, "高度框b", 1, 1, 52, 21, ""},
    {"比例计算", Kind::Button, "操作框", 418, 6, 24, 24, "∷"},
    {"时长标签", Kind::Label, "操作框", 8, 37, 56, 24, "视频时长:"},
    {"外形框7", Kind::Shape, "操作框", 67, 38, 70, 23, nullptr},
    {"时长框", Kind::Edit, "外形框7", 1, 1, 68, 21, ""},
    {"自动码率", Kind::Check, "操作框", 152, 38, 100, 24, "自动码率kb/s:"},
    {"外形框9", Kind::Shape, "操作框", 254, 39, 54, 23, nullptr},
    {"码率框", Kind::Edit, "外形框9", 1, 1, 52, 21, ""},
    {"输出标签", Kind::Label, "操作框", 323, 37, 56, 24, "输出格式:"},
    {"外形框8", Kind::Shape, "操作框", 382, 39, 59, 23, nullptr},
    {"格式框", Kind::Edit, "外形框8", 1, 1, 57, 21, ""},
    {"标签6", Kind::Label, "操作框", 8, 68, 80, 24, "背景模糊系数:"},
    {"背景模糊", Kind::Slider, "操作框", 89, 68, 88, 18, nullptr},
    {"上下跃动", Kind::Check, "操作框", 184, 68, 68, 24, "上下跃动"},
    {"左右跃动", Kind::Check, "操作框", 263, 68, 68, 24, "左右跃动"},
    {"分量色变", Kind::Check, "操作框", 342, 68, 48, 24, "色变"},
    {"迷幻", Kind::Check, "操作框", 396, 68, 48, 24, "迷幻"},
    // Settings area, rows 4 to 6
    {"标签14", Kind::Label, "操作框", 8, 99, 90, 24, "动画设置:模糊:"},
    {"动画模糊", Kind::Slider, "操作框", 89, 99, 88, 18, nullptr},
    {"标签15", Kind::Label, "操作框", 184, 99, 34, 24, "透明:"},
    {"动画透明", Kind::Slider, "操作框", 212, 99, 88, 18, nullptr},
    {"标签16", Kind::Label, "操作框", 306, 99, 34, 24, "滤镜:"},
    {"动画滤镜", Kind::Combo, "操作框", 342, 101, 100, 20, nullptr},
    {"标签12", Kind::Label, "操作框", 8, 130, 80, 24, "全局视频设置:"},
    {"前景镜像", Kind::Check, "操作框", 93, 130, 68, 24, "前景镜像"},
    {"重帧优化", Kind::Check, "操作框", 168, 130, 68, 24, "重帧优化"},
    {"降噪", Kind::Check, "操作框", 243, 130, 46, 24, "降噪"},
    {"柔化", Kind::Check, "操作框", 295, 130, 46, 24, "柔化"},
    {"视频淡入", Kind::Check, "操作框", 346, 130, 46, 24, "淡入"},
    {"视频淡出", Kind::Check, "操作框", 397, 130, 46, 24, "淡出"},
    {"标签11", Kind::Label, "操作框", 8, 161, 80, 24, "音频混音设置:"},
    {"静音", Kind::Check, "操作框", 93, 161, 48, 24, "静音"},
    {"前景音", Kind::Check, "操作框", 149, 161, 60, 24, "前景声"},
    {"背景音", Kind::Check, "操作框", 216, 161, 60, 24, "背景声"},
    {"音乐", Kind::Check, "操作框", 282, 161, 60, 24, "音频声"},
    {"音频淡入", Kind::Check, "操作框", 346, 161, 48, 24, "淡入"},
    {"音频淡出", Kind::Check, "操作框", 397, 161, 48, 24, "淡出"},
    // Button bar
    {"外形框10", Kind::Shape, "按钮框", 8, 8, 66, 24, nullptr},
    {"处理进度", Kind::Label, "外形框10", 1, 1, 64, 22, "0/0"},
    {"外形框11", Kind::Shape, "按钮框", 79, 8, 80, 24, nullptr},
    {"处理时间", Kind::Label, "外形框11", 1, 1, 78, 22, ""},
    {"新建任务", Kind::Button, "按钮框", 164, 8, 62, 25, "新建任务"},
    {"保存任务", Kind::Button, "按钮框", 232, 8, 62, 25, "添加任务"},
    {"暂停执行", Kind::Button, "按钮框", 298, 8, 62, 25, "暂停执行"},
    {"开始执行", Kind::Button, "按钮框", 364, 8, 78, 25, "开始执行"},
    // Floating, hidden at start
    {"动画预览", Kind::Label, "", 13, 14, 152, 310, nullptr},
    {"关闭", Kind::Label, "", 16, 0, 12, 12, "×"},
};

// The widget's kind as the form names it; a shape box is a plain frame, not a label.
bool HasKind(QWidget* w, Kind kind) {
  const QString cls = QString::fromLatin1(w->metaObject()->className());
  switch (kind) {
    case Kind::Shape:
      return cls == "QFrame";
    case Kind::Label:
      return qobject_cast<QLabel*>(w) != nullptr;
    case Kind::Button:
      return qobject_cast<QPushButton*>(w) != nullptr;
    case Kind::Check:
      return qobject_cast<QCheckBox*>(w) != nullptr;
    case Kind::Combo:
      return qobject_cast<QComboBox*>(w) != nullptr;
    case Kind::Edit:
      return qobject_cast<QLineEdit*>(w) != nullptr;
    case Kind::Slider:
      return qobject_cast<QSlider*>(w) != nullptr;
    case Kind::List:
      return qobject_cast<QTableView*>(w) != nullptr;
  }
  return false;
}

QString CaptionOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  return {};
}

}  // namespace

class WindowLayoutTest : public WindowCase {};

TEST_F(WindowLayoutTest, EveryControlHasItsKindParentGeometryAndCaption) {
  for (const ControlSpec& c : kControls) {
    SCOPED_TRACE(c.name);
    QWidget* w = Find<QWidget>(c.name);
    if (!w) continue;
    EXPECT_TRUE(HasKind(w, c.kind)) << w->metaObject()->className();
    if (*c.parent == '\0')
      EXPECT_EQ(w->parentWidget(), window.get());
    else
      EXPECT_EQ(w->parentWidget() ? w->parentWidget()->objectName() : QString(), c.parent);
    EXPECT_EQ(w->geometry(), QRect(c.x, c.y, c.w, c.h));
    if (c.caption) EXPECT_EQ(CaptionOf(w), c.caption);
  }
  // The clock is a timer that is not running; the menu is a pop-up, never a menu bar.
  auto* clock = Find<QTimer>("时钟");
  ASSERT_NE(clock, nullptr);
  EXPECT_FALSE(clock->isActive());
  EXPECT_EQ(clock->interval(), 0);
  ASSERT_NE(Find<QMenu>("菜单"), nullptr);
}

// Where the window opens, the three start-up cases (save and pause disabled, the bitrate box
// locked under a ticked automatic bitrate, mute ticked, no ratio), and every other switch.
TEST_F(WindowLayoutTest, InitialStates) {
  EXPECT_EQ(window->pos(), QPoint(50, 50));
  EXPECT_EQ(window->size(), QSize(475, 603));
  for (QWidget* c : std::initializer_list<QWidget*>{Find<QPushButton>("保存任务"),
                                                    Find<QPushButton>("暂停执行"), Find<QLineEdit>("码率框")})
    EXPECT_FALSE(On(c)) << c->objectName().toStdString();
  EXPECT_TRUE(On(Find<QPushButton>("新建任务")));
  EXPECT_TRUE(On(Find<QPushButton>("开始执行")));
  EXPECT_EQ(Find<QComboBox>("宽高比例")->currentIndex(), -1);
  // Of the seventeen check boxes of the settings area only automatic bitrate and mute are
  // ticked and usable; 快速背景, in the bottom strip, is usable and off.
  const QList<QCheckBox*> boxes = Find<QFrame>("操作框")->findChildren<QCheckBox*>();
  EXPECT_EQ(boxes.size(), 17);
  EXPECT_EQ(window->findChildren<QCheckBox*>().size(), 18);
  EXPECT_FALSE(Find<QCheckBox>("快速背景")->isChecked());
  EXPECT_TRUE(On(Find<QCheckBox>("快速背景")));
  for (QCheckBox* b : boxes) {
    const bool on = b == Find<QCheckBox>("自动码率") || b == Find<QCheckBox>("静音");
    EXPECT_EQ(b->isChecked(), on) << b->objectName().toStdString();
    EXPECT_EQ(On(b), on) << b->objectName().toStdString();
  }

  struct SliderState {
    QSlider* slider;
    int max, pos;
  };
  for (const SliderState& s : std::vector<SliderState>{{Find<QSlider>("背景模糊"), 10, 5},
                                                       {Find<QSlider>("动画模糊"), 10, 5},
                                                       {Find<QSlider>("动画透明"), 9, 4}}) {
    SCOPED_TRACE(s.slider->objectName().toStdString());
    EXPECT_EQ(s.slider->minimum(), 0);
    EXPECT_EQ(s.slider->maximum(), s.max);
    EXPECT_EQ(s.slider->value(), s.pos);
    EXPECT_FALSE(On(s.slider));
    EXPECT_EQ(s.slider->orientation(), Qt::Horizontal);
  }
  EXPECT_FALSE(Find<QLabel>("关闭")->isVisibleTo(window.get()));
}

TEST_F(WindowLayoutTest, ListsHoldTheirItemsInOrder) {
  EXPECT_EQ(Items(Find<QComboBox>("宽高比例")),
            (QStringList{" 竖->横 [16:9]", " 竖->横 [16:10]", " 竖->横 [15:9]", " 竖->横 [4:3]",
                         " 竖->横 [21:9]", " 竖->横 [37:20]", " 竖->横 [47:20]", " 横->竖 [9:16]",
                         " 横->竖 [10:16]", " 横->竖 [9:15]", " 横->竖 [3:4]"}));
  EXPECT_FALSE(Find<QComboBox>("宽高比例")->isEditable());
  EXPECT_EQ(Items(Find<QComboBox>("动画滤镜")),
            (QStringList{"overlay",       "hardmix",  "linearlight", "softlight", "screen", "xor",
                         "addition",      "and",      "average",     "burn",      "darken", "difference",
                         "difference128", "divide",   "dodge",       "exclusion", "glow",   "hardlight",
                         "lighten",       "multiply", "negation",    "normal",    "or",     "phoenix",
                         "pinlight",      "reflect",  "subtract",    "vividlight"}));
  EXPECT_EQ(Find<QComboBox>("动画滤镜")->currentIndex(), 0);
  EXPECT_FALSE(On(Find<QComboBox>("动画滤镜")));
}

// Typing into each box: the numeric ones drop everything but digits, all stop at their
// limit, and all centre their text.
TEST_F(WindowLayoutTest, EditBoxesAcceptOnlyWhatTheyMayHold) {
  struct Typing {
    QLineEdit* box;
    const char *typed, *kept;
  };
  Find<QLineEdit>("码率框")->setEnabled(true);  // the bitrate box takes typing once automatic bitrate is off
  for (const Typing& t : std::vector<Typing>{{Find<QLineEdit>("宽度框"), "1a9-2 0.85", "1920"},
                                             {Find<QLineEdit>("高度框"), "x10800", "1080"},
                                             {Find<QLineEdit>("码率框"), "12e3456789", "12345"},
                                             {Find<QLineEdit>("时长框"), "00:01:23.45", "00:01:23"},
                                             {Find<QLineEdit>("格式框"), ".mpeg4x", ".mpeg4"}}) {
    SCOPED_TRACE(t.box->objectName().toStdString());
    t.box->clear();
    QTest::keyClicks(t.box, QString::fromUtf8(t.typed));
    EXPECT_EQ(t.box->text(), t.kept);
    EXPECT_TRUE(t.box->alignment() & Qt::AlignHCenter);
  }
  // Pasted text goes through the same check: a non-number never lands in a size box.
  Find<QLineEdit>("宽度框")->clear();
  Find<QLineEdit>("宽度框")->insert(QStringLiteral("12ab"));
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), QString());
}

TEST_F(WindowLayoutTest, TaskListColumnsAndRowHeight) {
  QTableView* list = Find<QTableView>("列表框");
  const QStringList titles = {"ID", "前景文件", "宽高比", "码率", "格式", "速度x", "执行状态"};
  const int widths[7] = {32, 110, 67, 42, 45, 55, 60};
  ASSERT_EQ(list->model()->columnCount(), 7);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
    EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
  }
  window->taskList->appendRows(std::vector<app::TaskRow>(3));
  for (int r = 0; r < 3; ++r) EXPECT_EQ(list->rowHeight(r), 19);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(WindowLayoutTest, PopUpMenuHasItsEntries) {
  QStringList entries;  // "|" for a separator
  for (QAction* a : Find<QMenu>("菜单")->actions())
    entries << (a->isSeparator() ? QStringLiteral("|") : a->text());
  EXPECT_EQ(entries, (QStringList{"清除执行状态", "清除全部状态", "|", "新建任务", "克隆任务", "修改任务",
                                  "删除任务", "清空全部任务", "|", "移至顶部", "移至底部", "查看日志", "|",
                                  "批量添加视频…", "载入任务列表…", "保存任务列表…"}));
}

// Width fixed at 475, height at least 603; the list and the bottom strip follow the height
// in both directions.
TEST_F(WindowLayoutTest, ResizeRule) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  struct Step {
    int askW, askH;
    int height, listH, stripY;
  };
  for (const Step& s :
       std::vector<Step>{{475, 703, 703, 262, 640},  // 100 taller: list +100, strip +100
                         {475, 653, 653, 212, 590},  // back 50
                         {475, 603, 603, 162, 540},  // home again
                         {300, 603, 603, 162, 540},  // narrower: width stays
                         {700, 603, 603, 162, 540},  // wider: width stays
                         {475, 500, 603, 162, 540},  // too low: snaps back to 603, nothing moves
                         {600, 803, 803, 362, 740},  // wider and taller at once
                         {475, 400, 603, 162, 540}}) {
    SCOPED_TRACE(std::to_string(s.askW) + "x" + std::to_string(s.askH));
    window->resize(s.askW, s.askH);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(475, s.height));
    EXPECT_EQ(window->rememberedHeight, s.height);
    EXPECT_EQ(Find<QTableView>("列表框")->size(), QSize(435, s.listH));
    EXPECT_EQ(Find<QFrame>("进度条b")->pos(), QPoint(-1, s.stripY));
    for (QComboBox* box : {Find<QComboBox>("宽高比例"), Find<QComboBox>("动画滤镜"),
                           static_cast<QComboBox*>(Find<CountComboBox>("前景计数"))})
      EXPECT_EQ(box->height(), 20);
  }
}
