// The controls of the main window come from its form (main_window.ui); this adds what a form
// cannot hold: the edit boxes' digit checks, the white path and size boxes, the CJK font, the
// notice's link cursor, the task list's model and columns, the blend-mode names, the clock
// and the pop-up menu.
#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QTimer>

#include "gui/main_window.h"
#include "task/control_rules.h"
#include "ui_main_window.h"

namespace {

void DigitsOnly(QLineEdit* e) {
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
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
  ui = std::make_unique<Ui::MainWindow>();
  ui->setupUi(this);
  move(50, 50);
  UseCjkFont(this);

  if (QStringLiteral(FLIPFRAME_HOME_PAGE).isEmpty())
    ui->版权->setText(QStringLiteral("flipframe 横竖屏视频批量互转 - 由 flipframe 开发组制作"));
  else
    ui->版权->setCursor(Qt::PointingHandCursor);

  // The four path boxes read like text fields; the size boxes start white.
  for (QWidget* w : std::initializer_list<QWidget*>{ui->前景框b, ui->外形框2, ui->外形框4, ui->外形框3,
                                                    ui->宽度框b, ui->高度框b, ui->关闭})
    White(w, QPalette::Window);
  for (QLineEdit* e : {ui->宽度框, ui->高度框}) White(e, QPalette::Base);
  for (QLineEdit* e : {ui->宽度框, ui->高度框, ui->码率框}) DigitsOnly(e);

  时钟 = new QTimer(this);
  时钟->setObjectName(QStringLiteral("时钟"));
  时钟->setInterval(0);  // stopped; a batch runs it once a second

  for (int mode = 0; mode < task::kBlendModeCount; ++mode)
    ui->动画滤镜->addItem(QString::fromUtf8(task::BlendModeName(mode)));
  ui->动画滤镜->setCurrentIndex(0);

  // Task list: report view with seven columns (their titles come from the model)
  taskList = new app::TaskListModel(this);
  QTableView* list = ui->列表框;
  list->setModel(taskList);
  const int widths[7] = {32, 110, 67, 42, 45, 55, 60};
  for (int c = 0; c < 7; ++c) list->setColumnWidth(c, widths[c]);
  list->verticalHeader()->setVisible(false);
  list->verticalHeader()->setMinimumSectionSize(1);
  list->verticalHeader()->setDefaultSectionSize(19);
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->horizontalHeader()->setHighlightSections(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->setWordWrap(false);

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
