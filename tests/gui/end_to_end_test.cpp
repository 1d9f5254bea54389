// The whole program as a person uses it, against the real converter: two tasks composed
// through the pickers and the ratio list, added after their trial runs, then converted by
// the batch; the outputs are checked with ffprobe.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <filesystem>
#include <string>

#include "support/task_helpers.h"
#include "support/window_fixture.h"

namespace ts = testing_support;

class EndToEndTest : public WindowTest {
 protected:
  void Answer(const std::string& path) { dialogs.fileAnswers.push_back(QString::fromStdString(path)); }

  void ChooseRatio(const QString& text) {
    const int index = Find<QComboBox>("宽高比例")->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    Find<QComboBox>("宽高比例")->setCurrentIndex(index);
    emit Find<QComboBox>("宽高比例")->activated(index);
  }

  bool BatchOver() {
    if (Batch().runner->converting() || Batch().runner->active()) return false;
    for (int row = 0; row < Tasks().taskList->size(); ++row) {
      const QString s = ts::RowState(*window, row);
      if (s.isEmpty() || s == QStringLiteral("准备数据") || s.endsWith(QStringLiteral("％"))) return false;
    }
    return true;
  }
};

TEST_F(EndToEndTest, TwoTasksAddedAndConverted) {
  const std::string folder = ts::TempFolder() + "/end-to-end";
  const std::string landscape = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder);
  const std::string portrait = ts::CopyInto(ts::VideoWithoutSound(180, 320, 2), folder);
  const std::string gif = ts::AnimatedGif(160, 90, 2, 10);
  const std::string music = ts::AudioOnly(3);

  // First task: a landscape clip made portrait.
  Answer(landscape);
  Find<QPushButton>("新建任务")->click();
  ASSERT_EQ(Find<QLabel>("前景框")->text(), QString::fromStdString(landscape));
  ChooseRatio(QStringLiteral(" 横->竖 [9:16]"));
  EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), QStringLiteral("320"));
  EXPECT_EQ(Find<QLineEdit>("高度框")->text(), QStringLiteral("568"));
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  ASSERT_EQ(Tasks().taskList->size(), 1);

  // Second task: a portrait clip made landscape, with a GIF over it and background music.
  Answer(portrait);
  Find<QPushButton>("前景按钮")->click();
  ASSERT_EQ(Find<QLabel>("前景框")->text(), QString::fromStdString(portrait));
  EXPECT_EQ(Find<QComboBox>("宽高比例")->currentText(), QStringLiteral(" 竖->横 [16:9]"));
  Answer(gif);
  Find<QPushButton>("动画按钮")->click();
  ASSERT_EQ(Find<QLabel>("动画框")->text(), QString::fromStdString(gif));
  Answer(music);
  Find<QPushButton>("音乐按钮")->click();
  ASSERT_EQ(Find<QLabel>("音乐框")->text(), QString::fromStdString(music));
  EXPECT_TRUE(Find<QCheckBox>("音乐")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("静音")->isChecked());
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  ASSERT_EQ(Tasks().taskList->size(), 2);
  EXPECT_EQ(Tasks().taskList->data(Tasks().taskList->index(0, 2)).toString(), QStringLiteral("320x568"));
  EXPECT_EQ(Tasks().taskList->data(Tasks().taskList->index(1, 2)).toString(), QStringLiteral("568x320"));

  // The batch.
  Find<QPushButton>("开始执行")->click();
  for (int waited = 0; !BatchOver() && waited < 300000; waited += 500) gui::ResponsiveWait(500);
  ASSERT_TRUE(BatchOver()) << "the batch did not end";
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  EXPECT_EQ(Find<QPushButton>("开始执行")->text(), QStringLiteral("开始执行"));

  const struct { int width, height; } expected[] = {{320, 568}, {568, 320}};
  for (int row = 0; row < 2; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ts::RowState(*window, row), QStringLiteral("处理完毕"));
    const std::string out = Tasks().taskList->task(row).finalOutputPath;
    EXPECT_EQ(out.rfind(folder + "/result/", 0), 0u) << out;
    ASSERT_TRUE(plat::FileExists(out)) << out;
    const ts::ProbeFacts facts = ts::MediaFacts(out);
    EXPECT_EQ(facts.width, expected[row].width);
    EXPECT_EQ(facts.height, expected[row].height);
    EXPECT_NEAR(facts.duration, 2.0, 0.5);
    EXPECT_TRUE(facts.hasAudio);  // the second from its background music
  }
  // No temporary output is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(folder + "/result"))
    EXPECT_EQ(entry.path().filename().string().find("_tmp"), std::string::npos) << entry.path().string();
}
