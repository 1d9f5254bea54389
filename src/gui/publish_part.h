#pragma once
// 发布设置: the publishing target, the texts in the bands and the logo, set in a small window opened by
// the button 发布按钮 of the bottom strip. It holds what the user chose and tells the task
// editor through its signals; the editor tells it what a task shown for editing holds.
// Besides the target, further targets may be ticked (更多目标): the same run makes each of
// them a file of its own. Tests find the window and its controls by their object names
// (发布设置, 发布目标, 更多目标, 标题框, 字幕框, 字体框, 文字大小, 文字颜色, 描边颜色, Logo框,
// Logo按钮, 清空Logo, Logo位置, Logo大小, Logo边距, Logo不透明度).
#include <optional>
#include <string>
#include <vector>

#include "gui/window_part.h"
#include "task/band_text.h"
#include "task/logo.h"
#include "task/targets.h"

class QComboBox;
class QDialog;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class PublishPart : public WindowPart {
  Q_OBJECT

 public:
  PublishPart(MainWindow& window, Ui::MainWindow* ui, const char* name);

  // The targets of targets.ini; the entries left out are shown in the window's note.
  void LoadTargets(const task::TargetFile& file);
  void Open();
  // A task shown for editing: its targets (by name; one no longer listed shows as 自定义, or
  // unticked), texts and logo.
  void Show(const task::TargetSettings& target, const std::vector<task::TargetOutput>& more,
            const task::BandTexts& texts, const task::Logo& logo);

 signals:
  void targetChosen(std::optional<task::PublishTarget> target);  // nothing: 自定义
  void moreTargetsChosen(std::vector<task::PublishTarget> targets);
  void textsEdited(task::BandTexts texts);
  void logoEdited(task::Logo logo);

 private:
  void BuildDialog();
  void OnTargetItem(int item);
  void OnTextEdited();
  void OnMoreTargetTicked();
  // publish_logo.cpp
  void BuildLogoRows(QFormLayout* form);
  void PickLogo();
  void ClearLogo();
  void OnLogoEdited();
  void ShowLogo();

  std::vector<task::PublishTarget> targets_;
  task::BandTexts texts_;
  bool showing_ = false;  // Show() is filling the controls: no signal goes out
  QDialog* dialog_ = nullptr;
  QComboBox* targetBox_ = nullptr;
  QListWidget* moreBox_ = nullptr;  // ticks for further targets, usable once a target is chosen
  QLineEdit *titleBox_ = nullptr, *captionBox_ = nullptr, *fontBox_ = nullptr;
  QLineEdit *colourBox_ = nullptr, *outlineBox_ = nullptr;
  QSpinBox* sizeBox_ = nullptr;
  task::Logo logo_;
  std::string logoFolder_;  // where the logo picker opens when there is no logo
  QLabel* logoBox_ = nullptr;
  QPushButton *logoButton_ = nullptr, *clearLogo_ = nullptr;
  QComboBox* logoPlace_ = nullptr;
  QSpinBox *logoSize_ = nullptr, *logoMargin_ = nullptr, *logoOpacity_ = nullptr;
};
