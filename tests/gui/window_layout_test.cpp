// The main window as it stands after start-up: its declared form, the initial states, the input limits of the
// edit boxes, the task list's columns and rows, the pop-up menu, and the resize rule.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <map>
#include <vector>

#include "support/window_helpers.h"

using window_helpers::Items;

namespace {

// One control as the form declares it.
struct Declared {
  QString name, kind, parent;  // parent: "" for the window
  QRect geometry;
  std::map<QString, QString> props;  // text, enabled, checked, visible as written
};

// Every <widget> of the form below the window, in document (creation) order.
std::vector<Declared> ReadForm(const char* path) {
  QFile file(QString::fromUtf8(path));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  QXmlStreamReader xml(&file);
  std::vector<Declared> out;
  std::vector<int> open;  // indices into `out` of the enclosing widgets; -1 the window
  QString property;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == u"widget") {
      if (open.empty()) {
        open.push_back(-1);
        continue;
      }
      const int parent = open.back();
      out.push_back({xml.attributes().value("name").toString(),
                     xml.attributes().value("class").toString(),
                     parent < 0 ? QString() : out[size_t(parent)].name,
                     {},
                     {}});
      open.push_back(int(out.size()) - 1);
    } else if (xml.isEndElement() && xml.name() == u"widget") {
      open.pop_back();
    } else if (xml.isStartElement() && xml.name() == u"item") {
      xml.skipCurrentElement();  // a list's entries, not the control's own properties
    } else if (xml.isStartElement() && xml.name() == u"property") {
      property = xml.attributes().value("name").toString();
    } else if (xml.isStartElement() && !open.empty() && open.back() >= 0) {
      Declared& d = out[size_t(open.back())];
      const QStringView tag = xml.name();
      if (tag == u"x")
        d.geometry.moveLeft(xml.readElementText().toInt());
      else if (tag == u"y")
        d.geometry.moveTop(xml.readElementText().toInt());
      else if (tag == u"width")
        d.geometry.setWidth(xml.readElementText().toInt());
      else if (tag == u"height")
        d.geometry.setHeight(xml.readElementText().toInt());
      else if (tag == u"string" || tag == u"bool")
        d.props[property] = xml.readElementText();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return out;
}

QString CaptionOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  return {};
}

// The named child controls of `parent`, bottom to top.
QStringList StackOf(QObject* parent) {
  QStringList names;
  for (QObject* o : parent->children())
    if (o->isWidgetType() && !o->objectName().isEmpty() && !o->objectName().startsWith("qt_") &&
        !static_cast<QWidget*>(o)->isWindow())
      names << o->objectName();
  return names;
}

}  // namespace

class WindowLayoutTest : public WindowCase {};

// The window after start-up is its form: every declared control with its kind, parent,
// geometry, caption and initial state, none undeclared, and each area's stacking order (a
// later control lies over an earlier one) -- but for what start-up itself changes: the
// foreground path box widened over the empty count list and raised over it, the GIF preview
// moved to its place, the task count shown.
TEST_F(WindowLayoutTest, WindowIsItsDeclaredForm) {
  const std::map<QString, QRect> movedAtStartUp = {{"前景框b", QRect(67, 6, 318, 23)},
                                                   {"前景框", QRect(5, 1, 312, 21)},
                                                   {"动画预览", QRect(13, 14, 152, 310)}};
  const std::vector<Declared> form = ReadForm(FLIPFRAME_MAIN_FORM);
  ASSERT_GT(form.size(), 80u);
  std::map<QString, QStringList> stacks;
  for (const Declared& d : form) {
    SCOPED_TRACE(d.name.toStdString());
    QWidget* w = Find<QWidget>(d.name.toUtf8().constData());
    if (!w) continue;
    EXPECT_EQ(QString::fromLatin1(w->metaObject()->className()), d.kind);
    EXPECT_EQ(w->parentWidget(),
              d.parent.isEmpty() ? window.get() : Find<QWidget>(d.parent.toUtf8().constData()));
    EXPECT_EQ(w->geometry(), movedAtStartUp.count(d.name) ? movedAtStartUp.at(d.name) : d.geometry);
    // The notice names the home page only when there is one.
    if (d.name == "处理进度")
      EXPECT_EQ(CaptionOf(w), "0/0");  // no task done of none
    else if (d.props.count("text") && d.name != "版权")
      EXPECT_EQ(CaptionOf(w), d.props.at("text"));
    if (d.props.count("enabled")) EXPECT_EQ(On(w), d.props.at("enabled") == "true");
    if (d.props.count("checked"))
      EXPECT_EQ(qobject_cast<QAbstractButton*>(w)->isChecked(), d.props.at("checked") == "true");
    if (d.props.count("visible")) EXPECT_EQ(!w->isHidden(), d.props.at("visible") == "true");
    stacks[d.parent] << d.name;
  }
  stacks["路径框"].removeOne("前景框b");
  stacks["路径框"] << "前景框b";
  stacks[""] << "焦点框";  // the frame that marks the focused control lies over every control
  for (const auto& [parent, declared] : stacks) {
    SCOPED_TRACE(parent.toStdString());
    QObject* p =
        parent.isEmpty() ? window.get() : static_cast<QObject*>(Find<QWidget>(parent.toUtf8().constData()));
    if (p) EXPECT_EQ(StackOf(p), declared);
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
  EXPECT_EQ(window->size(), QSize(475, MainWindow::kHeight));
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
  const QStringList titles = {"ID", "前景文件", "宽高比", "码率", "格式", "速度x", "执行状态", "画面"};
  ASSERT_EQ(list->model()->columnCount(), titles.size());
  int width = 0;
  for (int c = 0; c < titles.size(); ++c) {
    EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
    width += list->columnWidth(c);
  }
  // Every column in view beside the scroll bar; names are cut in the middle.
  EXPECT_LE(width, list->width() - 2 * list->frameWidth() - list->verticalScrollBar()->sizeHint().width());
  EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
  Tasks().taskList->appendRows(std::vector<app::TaskRow>(3));
  for (int r = 0; r < 3; ++r) EXPECT_EQ(list->rowHeight(r), 19);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(WindowLayoutTest, PopUpMenuHasItsEntries) {
  QStringList entries;  // "|" for a separator
  for (QAction* a : Find<QMenu>("菜单")->actions())
    entries << (a->isSeparator() ? QStringLiteral("|") : a->text());
  EXPECT_EQ(entries, (QStringList{"清除执行状态",
                                  "清除全部状态",
                                  "|",
                                  "新建任务",
                                  "克隆任务",
                                  "修改任务",
                                  "删除任务",
                                  "清空全部任务",
                                  "|",
                                  "移至顶部",
                                  "移至底部",
                                  "查看日志",
                                  "预览",
                                  "预览当前设置",
                                  "|",
                                  "批量添加视频…",
                                  "载入任务列表…",
                                  "保存任务列表…",
                                  "恢复上次的任务列表",
                                  "同时执行"}));
}

// Width fixed at 475, height at least 567 (down to the bottom strip, no band below); the list and the bottom strip follow the height
// in both directions.
TEST_F(WindowLayoutTest, ResizeRule) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  struct Step {
    int askW, askH;
    int height, listH, stripY;
  };
  for (const Step& s :
       std::vector<Step>{{475, 667, 667, 262, 640},  // 100 taller: list +100, strip +100
                         {475, 617, 617, 212, 590},  // back 50
                         {475, 567, 567, 162, 540},  // home again
                         {300, 567, 567, 162, 540},  // narrower: width stays
                         {700, 567, 567, 162, 540},  // wider: width stays
                         {475, 500, 567, 162, 540},  // too low: snaps back to 567, nothing moves
                         {600, 767, 767, 362, 740},  // wider and taller at once
                         {475, 400, 567, 162, 540}}) {
    SCOPED_TRACE(std::to_string(s.askW) + "x" + std::to_string(s.askH));
    window->resize(s.askW, s.askH);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(475, s.height));
    EXPECT_EQ(Find<QTableView>("列表框")->size(), QSize(435, s.listH));
    EXPECT_EQ(Find<QFrame>("进度条b")->pos(), QPoint(-1, s.stripY));
    for (QComboBox* box : {Find<QComboBox>("宽高比例"), Find<QComboBox>("动画滤镜"),
                           static_cast<QComboBox*>(Find<CountComboBox>("前景计数"))})
      EXPECT_EQ(box->height(), 20);
  }
}
