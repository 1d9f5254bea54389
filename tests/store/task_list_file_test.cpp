// Task list files: a full round trip, refused files, an interrupted save, appending, and
// several processes recording outcomes in one list at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "store/task_list_file.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

namespace {

// A folder of its own per test; its name carries a "%1" that messages must keep as it is.
std::string Folder() { return ts::CurrentTestFolder("lists %1 "); }

// Every field different from its default and from every other field.
app::TaskRow Distinctive() {
  task::TaskRecord r;
  r.foregroundPath = "\"/videos/前景 'quoted'.mp4\"";
  r.backgroundPath = "\"/videos/bg\xff\xfe-not-utf8.mkv\"";  // bytes of an old Latin-1 disk
  r.audioPath = "\"/music/歌.m4a\"";
  r.animationPath = "\"/gif/a.gif\"";
  r.finalOutputPath = "/videos/result/前景 'quoted'\x80_1.mkv";
  r.foregroundKind = 1, r.animationKind = 2, r.backgroundKind = 3, r.audioKind = 4;
  r.foregroundWidth = 1920, r.outputWidth = 1080, r.suggestedWidth = 1082;
  r.backgroundWidth = 1280, r.animationWidth = 480;
  r.foregroundHeight = 1081, r.outputHeight = 1920, r.suggestedHeight = 1922;
  r.backgroundHeight = 720, r.animationHeight = 270;
  r.foregroundDuration = "00:01:23.45", r.outputDuration = "00:01:00";
  r.backgroundDuration = "00:00:10.00", r.animationDuration = "00:00:03.00", r.audioDuration = "00:02:00.50";
  r.foregroundExtension = ".mp4", r.outputFormat = ".mkv";
  r.foregroundBitrate = "5123", r.bitrate = "4500";
  r.foregroundFps = "29.97", r.backgroundFps = "25", r.animationFps = "10";
  r.commandLine = "-y -i \"/videos/bg\xff.mkv\" -filter_complex \"[0:v]scale=1080:1920\"\n";
  r.trialCommand = "-t 1 -i x";
  r.foregroundCountMax = 3, r.selectedForegroundCount = 2, r.ratioIndex = 10, r.blendModeIndex = 7;
  r.backgroundBlur = 9, r.animationBlur = 1, r.animationOpacity = 6;
  for (int t = 0; t < task::kTickCount; ++t) r.ticks[t] = t % 2;
  for (int d = 0; d < task::kOffCount; ++d) r.disabled[d] = (d + 1) % 2;
  r.fastBackground = true;
  r.encoderPreset = "slower";
  r.sourceStamps = {{{5000000000123, 1765290000, 999999999}, {}, {0, 0, 0}, {7, -8, 9}}};
  return app::TaskRow{r, QStringLiteral("1.75"), QStringLiteral("输出错误(Invalid argument)")};
}

void ExpectSameRows(const std::vector<app::TaskRow>& got, const std::vector<app::TaskRow>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_TRUE(got[i].record == want[i].record) << "task " << i + 1;
    EXPECT_EQ(got[i].speed, want[i].speed);
    EXPECT_EQ(got[i].state, want[i].state);
    EXPECT_EQ(got[i].id, want[i].id);
  }
}

// Tasks 1 to n of /v/clipK, not run yet.
std::vector<app::TaskRow> Numbered(int n) {
  std::vector<app::TaskRow> rows(n);
  for (int k = 0; k < n; ++k) {
    rows[k].record = ts::ListedTask(k + 1);
    rows[k].record.foregroundPath = rows[k].record.backgroundPath =
        task::Quote("/v/clip" + std::to_string(k + 1));
    rows[k].record.finalOutputPath.clear();
    rows[k].id = QStringLiteral("task-%1").arg(k + 1);
  }
  return rows;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(plat::WriteFileAtomically(path, bytes));
}

}  // namespace

TEST(TaskListFile, SaveThenLoadGivesBackEveryField) {
  const std::string list = Folder() + "/list.json";
  const std::vector<app::TaskRow> rows = {Distinctive(), Numbered(1)[0]};
  ASSERT_EQ(app::SaveTaskList(list, rows), QString());
  const app::LoadedTaskList loaded = app::LoadTaskList(list);
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  ExpectSameRows(loaded.rows, rows);

  // Readable paths stay readable in the file.
  std::string bytes;
  ASSERT_TRUE(plat::ReadFile(list, &bytes));
  EXPECT_NE(bytes.find("/music/歌.m4a"), std::string::npos);
}

TEST(TaskListFile, RefusesWhatIsNoTaskListNamingTheFile) {
  const std::string folder = Folder();
  std::string valid = app::SerializeTaskList(Numbered(1)).toStdString();
  auto without = [&](const std::string& field) {
    std::string s = valid;
    s.replace(s.find("\"" + field + "\""), field.size() + 2, "\"gone\"");
    return s;
  };
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = valid;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"cut short", valid.substr(0, valid.size() / 2), "已损坏（第"},
      {"other JSON", R"({"name": "settings", "tasks": []})", "不是任务列表"},
      // The task array is taken apart without a JSON tree: its commas and ends still count.
      {"comma after the last task", replaced("\n    ],", ",\n    ],"), "已损坏（第"},
      {"garbage after the list", valid + "x", "已损坏（第"},
      {"task cut short", replaced("\"speed\": \"\",", "\"speed\": \""), "已损坏（第"},
      {"newer version", replaced("\"version\": 1", "\"version\": 2"), "的版本（2）无法识别"},
      {"no task array", replaced("\"tasks\": [", "\"tasks\": 5, \"x\": ["), "没有任务数组"},
      {"task missing a size", without("outputWidth"), "第1个任务缺少字段“outputWidth”"},
      {"tick list too long", replaced("\"ticks\": [", "\"ticks\": [\n0,"), "“ticks”"},
      {"switch not true or false", replaced("\"fastBackground\": false", "\"fastBackground\": 1"),
       "“fastBackground”"},
      {"bad base64", replaced("\"audioPath\": \"\"", "\"audioPath\": {\"base64\": \"*\"}"), "“audioPath”"},
      {"stamp list too long", replaced("\"sourceStamps\": [", "\"sourceStamps\": [[1, 2, 3, 4],"),
       "“sourceStamps”"},
      // Well-formed, but the converter would write outside result/: the whole list is refused.
      {"output outside result", replaced("\"outputFormat\": \".mp4\"", "\"outputFormat\": \".mp4/../../x\""),
       "的第1个任务不能使用：输出格式“.mp4/../../x”不是文件扩展名。整个列表未载入"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder + "/" + c.name + ".json";
    WriteBytes(path, c.bytes);
    const app::LoadedTaskList loaded = app::LoadTaskList(path);
    EXPECT_FALSE(loaded.ok());
    EXPECT_TRUE(loaded.rows.empty());
    EXPECT_TRUE(loaded.error.contains(QString::fromStdString(path))) << loaded.error.toStdString();
    EXPECT_TRUE(loaded.error.contains(QString::fromUtf8(c.reason))) << loaded.error.toStdString();
  }
  const app::LoadedTaskList missing = app::LoadTaskList(folder + "/none.json");
  EXPECT_TRUE(missing.error.startsWith(
      QStringLiteral("无法读取任务列表文件“%1/none.json”").arg(QString::fromStdString(folder))))
      << missing.error.toStdString();
}

TEST(TaskListFile, ListFromBeforeTheFastBackgroundAndTheStampsLoadsWithoutThem) {
  QJsonObject root = QJsonDocument::fromJson(app::SerializeTaskList({Distinctive()})).object();
  QJsonArray tasks = root.value("tasks").toArray();
  QJsonObject old = tasks[0].toObject();
  ASSERT_TRUE(old.contains("fastBackground") && old.contains("sourceStamps"));
  old.remove("fastBackground");
  old.remove("sourceStamps");
  tasks[0] = old;
  root.insert("tasks", tasks);
  const app::LoadedTaskList loaded = app::ParseTaskList(QJsonDocument(root).toJson(), "old.json");
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  ASSERT_EQ(loaded.rows.size(), 1u);
  EXPECT_FALSE(loaded.rows[0].record.fastBackground);
  for (const task::SourceStamp& s : loaded.rows[0].record.sourceStamps) EXPECT_FALSE(s.known());
}

TEST(TaskListFile, InterruptedOrFailedSaveKeepsThePreviousList) {
  const std::string folder = Folder();
  const std::string list = folder + "/list.json";
  ASSERT_EQ(app::SaveTaskList(list, Numbered(3)), QString());

  // A save killed half-way leaves its temporary beside the list, under the name this
  // process would pick first.
  const std::string stray = list + "." + plat::OwnerTag() + "-0.tmp";
  const std::string half = app::SerializeTaskList(Numbered(5)).toStdString();
  WriteBytes(stray, half.substr(0, half.size() / 2));
  ExpectSameRows(app::LoadTaskList(list).rows, Numbered(3));

  // The next save goes round it.
  ASSERT_EQ(app::SaveTaskList(list, Numbered(5)), QString());
  ExpectSameRows(app::LoadTaskList(list).rows, Numbered(5));

  // A save that cannot be renamed into place (a folder holds the name) reports it and
  // leaves no temporary behind.
  const std::string blocked = folder + "/blocked.json";
  ASSERT_TRUE(plat::MakeDirs(blocked + "/inside"));
  const QString error = app::SaveTaskList(blocked, Numbered(1));
  EXPECT_TRUE(
      error.startsWith(QStringLiteral("无法保存任务列表文件“%1”").arg(QString::fromStdString(blocked))))
      << error.toStdString();
  EXPECT_FALSE(plat::FileExists(blocked + "." + plat::OwnerTag() + "-0.tmp"));
  EXPECT_TRUE(plat::IsDirectory(blocked + "/inside"));
}

TEST(TaskListFile, AppendCreatesExtendsAndRefuses) {
  const std::string folder = Folder();
  const std::string list = folder + "/list.json";
  ASSERT_EQ(app::AppendToTaskList(list, Numbered(2)), QString());
  ExpectSameRows(app::LoadTaskList(list).rows, Numbered(2));
  std::vector<app::TaskRow> more = Numbered(4);
  ASSERT_EQ(app::AppendToTaskList(list, {more[2], more[3]}), QString());
  ExpectSameRows(app::LoadTaskList(list).rows, more);

  // Over the limit, or onto a file that is no list: refused, the file as it was.
  const QString full = app::AppendToTaskList(list, Numbered(app::kMaxTasks - 3));
  EXPECT_TRUE(full.contains(QStringLiteral("已有4个任务，再加入997个将超过上限1000个")))
      << full.toStdString();
  ExpectSameRows(app::LoadTaskList(list).rows, more);
  const std::string other = folder + "/settings.json";
  WriteBytes(other, "{\"x\": 1}");
  EXPECT_TRUE(app::AppendToTaskList(other, Numbered(1)).contains(QStringLiteral("不是任务列表")));
  std::string bytes;
  ASSERT_TRUE(plat::ReadFile(other, &bytes));
  EXPECT_EQ(bytes, "{\"x\": 1}");
}

// Runs on separate processes as `flipframe run LIST --task K` does on separate machines:
// each read-modify-write is locked, so every outcome survives.
TEST(TaskListFile, ConcurrentOutcomesAreAllKept) {
  const std::string list = Folder() + "/list.json";
  constexpr int kWriters = 4, kTasks = 48;
  const std::vector<app::TaskRow> rows = Numbered(kTasks);
  ASSERT_EQ(app::SaveTaskList(list, rows), QString());
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int number = w + 1; number <= kTasks; number += kWriters) {
        const app::TaskOutcome outcome{QString::number(number), QStringLiteral("处理完毕"),
                                       "/v/result/" + std::to_string(number) + ".mp4"};
        ok = app::RecordTaskOutcome(list, rows[number - 1].id, outcome).isEmpty() && ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const app::LoadedTaskList loaded = app::LoadTaskList(list);
  ASSERT_EQ(loaded.rows.size(), size_t(kTasks)) << loaded.error.toStdString();
  for (int number = 1; number <= kTasks; ++number) {
    const app::TaskRow& row = loaded.rows[number - 1];
    EXPECT_EQ(row.state, QStringLiteral("处理完毕")) << number;
    EXPECT_EQ(row.speed, QString::number(number));
    EXPECT_EQ(row.record.finalOutputPath, "/v/result/" + std::to_string(number) + ".mp4");
    EXPECT_EQ(row.record.foregroundPath, task::Quote("/v/clip" + std::to_string(number)));
  }
  EXPECT_TRUE(app::RecordTaskOutcome(list, app::NewTaskId(), {}).contains(QStringLiteral("已没有这个任务")));
}

// Ids: a list from before them gets them on load, a twice-loaded list gets the second copy a
// new one, and a whole-list save (the window's) keeps the claims runs hold on its tasks.
TEST(TaskListFile, TasksKeepTheirIdsAndRunsKeepTheirClaims) {
  const std::string list = Folder() + "/list.json";
  std::vector<app::TaskRow> rows = Numbered(3);
  rows[2].id = rows[0].id;
  std::string bytes = app::SerializeTaskList(rows).toStdString();
  const std::string firstId = "\"id\": \"" + rows[1].id.toStdString() + "\"";
  bytes.replace(bytes.find(firstId), firstId.size(), "\"other\": 1");
  const app::LoadedTaskList loaded = app::ParseTaskList(QByteArray::fromStdString(bytes), list);
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  EXPECT_EQ(loaded.rows[0].id, rows[0].id);
  EXPECT_FALSE(loaded.rows[1].id.isEmpty());
  EXPECT_NE(loaded.rows[2].id, rows[0].id);

  ASSERT_EQ(app::SaveTaskList(list, loaded.rows), QString());
  const app::ClaimedTask claimed = app::ClaimTask(list, 2);
  ASSERT_EQ(claimed.end, app::ClaimEnd::Claimed) << claimed.error.toStdString();
  EXPECT_EQ(claimed.row.id, loaded.rows[1].id);
  // The window saves its list reversed, knowing nothing of the claim: it stays on its task,
  // and the outcome lands there too.
  std::vector<app::TaskRow> reversed(loaded.rows.rbegin(), loaded.rows.rend());
  ASSERT_EQ(app::SaveTaskList(list, reversed), QString());
  EXPECT_EQ(app::ClaimTask(list, 2).end, app::ClaimEnd::Busy);
  ASSERT_EQ(app::RecordTaskOutcome(list, claimed.row.id, {"2x", "处理完毕", "/v/result/b.mp4"}), QString());
  const app::LoadedTaskList after = app::LoadTaskList(list);
  ASSERT_EQ(after.rows.size(), 3u) << after.error.toStdString();
  ExpectSameRows({after.rows[0], after.rows[2]}, {reversed[0], reversed[2]});
  EXPECT_EQ(after.rows[1].id, claimed.row.id);
  EXPECT_EQ(after.rows[1].state, QStringLiteral("处理完毕"));
  EXPECT_FALSE(after.rows[1].claim.has_value());
  EXPECT_EQ(app::ClaimTask(list, 2).end, app::ClaimEnd::Finished);
}

// Who may take a claimed task over: on this host when the claiming process is gone (or its
// number now belongs to a later process), from another host when the claim went stale.
TEST(TaskListFile, ClaimsHoldWhileTheirRunLives) {
  const std::string here = plat::HostName();
  const int64_t now = std::time(nullptr);
  const std::string ownMark = plat::ProcessStartMark(getpid());
  ASSERT_FALSE(ownMark.empty());
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  struct Case {
    const char* name;
    app::TaskClaim claim;
    bool holds;
    int64_t seenSince = 0;  // when this host first saw the claim; 0 for now
  };
  const int64_t stale = app::kClaimStaleSeconds;
  const Case cases[] = {
      {"this process", {here, getpid(), ownMark, now - 100000}, true},
      {"a process that has ended", {here, gone, ownMark, now}, false},
      {"its number reused later", {here, getpid(), ownMark + "0", now}, false},
      {"another host, renewed", {"elsewhere", 1, "x:1", now - stale + 30}, true},
      {"another host, stale", {"elsewhere", 1, "x:1", now - stale - 1}, false},
      // A clock far ahead: the claim counts from when this host first saw it.
      {"another host, from the future, just seen", {"elsewhere", 1, "x:1", now + 100000}, true, now},
      {"another host, from the future, seen long ago",
       {"elsewhere", 1, "x:1", now + 100000},
       false,
       now - stale},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::ClaimHolds(c.claim, here, now, c.seenSince ? c.seenSince : now), c.holds) << c.name;

  // A plain run passes over finished and held tasks and those it has had; a stale claim is
  // taken over.
  const std::string list = Folder() + "/list.json";
  std::vector<app::TaskRow> rows = Numbered(5);
  rows[0].state = QStringLiteral("处理完毕");
  rows[1].claim = cases[3].claim;
  rows[3].claim = cases[4].claim;
  ASSERT_EQ(app::AppendToTaskList(list, rows), QString());
  const app::ClaimedTask first = app::ClaimTask(list, 0, {rows[2].id});
  EXPECT_EQ(first.end, app::ClaimEnd::Claimed);
  EXPECT_EQ(first.number, 4);
  EXPECT_TRUE(first.row.claim && app::IsOwnClaim(*first.row.claim));
  const app::ClaimedTask next = app::ClaimTask(list, 0, {rows[2].id, rows[3].id});
  EXPECT_EQ(next.number, 5);
  const app::ClaimedTask none = app::ClaimTask(list, 0, {rows[2].id, rows[3].id, rows[4].id});
  EXPECT_EQ(none.end, app::ClaimEnd::Nothing);
  EXPECT_EQ(none.finished, 1);
  EXPECT_EQ(none.busy, 3);  // task 2 elsewhere, 4 and 5 here
}

// A list reached through a symbolic link is written at its target, which is locked; a list
// without write permission is refused, left as it was.
TEST(TaskListFile, LinkedListsAreWrittenThroughAndReadOnlyListsRefused) {
  const std::string folder = Folder();
  plat::MakeDirs(folder + "/real");
  const std::string target = folder + "/real/list.json", link = folder + "/list.json";
  ASSERT_EQ(app::SaveTaskList(target, Numbered(2)), QString());
  ASSERT_EQ(symlink("real/list.json", link.c_str()), 0);
  ASSERT_EQ(app::AppendToTaskList(link, Numbered(1)), QString());
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(app::LoadTaskList(target).rows.size(), 3u);
  // The lock is hidden beside the target: no visible LIST.json.lock.
  EXPECT_EQ(app::TaskListLockPath(link), folder + "/real/.list.json.lock");
  EXPECT_TRUE(plat::FileExists(folder + "/real/.list.json.lock"));
  EXPECT_FALSE(plat::FileExists(target + ".lock"));
  EXPECT_FALSE(plat::FileExists(folder + "/.list.json.lock"));

  std::string before;
  ASSERT_TRUE(plat::ReadFile(target, &before));
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  const app::LoadedTaskList loaded = app::LoadTaskList(link);
  for (const QString& error :
       {app::AppendToTaskList(link, Numbered(1)), app::SaveTaskList(link, {}), app::ClaimTask(link, 1).error,
        app::RecordTaskOutcome(link, loaded.rows[0].id, {"1x", "处理完毕", ""})})
    EXPECT_TRUE(error.contains(QStringLiteral("是只读文件"))) << error.toStdString();
  std::string after;
  ASSERT_TRUE(plat::ReadFile(target, &after));
  EXPECT_EQ(after, before);
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
}
