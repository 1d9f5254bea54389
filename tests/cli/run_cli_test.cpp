// `flipframe convert --save-list`, `flipframe run` (alone and through GNU parallel) and the
// time left in progress lines, run as the installed program would be, on generated clips.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/make_task.h"
#include "platform/platform.h"
#include "store/task_list_file.h"
#include "support/media.h"
#include "support/program_folder.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

namespace {

const std::string kFlipframe = ts::OwnFlipframe();

// Three tiny clips copied into `folder`, so results land beside them.
std::string ClipsIn(const std::string& folder) {
  for (int k = 1; k <= 3; ++k) {
    const std::string clip = folder + "/c" + std::to_string(k) + ".mp4";
    ts::Shell("mkdir -p '" + folder + "' && cp '" + ts::VideoWithSound(192, 108, 1) + "' '" + clip + "'");
  }
  return folder;
}

// The same in a folder of the test's own.
std::string ClipsFolder() { return ClipsIn(ts::CurrentTestFolder()); }

std::string Bytes(const std::string& path) {
  std::string bytes;
  plat::ReadFile(path, &bytes);
  return bytes;
}

std::string Clip(const std::string& dir, int k) { return dir + "/c" + std::to_string(k) + ".mp4"; }

// A trial that accepts every command: the run tests' lists hold tasks the converter takes.
struct AcceptingTrial : pipeline::TrialRunner {
  std::string RunTrial(const std::string&) override { return {}; }
};

// A list of tasks for clips `ks` of `dir`, made by the steps `convert --save-list --preset
// ultrafast` takes; the clips are probed, the trials taken as passed.
std::string MakeList(const std::string& dir, const std::vector<int>& ks) {
  AcceptingTrial trial;
  pipeline::SettingsTemplate settings;
  settings.encoderPreset = "ultrafast";  // the run is under test, not the encoder
  std::vector<app::TaskRow> rows;
  for (int k : ks) {
    const pipeline::MadeTask made = pipeline::MakeTask(Clip(dir, k), settings, ts::BuiltInEffects(), trial);
    EXPECT_TRUE(made.ok) << made.refusal;
    rows.push_back(app::TaskRow{made.task, {}, {}});
  }
  const std::string list = dir + "/L.json";
  EXPECT_EQ(app::AppendToTaskList(list, rows), QString());
  return list;
}

// Every task finished, once, into a file of its own named after its own clip; no claim, no
// temporary file left.
void ExpectEachTaskConvertedOnce(const std::string& dir, const std::string& list) {
  const app::LoadedTaskList after = app::LoadTaskList(list);
  ASSERT_TRUE(after.ok()) << after.error.toStdString();
  std::set<std::string> outputs;
  for (const app::TaskRow& row : after.rows) {
    const std::string clip = task::Unquote(row.record.foregroundPath);
    const std::string stem = dir + "/result/" + clip.substr(dir.size() + 1, 2) + "_";
    SCOPED_TRACE(clip);
    EXPECT_EQ(row.state.toStdString(), "处理完毕");
    EXPECT_EQ(row.record.finalOutputPath.rfind(stem, 0), 0u) << row.record.finalOutputPath;
    EXPECT_TRUE(plat::FileExists(row.record.finalOutputPath));
    EXPECT_FALSE(row.claim.has_value());
    outputs.insert(row.record.finalOutputPath);
  }
  EXPECT_EQ(outputs.size(), after.rows.size());
  EXPECT_FALSE(plat::FileExists(app::JournalPath(list))) << "the last run folds the journal into the list";
  // Nothing converted twice: exactly one file per task.
  EXPECT_EQ(ts::Capture("ls '" + dir + "/result' | wc -l"), std::to_string(after.rows.size()) + "\n");
}

}  // namespace

TEST(RunCli, SaveListCreatesAppendsAndStoresTheFastBackground) {
  const std::string dir = ClipsFolder(), list = dir + "/L.json";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " --fast-background " + dir +
                       "/c1.mp4 " + dir + "/c2.mp4")),
            0);
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " " + dir + "/c3.mp4 " + dir +
                       "/none.mp4 2>/dev/null")),
            1);  // c3 added, the missing file refused
  const app::LoadedTaskList loaded = app::LoadTaskList(list);
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  ASSERT_EQ(loaded.rows.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const task::TaskRecord& r = loaded.rows[i].record;
    EXPECT_EQ(task::Unquote(r.foregroundPath), dir + "/c" + std::to_string(i + 1) + ".mp4");
    EXPECT_EQ(r.fastBackground, i < 2);
    EXPECT_FALSE(r.commandLine.empty());
    EXPECT_TRUE(loaded.rows[i].state.isEmpty());
  }
  // The fast graph (blurred at a quarter of the size) only where the switch was given.
  const std::string smallBlur = "scale=trunc(iw/4)*2:trunc(ih/4)*2";
  EXPECT_NE(loaded.rows[0].record.commandLine.find(smallBlur), std::string::npos);
  EXPECT_EQ(loaded.rows[2].record.commandLine.find(smallBlur), std::string::npos);
  EXPECT_EQ(ts::Capture(kFlipframe + " run " + list + " --count"), "3\n");
}

TEST(RunCli, ParallelTaskRunsThenRunDoesTheRestThenNothing) {
  const std::string dir = ClipsFolder(), list = dir + "/L.json";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " " + dir + "/c1.mp4 " + dir +
                       "/c2.mp4 " + dir + "/c3.mp4")),
            0);
  ASSERT_EQ((ts::Shell("parallel --will-cite -j2 --joblog " + dir + "/jobs.log " + kFlipframe + " run " +
                       list + " --task {} ::: 1 2 2>/dev/null")),
            0);
  app::LoadedTaskList after = app::LoadTaskList(list);
  ASSERT_EQ(after.rows.size(), 3u);
  EXPECT_EQ(after.rows[0].state.toStdString(), "处理完毕");  // both updates kept
  EXPECT_EQ(after.rows[1].state.toStdString(), "处理完毕");
  EXPECT_TRUE(after.rows[2].state.isEmpty());

  const std::string log = dir + "/run.log";
  ASSERT_EQ((ts::Shell(kFlipframe + " run " + list + " 2>" + log)), 0);
  const std::string ran = Bytes(log);
  EXPECT_NE(ran.find("3/3 " + dir + "/c3.mp4  处理完毕"), std::string::npos) << ran;
  EXPECT_EQ(ran.find("1/3"), std::string::npos) << ran;
  EXPECT_EQ(ran.find("2/3"), std::string::npos) << ran;
  after = app::LoadTaskList(list);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(after.rows[i].state.toStdString(), "处理完毕") << i;
    EXPECT_EQ(after.rows[i].record.finalOutputPath, dir + "/result/c" + std::to_string(i + 1) + "_1.mp4");
    EXPECT_TRUE(plat::FileExists(after.rows[i].record.finalOutputPath)) << i;
  }

  // Nothing left: the list file is not rewritten and no output appears; a finished --task too.
  const std::string before = Bytes(list);
  EXPECT_EQ((ts::Shell(kFlipframe + " run " + list + " 2>/dev/null")), 0);
  EXPECT_EQ((ts::Shell(kFlipframe + " run " + list + " --task 2 2>/dev/null")), 0);
  EXPECT_EQ(Bytes(list), before);
  EXPECT_EQ(ts::Capture("ls '" + dir + "/result'"), "c1_1.mp4\nc2_1.mp4\nc3_1.mp4\n");
}

TEST(RunCli, RefusesBadListsAndUsageWithExitTwo) {
  const std::string dir = ts::TempFolder() + "/refusals";
  plat::MakeDirs(dir);
  ASSERT_TRUE(plat::WriteFileAtomically(dir + "/bad.json", "{\"format\""));
  ASSERT_TRUE(plat::WriteFileAtomically(
      dir + "/one.json", app::SerializeTaskList({app::TaskRow{ts::ListedTask(1), {}, {}}}).toStdString()));
  ASSERT_EQ(ts::Shell("cd '" + dir + "' && mkfifo fifo.json && truncate -s 600M huge.json"), 0);
  struct Case {
    std::string args, message;
  };
  const Case cases[] = {
      {dir + "/bad.json", "任务列表文件“" + dir + "/bad.json”已损坏"},
      {"/dev/zero", "无法读取任务列表文件“/dev/zero”：不是普通文件"},
      {dir + "/fifo.json", "fifo.json”：不是普通文件"},
      {dir + "/huge.json", "huge.json”：文件大于 512 MB"},
      {"--jobs 2 /dev/zero", "不是普通文件"},
      {dir + "/none.json", "无法读取任务列表文件“" + dir + "/none.json”"},
      {dir + "/one.json --task 2", "中没有第2个任务（共1个）"},
      {dir + "/one.json --task 0", "--task 须为从 1 起的任务编号"},
      {"", "没有给出任务列表文件"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string err = dir + "/err.txt";
    EXPECT_EQ((ts::Shell(kFlipframe + " run " + c.args + " 2>" + err)), 2);
    EXPECT_NE(Bytes(err).find(c.message), std::string::npos) << Bytes(err);
  }
  // A list to add to that is no regular file: refused, nothing made beside it.
  EXPECT_EQ(ts::Shell(kFlipframe + " convert --save-list /dev/zero '" + ts::VideoWithSound(192, 108, 1) +
                      "' 2>" + dir + "/err.txt"),
            2);
  EXPECT_TRUE(ts::Has(Bytes(dir + "/err.txt"), "不是普通文件")) << Bytes(dir + "/err.txt");
  EXPECT_FALSE(plat::FileExists("/dev/.zero.lock"));
}

TEST(RunCli, ProgressLinesOffATerminalShowTheTimeLeft) {
  const std::string dir = ts::TempFolder() + "/eta";
  // Long enough for several progress lines.
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 8), dir);
  const std::string err = dir + "/err.txt";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert " + clip + " 2>" + err)), 0) << Bytes(err);
  const std::string lines = Bytes(err);
  EXPECT_NE(lines.find("％  速度 "), std::string::npos) << lines;
  EXPECT_NE(lines.find("  剩余 00:00:"), std::string::npos) << lines;
  EXPECT_EQ(lines.find('\r'), std::string::npos) << "no in-place rewriting off a terminal";
}

// Several runs on one list with two tasks per clip: two plain runs at once, and GNU parallel
// running one task per process. Each task is claimed by one run and converted once.
TEST(RunCli, ParallelRunsConvertEachTaskOnceOnItsOwnTask) {
  struct Case {
    const char* name;
    std::string runs;  // with LIST for the list
  };
  const Case cases[] = {
      {"two plain runs", "(F run LIST & F run LIST & wait)"},
      {"parallel -j4 --task", "parallel --will-cite -j4 F run LIST --task {} ::: 1 2 3 4"},
      {"two runs of --jobs 2", "(F run LIST --jobs 2 & F run --jobs=2 LIST & wait)"},
  };
  // One list made once; each case starts from it and an empty result folder.
  const std::string dir = ClipsIn(ts::TempFolder() + "/parallel");
  const std::string list = MakeList(dir, {1, 1, 2, 2}), fresh = Bytes(list);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(plat::WriteFileAtomically(list, fresh));
    ts::Shell("rm -rf '" + dir + "/result'");
    std::string command = c.runs;
    for (size_t at; (at = command.find("LIST")) != std::string::npos;) command.replace(at, 4, list);
    for (size_t at; (at = command.find("F ")) != std::string::npos;) command.replace(at, 2, kFlipframe + " ");
    EXPECT_EQ(ts::Shell(command + " 2>" + dir + "/err.txt"), 0) << Bytes(dir + "/err.txt");
    ExpectEachTaskConvertedOnce(dir, list);
  }
}

// The list is reordered and added to while a plain run converts its first task: the outcome
// lands on that task by its id, and the run goes on with every task not yet done.
TEST(RunCli, AListChangedDuringARunGetsEachOutcomeOnItsOwnTask) {
  const std::string dir = ClipsFolder();
  const std::string list = MakeList(dir, {1, 2, 3});
  std::vector<app::TaskRow> rows = app::LoadTaskList(list).rows;
  const app::TaskRow third = rows[2];
  rows.pop_back();
  ASSERT_EQ(app::SaveTaskList(list, rows), QString());

  const pid_t run = fork();
  ASSERT_GE(run, 0);
  if (run == 0) {
    freopen("/dev/null", "w", stderr);
    execl(kFlipframe.c_str(), kFlipframe.c_str(), "run", list.c_str(), (char*)nullptr);
    _exit(127);
  }
  // Under the list's lock, once the run holds task 1 and before it records anything.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool changed = false;
  while (!changed && std::chrono::steady_clock::now() < deadline) {
    const int lock = plat::LockFile(app::TaskListLockPath(list));
    std::vector<app::TaskRow> now = app::LoadTaskList(list).rows;
    if (now.size() == 2 && now[0].claim) {
      ASSERT_NE(now[0].state.toStdString(), "处理完毕");
      std::swap(now[0], now[1]);
      now.push_back(third);
      ASSERT_TRUE(plat::WriteFileAtomically(list, app::SerializeTaskList(now).toStdString()));
      changed = true;
    }
    plat::UnlockFile(lock);
    if (!changed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int status = 0;
  ASSERT_EQ(waitpid(run, &status, 0), run);
  ASSERT_TRUE(changed) << "the run never claimed its first task";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ExpectEachTaskConvertedOnce(dir, list);
}

// A list the run could not record into, found before anything is converted; a list reached
// through a symbolic link, run and recorded at its target; a result folder that cannot be
// written, the task failed before its converter starts.
TEST(RunCli, ListAndResultFolderFaultsAreFoundBeforeConverting) {
  const bool root = geteuid() == 0;
  struct Case {
    const char* name;
    std::string setUp;  // shell, in the case's folder holding c1.mp4 and L.json
    std::string list;   // the list to run, relative to the folder
    int status;
    const char* message;
    const char* state;  // the task's state afterwards
    bool needsRoot;
  };
  const Case cases[] = {
      {"read-only list", "chmod 0444 L.json", "L.json", 2, "是只读文件", "", false},
      {"lock path is a folder", "rm .L.json.lock && mkdir .L.json.lock", "L.json", 2, "无法锁定任务列表文件",
       "", false},
      {"list on a read-only disk",
       "mkdir ro && mount -t tmpfs tmpfs ro && cp L.json ro/ && mount -o remount,ro ro", "ro/L.json", 2,
       "Read-only file system", "", true},
      {"linked list", "mkdir real && mv L.json real/ && ln -s real/L.json L.json", "L.json", 0, "",
       "处理完毕", false},
      {"read-only result folder", "mkdir -p result && mount -t tmpfs -o ro tmpfs result", "L.json", 1,
       "写入输出文件", "输出错误(无法在", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && !root) {
      std::printf("NOTICE: '%s' skipped: mounting a tmpfs needs root\n", c.name);
      continue;
    }
    const std::string dir = ts::TempFolder() + "/faults/" + c.name;
    plat::MakeDirs(dir);
    ts::Shell("cp '" + ts::VideoWithSound(192, 108, 1) + "' '" + dir + "/c1.mp4'");
    MakeList(dir, {1});
    ts::Shell("rm -rf '" + dir + "/result'");
    ASSERT_EQ(ts::Shell("cd '" + dir + "' && " + c.setUp), 0);
    const std::string list = dir + "/" + c.list, before = Bytes(list);
    const std::string err = dir + "/err.txt";
    EXPECT_EQ(ts::Shell(kFlipframe + " run '" + list + "' 2>'" + err + "'"), c.status) << Bytes(err);
    EXPECT_NE(Bytes(err).find(c.message), std::string::npos) << Bytes(err);
    const app::LoadedTaskList after = app::LoadTaskList(list);
    ASSERT_EQ(after.rows.size(), 1u);
    EXPECT_EQ(after.rows[0].state.toStdString().rfind(c.state, 0), 0u) << after.rows[0].state.toStdString();
    if (c.status == 2) EXPECT_EQ(Bytes(list), before);
    if (c.status != 0) EXPECT_EQ(ts::Capture("ls -A '" + dir + "/result' 2>/dev/null"), "");
    struct stat st {};
    EXPECT_EQ(lstat((dir + "/L.json").c_str(), &st), 0);
    if (std::string(c.name) == "linked list") EXPECT_TRUE(S_ISLNK(st.st_mode));
    if (std::string(c.name) == "read-only list") EXPECT_EQ(st.st_mode & 07777, 0444u);
    ts::Shell("cd '" + dir + "' && (umount result; umount ro) 2>/dev/null");
  }
}

// Lists are files from anyone. A task runs the command built from its own fields and the
// local de.ini, never its stored text; a task whose fields could reach outside its job
// refuses the whole list. Nothing is ever written outside result/.
TEST(RunCli, HostileListsRunOnlyTheirOwnFields) {
  const std::string dir = ts::TempFolder() + "/hostile", outside = dir + "/outside";
  const std::string program = dir + "/program/flipframe";  // de.ini of its own, the built-in one
  ts::Shell("mkdir -p '" + outside + "' '" + dir + "/program' && cp '" + kFlipframe + "' '" + program + "'");
  const std::string clip = ts::CopyInto(ts::VideoWithSound(192, 108, 1), dir);
  const std::string victim = outside + "/victim.txt", leak = outside + "/leak.txt";
  ASSERT_TRUE(plat::WriteFileAtomically(victim, "keep"));
  ASSERT_EQ(ts::Shell(program + " convert --save-list " + dir + "/base.json --effects 3 " + clip), 0);
  const app::LoadedTaskList base = app::LoadTaskList(dir + "/base.json");
  ASSERT_EQ(base.rows.size(), 1u) << base.error.toStdString();
  const std::string colour = ts::BuiltInEffects()[2];
  ASSERT_TRUE(ts::Has(base.rows[0].record.commandLine, colour));

  const struct {
    const char* name;
    std::function<void(task::TaskRecord&)> change;
    int status;
    std::string message;  // on standard error
  } cases[] = {
      {"stored command writes elsewhere",
       [&](auto& r) { r.commandLine = "-i \"" + clip + "\" -map 0 -f data -y \"" + victim + "\""; }, 0,
       "第1个任务保存的转换命令与其设置不符，改用按其设置生成的命令"},
      {"effect filter writes a file",
       [&](auto& r) {
         const size_t at = r.commandLine.find(colour);
         r.commandLine.replace(at, colour.size(), "metadata=mode=print:file=" + leak);
       },
       0, "第1个任务带有与本机 de.ini 不同的特效滤镜，改用本机的特效滤镜"},
      {"option-like path", [](auto& r) { r.foregroundPath = r.backgroundPath = "\"-y\""; }, 2,
       "的第1个任务不能使用：前景文件“-y”不是文件的绝对路径。整个列表未载入"},
      {"output outside result", [&](auto& r) { r.outputFormat = ".mp4\" -y \"" + victim; }, 2,
       "的第1个任务不能使用：输出格式"},
  };
  int results = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<app::TaskRow> rows = base.rows;
    c.change(rows[0].record);
    const std::string list = dir + "/" + c.name + ".json", err = dir + "/err.txt";
    ASSERT_EQ(app::SaveTaskList(list, rows), QString());
    EXPECT_EQ(ts::Shell(program + " run '" + list + "' 2>" + err), c.status);
    EXPECT_TRUE(ts::Has(Bytes(err), c.message));
    if (c.status == 0) ++results;
    EXPECT_EQ(ts::Capture("ls '" + dir + "/result' | wc -l"), std::to_string(results) + "\n");
    EXPECT_EQ(ts::Capture("ls '" + outside + "'"), "victim.txt\n");
    EXPECT_EQ(Bytes(victim), "keep");
  }
}

// A source still being written when its task was made (its size or time changed since) is
// said in the finished task's state; a list from before the stamps is not checked.
TEST(RunCli, ChangedSourceIsSaidInTheFinishedState) {
  const std::string dir = ClipsFolder(), list = dir + "/L.json";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " " + dir + "/c1.mp4 " + dir +
                       "/c2.mp4 " + dir + "/c3.mp4")),
            0);
  std::vector<app::TaskRow> rows = app::LoadTaskList(list).rows;
  ASSERT_EQ(rows.size(), 3u);
  ASSERT_TRUE(rows[2].record.sourceStamps[task::kStampForeground].known());
  rows[2].record.sourceStamps = {};  // as an older flipframe saved it
  ASSERT_EQ(app::SaveTaskList(list, rows), QString());
  ASSERT_EQ(ts::Shell("touch -d '2001-02-03' '" + dir + "/c2.mp4' '" + dir + "/c3.mp4'"), 0);

  ASSERT_EQ((ts::Shell(kFlipframe + " run " + list + " 2>/dev/null")), 0);
  const app::LoadedTaskList after = app::LoadTaskList(list);
  ASSERT_EQ(after.rows.size(), 3u);
  EXPECT_EQ(after.rows[0].state.toStdString(), "处理完毕");
  EXPECT_EQ(after.rows[1].state.toStdString(), "处理完毕(源文件已改变)");
  EXPECT_EQ(after.rows[2].state.toStdString(), "处理完毕");
  for (int k = 1; k <= 3; ++k)
    EXPECT_TRUE(plat::FileExists(dir + "/result/c" + std::to_string(k) + "_1.mp4")) << k;
  // Finished all the same: the next run converts nothing again.
  EXPECT_EQ((ts::Shell(kFlipframe + " run " + list + " 2>/dev/null")), 0);
  EXPECT_FALSE(plat::FileExists(dir + "/result/c2_2.mp4"));
}
