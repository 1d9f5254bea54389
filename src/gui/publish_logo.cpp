// The logo rows of 发布设置: a picker with its path and a clear button, the corner, and the
// size, margin and opacity. A picked file is checked and probed as every source file is (on
// a worker thread, the window responsive); one the converter cannot read as a still picture
// or a GIF is refused with the reason.
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "gui/batch_view.h"
#include "gui/dialogs.h"
#include "gui/publish_part.h"
#include "gui/task_editor.h"
#include "pipeline/publish.h"
#include "platform/platform.h"
#include "store/file_names.h"
#include "store/utf8.h"

using app::FromUtf8;

namespace {

QSpinBox* PercentBox(QWidget* parent, const char* name, int low, int high) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setRange(low, high);
  box->setSuffix(QStringLiteral(" %"));
  return box;
}

}  // namespace

void PublishPart::BuildLogoRows(QFormLayout* form) {
  auto* row = new QHBoxLayout;
  logoBox_ = new QLabel(dialog_);
  logoBox_->setObjectName(QStringLiteral("Logo框"));
  logoBox_->setMinimumWidth(220);
  logoBox_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  logoButton_ = new QPushButton(QStringLiteral("…"), dialog_);
  logoButton_->setObjectName(QStringLiteral("Logo按钮"));
  clearLogo_ = new QPushButton(QStringLiteral("清空"), dialog_);
  clearLogo_->setObjectName(QStringLiteral("清空Logo"));
  row->addWidget(logoBox_, 1);
  row->addWidget(logoButton_);
  row->addWidget(clearLogo_);
  logoPlace_ = new QComboBox(dialog_);
  logoPlace_->setObjectName(QStringLiteral("Logo位置"));
  // In the order of task::LogoPlace.
  logoPlace_->addItems(
      {QStringLiteral("左上"), QStringLiteral("右上"), QStringLiteral("左下"), QStringLiteral("右下")});
  logoSize_ = PercentBox(dialog_, "Logo大小", task::kLogoSizeMin, task::kLogoSizeMax);
  logoMargin_ = PercentBox(dialog_, "Logo边距", task::kLogoMarginMin, task::kLogoMarginMax);
  logoOpacity_ = PercentBox(dialog_, "Logo不透明度", task::kLogoOpacityMin, task::kLogoOpacityMax);
  form->addRow(QStringLiteral("Logo（图片或 GIF）："), row);
  form->addRow(QStringLiteral("Logo 位置："), logoPlace_);
  form->addRow(QStringLiteral("Logo 宽度（占画面宽度）："), logoSize_);
  form->addRow(QStringLiteral("Logo 边距（占画面宽度）："), logoMargin_);
  form->addRow(QStringLiteral("Logo 不透明度："), logoOpacity_);

  connect(logoButton_, &QPushButton::clicked, this, &PublishPart::PickLogo);
  connect(clearLogo_, &QPushButton::clicked, this, &PublishPart::ClearLogo);
  connect(logoPlace_, &QComboBox::currentIndexChanged, this, &PublishPart::OnLogoEdited);
  for (QSpinBox* box : {logoSize_, logoMargin_, logoOpacity_})
    connect(box, &QSpinBox::valueChanged, this, &PublishPart::OnLogoEdited);
}

void PublishPart::PickLogo() {
  // The probe runs a converter: never beside a batch's, a trial's or another probe's.
  if (editor->probeBusy || batch->BatchOrTrialUnderWay()) return;
  const std::string current = task::Unquote(logo_.path);
  // Where the logo is, else where the last one was picked, else where the foreground was.
  const std::string folder = plat::IsRegularFile(current) ? plat::FolderOf(current)
                             : logoFolder_.empty()        ? editor->lastFolder[size_t(kForeground)]
                                                          : logoFolder_;
  const std::optional<QString> chosen = dialogs().OpenFile(
      dialog_, QStringLiteral("打开 Logo 文件：图片（PNG 可带透明，JPG）或 GIF 动画"), FromUtf8(folder),
      QStringLiteral("图片和 GIF 动画（*.png *.jpg *.jpeg *.gif） (*.png *.jpg *.jpeg *.gif)"));
  if (!chosen) return;
  task::Logo picked = logo_;
  picked.path = task::Quote(app::FileSystemPath(*chosen));
  logoFolder_ = plat::FolderOf(task::Unquote(picked.path));
  std::string refusal;
  editor->probeBusy = true;
  logoButton_->setEnabled(false);
  gui::ResponsiveRun([&refusal, &picked] { refusal = pipeline::ProbeLogo(picked); });
  logoButton_->setEnabled(true);
  editor->probeBusy = false;
  if (!refusal.empty()) {
    dialogs().ShowError(dialog_, FromUtf8(refusal));
    return;
  }
  logo_ = picked;
  ShowLogo();
  emit logoEdited(logo_);
}

void PublishPart::ClearLogo() {
  logo_.path.clear();
  logo_.kind = 0;
  ShowLogo();
  emit logoEdited(logo_);
}

void PublishPart::OnLogoEdited() {
  if (showing_) return;
  logo_.place = static_cast<task::LogoPlace>(logoPlace_->currentIndex());
  logo_.size = logoSize_->value();
  logo_.margin = logoMargin_->value();
  logo_.opacity = logoOpacity_->value();
  emit logoEdited(logo_);
}

void PublishPart::ShowLogo() {
  const bool wasShowing = showing_;
  showing_ = true;
  logoBox_->setText(logo_.used() ? FromUtf8(task::Unquote(logo_.path)) : QStringLiteral("无"));
  clearLogo_->setEnabled(logo_.used());
  logoPlace_->setCurrentIndex(static_cast<int>(logo_.place));
  logoSize_->setValue(logo_.size);
  logoMargin_->setValue(logo_.margin);
  logoOpacity_->setValue(logo_.opacity);
  showing_ = wasShowing;
}
