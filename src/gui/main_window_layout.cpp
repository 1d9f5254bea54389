// The controls of the main window with their geometry, captions, item lists, ranges and
// initial states.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTableView>
#include <QTimer>

#include "gui/main_window.h"
#include "task/control_rules.h"

namespace {

template <typename W>
W* Place(W* w, const char* name, int x, int y, int width, int height) {
  w->setObjectName(QString::fromUtf8(name));
  w->setGeometry(x, y, width, height);
  return w;
}

QFrame* Shape(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* f = Place(new QFrame(parent), name, x, y, w, h);
  f->setFrameShape(QFrame::Box);
  f->setFrameShadow(QFrame::Plain);
  f->setAutoFillBackground(true);
  return f;
}

QLabel* Label(QWidget* parent, const char* name, int x, int y, int w, int h, const char* caption) {
  auto* l = Place(new QLabel(QString::fromUtf8(caption), parent), name, x, y, w, h);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return l;
}

QPushButton* Button(QWidget* parent, const char* name, int x, int y, int w, int h, const char* caption) {
  return Place(new QPushButton(QString::fromUtf8(caption), parent), name, x, y, w, h);
}

QCheckBox* Check(QWidget* parent, const char* name, int x, int y, int w, int h, const char* caption,
                 bool checked, bool enabled) {
  auto* c = Place(new QCheckBox(QString::fromUtf8(caption), parent), name, x, y, w, h);
  c->setChecked(checked);
  c->setEnabled(enabled);
  return c;
}

// Edit box inside its border frame, single line, centred text.
QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int w, int h, int maxLength,
                bool digitsOnly) {
  auto* e = Place(new QLineEdit(parent), name, x, y, w, h);
  e->setFrame(false);
  e->setAlignment(Qt::AlignCenter);
  e->setMaxLength(maxLength);
  if (digitsOnly)
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
  return e;
}

QSlider* Slider(QWidget* parent, const char* name, int x, int y, int w, int h, int max, int pos) {
  auto* s = Place(new QSlider(Qt::Horizontal, parent), name, x, y, w, h);
  s->setRange(0, max);
  s->setValue(pos);
  s->setEnabled(false);
  return s;
}

// Size boxes start white; the active one is coloured by ActivateWidthBox/ActivateHeightBox.
void White(QWidget* w, QPalette::ColorRole role) {
  QPalette p = w->palette();
  p.setColor(role, Qt::white);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// Every caption is Chinese: use an installed CJK font at the size the layout was made for.
void UseCjkFont(QWidget* window) {
  const QStringList families = QFontDatabase::families();
  for (const char* name : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC", "Source Han Sans SC",
                           "Droid Sans Fallback"}) {
    if (families.contains(QString::fromUtf8(name))) {
      QFont font(QString::fromUtf8(name));
      font.setPixelSize(12);
      window->setFont(font);
      return;
    }
  }
  QFont font = window->font();
  font.setPixelSize(12);
  window->setFont(font);
}

}  // namespace

void MainWindow::BuildControls() {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("flipframe"));
  move(50, 50);
  resize(475, 603);
  setMinimumSize(475, 603);
  setMaximumWidth(475);
  UseCjkFont(this);

  // Containers
  路径框 = Shape(this, "路径框", 5, 8, 448, 136);
  操作框 = Shape(this, "操作框", 5, 135, 448, 192);
  按钮框 = Shape(this, "按钮框", 5, 320, 448, 48);
  taskList = new app::TaskListModel(this);
  列表框 = Place(new QTableView(this), "列表框", 12, 365, 435, 162);
  列表框->setModel(taskList);
  进度条b = Shape(this, "进度条b", -1, 540, 468, 26);
  进度条 = Shape(进度条b, "进度条", 1, 1, 466, 24);
  版权 = Label(进度条, "版权", 16, 2, 430, 19,
               "flipframe 横竖屏视频批量互转 - 由 flipframe 开发组制作，点击访问主页");
  // Beside the notice, where it moves none of the settings area's controls; kept across
  // 新建任务 like a preference, shown from each task loaded.
  快速背景 = Check(进度条, "快速背景", 384, 0, 78, 24, "快速背景", false, true);
  快速背景->setToolTip(QStringLiteral("背景只取画面用到的部分，缩小后模糊再放大：转换更快，效果相近"));
  // The batch's overall progress takes the notice's place while a batch runs.
  总进度 = Place(new QProgressBar(进度条), "总进度", 1, 1, 464, 22);
  总进度->setAlignment(Qt::AlignCenter);
  总进度->hide();
  // The areas overlap by a few pixels: each later area lies over the bottom edge of the one
  // above it (creation order), so the first row of every area stays visible and clickable.
  if (QStringLiteral(FLIPFRAME_HOME_PAGE).isEmpty())
    版权->setText(QStringLiteral("flipframe 横竖屏视频批量互转 - 由 flipframe 开发组制作"));
  else
    版权->setCursor(Qt::PointingHandCursor);

  // Source area
  标签1 = Label(路径框, "标签1", 8, 6, 56, 24, "前景视频:");
  前景框b = Shape(路径框, "前景框b", 67, 6, 276, 23);
  前景框 = Label(前景框b, "前景框", 5, 1, 270, 21, "");
  前景计数 = Place(new CountComboBox(路径框), "前景计数", 348, 6, 37, 20);
  前景按钮 = Button(路径框, "前景按钮", 390, 5, 24, 24, "…");
  重载 = Button(路径框, "重载", 418, 5, 24, 24, "↙");
  标签2 = Label(路径框, "标签2", 8, 38, 56, 24, "背景视频:");
  外形框2 = Shape(路径框, "外形框2", 67, 38, 318, 23);
  背景框 = Label(外形框2, "背景框", 5, 1, 312, 21, kBackgroundPlaceholder);
  背景按钮 = Button(路径框, "背景按钮", 390, 37, 24, 24, "…");
  清空背景 = Button(路径框, "清空背景", 418, 37, 24, 24, "×");
  标签13 = Label(路径框, "标签13", 8, 70, 56, 24, "特效动画:");
  外形框4 = Shape(路径框, "外形框4", 67, 70, 318, 23);
  动画框 = Label(外形框4, "动画框", 5, 1, 312, 21, "");
  动画按钮 = Button(路径框, "动画按钮", 390, 69, 24, 24, "…");
  清空动画 = Button(路径框, "清空动画", 418, 69, 24, 24, "×");
  标签8 = Label(路径框, "标签8", 8, 102, 56, 24, "背景音频:");
  外形框3 = Shape(路径框, "外形框3", 67, 102, 318, 23);
  音乐框 = Label(外形框3, "音乐框", 5, 1, 312, 21, "");
  音乐按钮 = Button(路径框, "音乐按钮", 390, 101, 24, 24, "…");
  清空音乐 = Button(路径框, "清空音乐", 418, 101, 24, 24, "×");
  // The four path boxes read like text fields.
  for (QWidget* w : std::initializer_list<QWidget*>{前景框b, 外形框2, 外形框4, 外形框3})
    White(w, QPalette::Window);
  时钟 = new QTimer(this);
  时钟->setObjectName(QStringLiteral("时钟"));
  时钟->setInterval(0);  // stopped; a batch runs it once a second

  // Settings area, rows 1 to 3
  标签10 = Label(操作框, "标签10", 8, 6, 58, 24, "纵横比例:");
  宽高比例 = Place(new QComboBox(操作框), "宽高比例", 67, 8, 116, 20);
  for (const char* item : {" 竖->横 [16:9]", " 竖->横 [16:10]", " 竖->横 [15:9]", " 竖->横 [4:3]",
                           " 竖->横 [21:9]", " 竖->横 [37:20]", " 竖->横 [47:20]", " 横->竖 [9:16]",
                           " 横->竖 [10:16]", " 横->竖 [9:15]", " 横->竖 [3:4]"})
    宽高比例->addItem(QString::fromUtf8(item));
  宽高比例->setCurrentIndex(-1);
  宽度标签 = Label(操作框, "宽度标签", 194, 6, 58, 24, "输出宽度:");
  宽度框b = Shape(操作框, "宽度框b", 254, 7, 54, 23);
  宽度框 = Edit(宽度框b, "宽度框", 1, 1, 52, 21, 4, true);
  高度标签 = Label(操作框, "高度标签", 323, 6, 32, 24, "高度:");
  高度框b = Shape(操作框, "高度框b", 359, 7, 54, 23);
  高度框 = Edit(高度框b, "高度框", 1, 1, 52, 21, 4, true);
  for (QWidget* w : std::initializer_list<QWidget*>{宽度框b, 高度框b}) White(w, QPalette::Window);
  for (QWidget* w : std::initializer_list<QWidget*>{宽度框, 高度框}) White(w, QPalette::Base);
  比例计算 = Button(操作框, "比例计算", 418, 6, 24, 24, "∷");
  时长标签 = Label(操作框, "时长标签", 8, 37, 56, 24, "视频时长:");
  外形框7 = Shape(操作框, "外形框7", 67, 38, 70, 23);
  时长框 = Edit(外形框7, "时长框", 1, 1, 68, 21, 8, false);
  自动码率 = Check(操作框, "自动码率", 152, 38, 100, 24, "自动码率kb/s:", true, true);
  外形框9 = Shape(操作框, "外形框9", 254, 39, 54, 23);
  码率框 = Edit(外形框9, "码率框", 1, 1, 52, 21, 5, true);
  码率框->setEnabled(false);
  输出标签 = Label(操作框, "输出标签", 323, 37, 56, 24, "输出格式:");
  外形框8 = Shape(操作框, "外形框8", 382, 39, 59, 23);
  格式框 = Edit(外形框8, "格式框", 1, 1, 57, 21, 6, false);
  标签6 = Label(操作框, "标签6", 8, 68, 80, 24, "背景模糊系数:");
  背景模糊 = Slider(操作框, "背景模糊", 89, 68, 88, 18, 10, 5);
  上下跃动 = Check(操作框, "上下跃动", 184, 68, 68, 24, "上下跃动", false, false);
  左右跃动 = Check(操作框, "左右跃动", 263, 68, 68, 24, "左右跃动", false, false);
  分量色变 = Check(操作框, "分量色变", 342, 68, 48, 24, "色变", false, false);
  迷幻 = Check(操作框, "迷幻", 396, 68, 48, 24, "迷幻", false, false);

  // Settings area, rows 4 to 6
  标签14 = Label(操作框, "标签14", 8, 99, 90, 24, "动画设置:模糊:");
  动画模糊 = Slider(操作框, "动画模糊", 89, 99, 88, 18, 10, 5);
  标签15 = Label(操作框, "标签15", 184, 99, 34, 24, "透明:");
  动画透明 = Slider(操作框, "动画透明", 212, 99, 88, 18, 9, 4);
  标签16 = Label(操作框, "标签16", 306, 99, 34, 24, "滤镜:");
  动画滤镜 = Place(new QComboBox(操作框), "动画滤镜", 342, 101, 100, 20);
  for (int mode = 0; mode < task::kBlendModeCount; ++mode)
    动画滤镜->addItem(QString::fromUtf8(task::BlendModeName(mode)));
  动画滤镜->setCurrentIndex(0);
  动画滤镜->setEnabled(false);
  标签12 = Label(操作框, "标签12", 8, 130, 80, 24, "全局视频设置:");
  前景镜像 = Check(操作框, "前景镜像", 93, 130, 68, 24, "前景镜像", false, false);
  重帧优化 = Check(操作框, "重帧优化", 168, 130, 68, 24, "重帧优化", false, false);
  降噪 = Check(操作框, "降噪", 243, 130, 46, 24, "降噪", false, false);
  柔化 = Check(操作框, "柔化", 295, 130, 46, 24, "柔化", false, false);
  视频淡入 = Check(操作框, "视频淡入", 346, 130, 46, 24, "淡入", false, false);
  视频淡出 = Check(操作框, "视频淡出", 397, 130, 46, 24, "淡出", false, false);
  标签11 = Label(操作框, "标签11", 8, 161, 80, 24, "音频混音设置:");
  静音 = Check(操作框, "静音", 93, 161, 48, 24, "静音", true, true);
  前景音 = Check(操作框, "前景音", 149, 161, 60, 24, "前景声", false, false);
  背景音 = Check(操作框, "背景音", 216, 161, 60, 24, "背景声", false, false);
  音乐 = Check(操作框, "音乐", 282, 161, 60, 24, "音频声", false, false);
  音频淡入 = Check(操作框, "音频淡入", 346, 161, 48, 24, "淡入", false, false);
  音频淡出 = Check(操作框, "音频淡出", 397, 161, 48, 24, "淡出", false, false);

  // Button bar
  外形框10 = Shape(按钮框, "外形框10", 8, 8, 66, 24);
  处理进度 = Label(外形框10, "处理进度", 1, 1, 64, 22, "");
  处理进度->setAlignment(Qt::AlignCenter);
  外形框11 = Shape(按钮框, "外形框11", 79, 8, 80, 24);
  处理时间 = Label(外形框11, "处理时间", 1, 1, 78, 22, "");
  处理时间->setAlignment(Qt::AlignCenter);
  新建任务 = Button(按钮框, "新建任务", 164, 8, 62, 25, "新建任务");
  保存任务 = Button(按钮框, "保存任务", 232, 8, 62, 25, "添加任务");
  保存任务->setEnabled(false);
  暂停执行 = Button(按钮框, "暂停执行", 298, 8, 62, 25, "暂停执行");
  暂停执行->setEnabled(false);
  开始执行 = Button(按钮框, "开始执行", 364, 8, 78, 25, "开始执行");

  // Task list: report view with seven columns (their titles come from the model)
  const int widths[7] = {32, 110, 67, 42, 45, 55, 60};
  for (int c = 0; c < 7; ++c) 列表框->setColumnWidth(c, widths[c]);
  列表框->verticalHeader()->setVisible(false);
  列表框->verticalHeader()->setMinimumSectionSize(1);
  列表框->verticalHeader()->setDefaultSectionSize(19);
  列表框->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  列表框->horizontalHeader()->setHighlightSections(false);
  列表框->setSelectionBehavior(QAbstractItemView::SelectRows);
  列表框->setSelectionMode(QAbstractItemView::SingleSelection);
  列表框->setEditTriggers(QAbstractItemView::NoEditTriggers);
  列表框->setContextMenuPolicy(Qt::CustomContextMenu);
  列表框->setWordWrap(false);

  // Floating preview and its close mark, hidden at start
  动画预览 = Place(new QLabel(this), "动画预览", -147, 14, 152, 310);
  动画预览->setScaledContents(true);
  动画预览->hide();
  关闭 = Label(this, "关闭", 16, 0, 12, 12, "×");
  关闭->setAlignment(Qt::AlignCenter);
  White(关闭, QPalette::Window);  // readable over any picture
  关闭->hide();

  // Pop-up menu of the task list
  菜单 = new QMenu(this);
  菜单->setObjectName(QStringLiteral("菜单"));
  menuClearState = 菜单->addAction(QStringLiteral("清除执行状态"));
  menuClearAllStates = 菜单->addAction(QStringLiteral("清除全部状态"));
  menuSeparator1 = 菜单->addSeparator();
  menuNewTask = 菜单->addAction(QStringLiteral("新建任务"));
  menuCloneTask = 菜单->addAction(QStringLiteral("克隆任务"));
  menuEditTask = 菜单->addAction(QStringLiteral("修改任务"));
  menuDeleteTask = 菜单->addAction(QStringLiteral("删除任务"));
  menuClearAllTasks = 菜单->addAction(QStringLiteral("清空全部任务"));
  menuSeparator2 = 菜单->addSeparator();
  menuMoveTop = 菜单->addAction(QStringLiteral("移至顶部"));
  menuMoveBottom = 菜单->addAction(QStringLiteral("移至底部"));
  menuShowLog = 菜单->addAction(QStringLiteral("查看日志"));
  menuSeparator3 = 菜单->addSeparator();
  menuAddVideos = 菜单->addAction(QStringLiteral("批量添加视频…"));
  menuLoadList = 菜单->addAction(QStringLiteral("载入任务列表…"));
  menuSaveList = 菜单->addAction(QStringLiteral("保存任务列表…"));
}
