// The end of making a task, the one path both the window's 保存任务 and `convert` take:
// validate, build the trial command, ask whether to go on, try it, build the full command.
// Each step that refuses stops the rest; an accepted task stores the command its trial ran.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pipeline/make_task.h"
#include "pipeline/settings_area.h"
#include "platform/platform.h"
#include "probe/probe_file.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace ts = testing_support;
using pipeline::TaskStep;

namespace {

// The real trial, with a record of what it was asked to run; `refusal` stands in for a
// converter error, which the real one cannot give on demand.
struct RecordingTrial : pipeline::TrialRunner {
  std::string RunTrial(const std::string& arguments) override {
    ran.push_back(arguments);
    return refusal.empty() ? real.RunTrial(arguments) : refusal;
  }
  pipeline::WorkerTrial real{false};
  std::string refusal;
  std::vector<std::string> ran;
};

}  // namespace

TEST(FinishTask, StopsAtTheStepThatRefusesAndStoresTheTriedCommand) {
  const std::string folder = ts::TempFolder() + "/finish-task";
  plat::MakeDirs(folder);
  plat::SetProgramFolderForTesting(folder);
  const std::string clip = ts::VideoWithSound(320, 180, 2);
  const probe::ProbeOutcome probed = probe::ProbeFile(clip);
  ASSERT_EQ(probed.status, probe::ProbeStatus::Parsed);

  struct Case {
    const char* name;
    std::string widthBox;  // "" keeps what the ratio choice wrote
    bool proceed;
    std::string converterError;
    TaskStep step;
    size_t trials;
  };
  for (const Case& c :
       std::vector<Case>{{"width too small", "8", true, "", TaskStep::Validation, 0},
                         {"command unchanged", "", false, "", TaskStep::Unchanged, 0},
                         {"converter refuses", "", true, "Invalid argument", TaskStep::Trial, 1},
                         {"accepted", "", true, "", TaskStep::Stored, 1}}) {
    SCOPED_TRACE(c.name);
    pipeline::SettingsArea s = pipeline::NewTaskSettings();
    task::TaskRecord r;
    pipeline::ReadTask(s, r);
    pipeline::HandleProbe(s, r, task::kForeground, clip, probed);
    pipeline::SelectRatio(s, r, task::RatioIndexOf("3:4"));
    if (!c.widthBox.empty()) s.widthBox = c.widthBox;
    RecordingTrial trial;
    trial.refusal = c.converterError;
    std::string asked;
    const pipeline::MadeTask made =
        pipeline::FinishTask(s, r, ts::BuiltInEffects(), trial, [&](const std::string& command) {
          asked = command;
          return c.proceed;
        });
    EXPECT_EQ(made.step, c.step);
    EXPECT_EQ(made.ok, c.step == TaskStep::Stored);
    EXPECT_EQ(trial.ran.size(), c.trials);
    EXPECT_EQ(made.refusal.empty(), c.step == TaskStep::Unchanged || c.step == TaskStep::Stored);
    if (c.step == TaskStep::Validation) {
      EXPECT_TRUE(asked.empty());
    }
    if (c.step == TaskStep::Trial) {
      EXPECT_EQ(made.refusal.rfind("发生错误：", 0), 0u) << made.refusal;
    }
    if (made.ok) {
      ASSERT_EQ(trial.ran.size(), 1u);
      EXPECT_EQ(made.task.trialCommand, trial.ran[0]);
      EXPECT_EQ(r.trialCommand, trial.ran[0]);
      EXPECT_NE(made.task.commandLine, made.task.trialCommand);
      // `convert` makes the very same task from the same file and ratio.
      pipeline::SettingsTemplate t;
      t.ratioIndex = task::RatioIndexOf("3:4");
      pipeline::WorkerTrial real(false);
      const pipeline::MadeTask converted = pipeline::MakeTask(clip, t, ts::BuiltInEffects(), real);
      ASSERT_TRUE(converted.ok) << converted.refusal;
      EXPECT_EQ(converted.task.commandLine, made.task.commandLine);
    }
  }
  plat::SetProgramFolderForTesting("");
}
