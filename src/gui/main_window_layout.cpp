// The controls of the main window come from its form (main_window.ui); this adds what a form
// cannot hold: the edit boxes' digit checks, the white path and size boxes, the CJK font, the
// notice's link cursor and the blend-mode names. The task list's columns and menu belong to
// TaskListController, the clock to BatchView.
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

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
    ui->版权->setText(QStringLiteral("由 flipframe 开发组制作"));
  else
    ui->版权->setCursor(Qt::PointingHandCursor);

  // The four path boxes read like text fields; the size boxes start white.
  for (QWidget* w : std::initializer_list<QWidget*>{ui->前景框b, ui->外形框2, ui->外形框4, ui->外形框3,
                                                    ui->宽度框b, ui->高度框b, ui->关闭})
    White(w, QPalette::Window);
  for (QLineEdit* e : {ui->宽度框, ui->高度框}) White(e, QPalette::Base);
  for (QLineEdit* e : {ui->宽度框, ui->高度框, ui->码率框}) DigitsOnly(e);

  for (int mode = 0; mode < task::kBlendModeCount; ++mode)
    ui->动画滤镜->addItem(QString::fromUtf8(task::BlendModeName(mode)));
  ui->动画滤镜->setCurrentIndex(0);
}
