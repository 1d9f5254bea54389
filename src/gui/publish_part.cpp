#include "gui/publish_part.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/status_note.h"
#include "store/utf8.h"
#include "ui_main_window.h"

using app::FromUtf8;
using app::ToUtf8;

namespace {

QLineEdit* ColourBox(QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,6}")), box));
  box->setMaxLength(6);
  return box;
}

}  // namespace

PublishPart::PublishPart(MainWindow& w, Ui::MainWindow* form, const char* name) : WindowPart(w, form, name) {
  BuildDialog();
  connect(ui->发布按钮, &QPushButton::clicked, this, &PublishPart::Open);
}

void PublishPart::BuildDialog() {
  dialog_ = new QDialog(&window);
  dialog_->setObjectName(QStringLiteral("发布设置"));
  dialog_->setWindowTitle(QStringLiteral("发布设置"));
  auto* form = new QFormLayout(dialog_);
  targetBox_ = new QComboBox(dialog_);
  targetBox_->setObjectName(QStringLiteral("发布目标"));
  targetBox_->addItem(QStringLiteral("自定义"));
  moreBox_ = new QListWidget(dialog_);
  moreBox_->setObjectName(QStringLiteral("更多目标"));
  moreBox_->setToolTip(QStringLiteral("同一次转换再输出这些目标各一个文件（文件名带形状，如 _1x1）"));
  moreBox_->setMaximumHeight(120);
  titleBox_ = new QLineEdit(dialog_);
  titleBox_->setObjectName(QStringLiteral("标题框"));
  captionBox_ = new QLineEdit(dialog_);
  captionBox_->setObjectName(QStringLiteral("字幕框"));
  for (QLineEdit* box : {titleBox_, captionBox_}) {
    box->setMaxLength(task::kMaxBandText / 3);
    box->setPlaceholderText(QStringLiteral("\\n 换行，{name} 文件名，{index} 任务序号"));
  }
  fontBox_ = new QLineEdit(dialog_);
  fontBox_->setObjectName(QStringLiteral("字体框"));
  fontBox_->setPlaceholderText(QStringLiteral("文泉驿微米黑；已安装字体的名称或字体文件的路径"));
  sizeBox_ = new QSpinBox(dialog_);
  sizeBox_->setObjectName(QStringLiteral("文字大小"));
  sizeBox_->setRange(0, 400);
  sizeBox_->setSpecialValueText(QStringLiteral("自动"));
  colourBox_ = ColourBox(dialog_, "文字颜色");
  outlineBox_ = ColourBox(dialog_, "描边颜色");
  form->addRow(QStringLiteral("发布目标："), targetBox_);
  form->addRow(QStringLiteral("同时输出："), moreBox_);
  form->addRow(QStringLiteral("标题（上方）："), titleBox_);
  form->addRow(QStringLiteral("字幕（下方）："), captionBox_);
  form->addRow(QStringLiteral("字体："), fontBox_);
  form->addRow(QStringLiteral("文字大小（像素）："), sizeBox_);
  form->addRow(QStringLiteral("文字颜色 RRGGBB："), colourBox_);
  form->addRow(QStringLiteral("描边颜色 RRGGBB："), outlineBox_);
  BuildLogoRows(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog_);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::rejected, dialog_, &QDialog::hide);
  dialog_->setMinimumWidth(420);
  Show({}, {}, {}, {});

  connect(targetBox_, &QComboBox::currentIndexChanged, this, &PublishPart::OnTargetItem);
  connect(moreBox_, &QListWidget::itemChanged, this, &PublishPart::OnMoreTargetTicked);
  for (QLineEdit* box : {titleBox_, captionBox_, fontBox_, colourBox_, outlineBox_})
    connect(box, &QLineEdit::textChanged, this, &PublishPart::OnTextEdited);
  connect(sizeBox_, &QSpinBox::valueChanged, this, &PublishPart::OnTextEdited);
}

void PublishPart::LoadTargets(const task::TargetFile& file) {
  targets_ = file.targets;
  showing_ = true;
  while (targetBox_->count() > 1) targetBox_->removeItem(1);
  moreBox_->clear();
  for (const task::PublishTarget& t : targets_) {
    targetBox_->addItem(FromUtf8(t.label));
    targetBox_->setItemData(targetBox_->count() - 1, FromUtf8(t.source), Qt::ToolTipRole);
    auto* item = new QListWidgetItem(FromUtf8(t.label), moreBox_);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(Qt::Unchecked);
  }
  showing_ = false;
  if (!file.problems.empty()) batch->note->Show(FromUtf8("targets.ini：" + file.problems.front()));
}

void PublishPart::Open() {
  dialog_->show();
  dialog_->raise();
}

void PublishPart::Show(const task::TargetSettings& target, const std::vector<task::TargetOutput>& more,
                       const task::BandTexts& texts, const task::Logo& logo) {
  showing_ = true;
  const task::PublishTarget* listed = task::FindTarget(targets_, target.name);
  targetBox_->setCurrentIndex(listed ? int(listed - targets_.data()) + 1 : 0);
  moreBox_->setEnabled(listed != nullptr);
  for (int i = 0; i < moreBox_->count(); ++i) {
    bool ticked = false;
    for (const task::TargetOutput& o : more)
      ticked = ticked || o.settings.name == targets_[size_t(i)].settings.name;
    moreBox_->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }
  texts_ = texts;
  titleBox_->setText(FromUtf8(texts.title).replace(QLatin1Char('\n'), QStringLiteral("\\n")));
  captionBox_->setText(FromUtf8(texts.caption).replace(QLatin1Char('\n'), QStringLiteral("\\n")));
  fontBox_->setText(FromUtf8(texts.font));
  sizeBox_->setValue(texts.size);
  colourBox_->setText(FromUtf8(texts.colour));
  outlineBox_->setText(FromUtf8(texts.outline));
  logo_ = logo;
  ShowLogo();
  showing_ = false;
}

void PublishPart::OnTargetItem(int item) {
  moreBox_->setEnabled(item >= 1);
  if (showing_) return;
  emit targetChosen(item >= 1 && item <= int(targets_.size()) ? std::optional(targets_[size_t(item - 1)])
                                                              : std::nullopt);
  OnMoreTargetTicked();  // the target chosen above is no further one
}

// The ticked further targets, the one chosen above left out (it is the first output already).
void PublishPart::OnMoreTargetTicked() {
  if (showing_) return;
  std::vector<task::PublishTarget> more;
  for (int i = 0; i < moreBox_->count() && i < int(targets_.size()); ++i)
    if (moreBox_->item(i)->checkState() == Qt::Checked && i + 1 != targetBox_->currentIndex())
      more.push_back(targets_[size_t(i)]);
  emit moreTargetsChosen(std::move(more));
}

void PublishPart::OnTextEdited() {
  if (showing_) return;
  texts_.title = ToUtf8(titleBox_->text());
  texts_.caption = ToUtf8(captionBox_->text());
  texts_.font = ToUtf8(fontBox_->text().trimmed());
  texts_.size = sizeBox_->value();
  // An unfinished colour keeps the last whole one.
  if (colourBox_->text().size() == 6) texts_.colour = ToUtf8(colourBox_->text().toUpper());
  if (outlineBox_->text().size() == 6) texts_.outline = ToUtf8(outlineBox_->text().toUpper());
  emit textsEdited(texts_);
}
