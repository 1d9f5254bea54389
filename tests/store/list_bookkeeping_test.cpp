// A run's bookkeeping on a task list: claims and outcomes in the journal beside the list,
// seen by every reader and folded into the list at the end; outcomes a full disk holds back;
// what killed processes leave beside a list or an output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "store/task_list_ledger.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

namespace {

std::string Folder() { return ts::CurrentTestFolder(); }

std::vector<app::TaskRow> Tasks(int n) {
  std::vector<app::TaskRow> rows(n);
  for (int k = 0; k < n; ++k) rows[k].record = ts::ListedTask(k + 1), rows[k].record.finalOutputPath.clear();
  return rows;
}

// Finished into the result folder the list's tasks write to (ts::ListedTask).
const app::TaskOutcome kDone{"1.5", "处理完毕", "/nonexistent/flipframe/result/clip1_1.mp4"};

pid_t EndedProcess() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

}  // namespace

// Two runs share a list: each sees the other's claims, the list file itself stays as it was
// until the last run ends and folds the journal into it; a save in the window meanwhile folds
// it too and keeps the claims.
TEST(ListBookkeeping, RunsShareTheJournalAndTheLastOneFoldsIt) {
  const std::string list = Folder() + "/L.json", journal = app::JournalPath(list);
  ASSERT_EQ(app::SaveTaskList(list, Tasks(3)), QString());
  const std::string before = ts::Capture("cat '" + list + "'");
  app::TaskListLedger a(list), b(list);
  ASSERT_EQ(a.Open(), QString());
  ASSERT_EQ(b.Open(), QString());
  const app::ClaimedTask first = a.Claim(0), second = b.Claim(0);
  ASSERT_EQ(first.number, 1);
  ASSERT_EQ(second.number, 2);  // a's claim seen through the journal
  EXPECT_EQ(a.Record(first.row.id, kDone), QString());
  EXPECT_EQ(ts::Capture("cat '" + list + "'"), before);
  EXPECT_TRUE(plat::FileExists(journal));
  app::LoadedTaskList seen = app::LoadTaskList(list);
  ASSERT_EQ(seen.rows.size(), 3u);
  EXPECT_EQ(seen.rows[0].state.toStdString(), "处理完毕");
  EXPECT_EQ(seen.rows[0].record.finalOutputPath, kDone.finalOutputPath);
  EXPECT_TRUE(seen.rows[1].claim.has_value());

  // b holds task 2 (same process here, so its claim is this process's): a's end leaves the
  // journal while that claim lives; a window save folds it and keeps the claim.
  EXPECT_EQ(a.Close(), QString());
  std::vector<app::TaskRow> window = seen.rows;
  window[2].speed = QStringLiteral("9x");
  ASSERT_EQ(app::SaveTaskList(list, window), QString());
  EXPECT_FALSE(plat::FileExists(journal));
  const app::ClaimedTask third = b.Claim(0);  // the new file read again: task 2 still held
  EXPECT_EQ(third.number, 3) << third.error.toStdString();
  EXPECT_EQ(b.Record(second.row.id, kDone), QString());
  EXPECT_EQ(b.Release(third.row.id), QString());
  EXPECT_EQ(b.Close(), QString());
  EXPECT_FALSE(plat::FileExists(journal));
  seen = app::LoadTaskList(list);
  ASSERT_TRUE(seen.ok()) << seen.error.toStdString();
  EXPECT_EQ(seen.rows[1].state.toStdString(), "处理完毕");
  EXPECT_EQ(seen.rows[2].speed.toStdString(), "9x");
  for (const app::TaskRow& row : seen.rows) EXPECT_FALSE(row.claim.has_value());
}

// An outcome that finds the disk full is kept, said, and written once space returns.
TEST(ListBookkeeping, FullDiskKeepsTheOutcomeUntilSpaceReturns) {
  if (geteuid() != 0) GTEST_SKIP() << "NOTICE: disk-full test skipped: mounting a tmpfs needs root";
  const std::string disk = Folder() + "/small-disk";
  plat::MakeDirs(disk);
  if (ts::Shell("mount -t tmpfs -o size=256k tmpfs '" + disk + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "NOTICE: disk-full test skipped: this container refuses to mount a tmpfs";
  const std::string list = disk + "/L.json";
  ASSERT_EQ(app::SaveTaskList(list, Tasks(2)), QString());
  app::TaskListLedger ledger(list);
  ASSERT_EQ(ledger.Open(), QString());
  const app::ClaimedTask claimed = ledger.Claim(0);
  ASSERT_EQ(claimed.end, app::ClaimEnd::Claimed);
  // The journal's next line must take a page of its own: the page it ends in has room.
  ts::Shell("truncate -s 4096 '" + app::JournalPath(list) + "' && dd if=/dev/zero of='" + disk +
            "/filler' bs=4k 2>/dev/null");
  const QString kept = ledger.Record(claimed.row.id, kDone);
  EXPECT_TRUE(kept.contains(QStringLiteral("No space left on device"))) << kept.toStdString();
  EXPECT_TRUE(kept.contains(QStringLiteral("1 个任务的结果暂时留在内存中"))) << kept.toStdString();
  EXPECT_EQ(ledger.unwritten(), 1);
  EXPECT_EQ(ledger.Claim(0).end, app::ClaimEnd::Error);  // no claim without space either
  const QString lost = ledger.Close();
  EXPECT_TRUE(lost.contains(QStringLiteral("1 个任务的结果未能写入"))) << lost.toStdString();
  EXPECT_EQ(ledger.unwritten(), 1);
  ts::Shell("rm '" + disk + "/filler'");
  EXPECT_EQ(ledger.Close(), QString());
  EXPECT_EQ(ledger.unwritten(), 0);
  const app::LoadedTaskList after = app::LoadTaskList(list);
  ts::Shell("umount '" + disk + "'");
  ASSERT_EQ(after.rows.size(), 2u) << after.error.toStdString();
  EXPECT_EQ(after.rows[0].state.toStdString(), "处理完毕");
  EXPECT_FALSE(after.rows[0].claim.has_value());
}

// What a process left behind is removed by the next one that looks, when its name says the
// process was flipframe on this host and is gone; nothing else.
TEST(ListBookkeeping, LeftoversOfDeadProcessesAndNothingElseAreRemoved) {
  const std::string folder = Folder(), list = folder + "/L.json", result = folder + "/result";
  ASSERT_EQ(app::SaveTaskList(list, Tasks(1)), QString());
  const std::string dead = std::to_string(EndedProcess()),
                    here = plat::OwnerTag().substr(plat::OwnerTag().find('-') + 1);
  const std::string own = std::to_string(getpid());
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {"L.json." + dead + "-" + here + "-0.tmp", true},
      {"L.json." + own + "-" + here + "-0.tmp", false},  // a write under way
      {"L.json." + dead + "-elsewhere-0.tmp", false},    // another host's
      {"L.json." + dead + "-0.tmp", false},              // no owner named
      {"result/c_tmp-" + dead + "-" + here + "-0a1b2c3d.mp4", true},
      {"result/c_tmp-" + dead + "-" + here + "-0a1b2c3d.mp4.follow.txt", true},
      {"result/c_tmp-" + own + "-" + here + "-0a1b2c3d.mp4", false},
      {"result/c_tmp-" + dead + "-other-0a1b2c3d.mp4", false},
      {"result/c_tmp-0a1b2c3d.mp4", false},
      {"result/mine-" + dead + "-" + here + "-0a1b2c3d.mp4", false},  // not a temporary output
  };
  plat::MakeDirs(result);
  for (const Case& c : cases) ASSERT_TRUE(plat::WriteFileAtomically(folder + "/" + c.name, "x"));
  app::TaskListLedger ledger(list);
  ASSERT_EQ(ledger.Open(), QString());
  EXPECT_NE(plat::CreateFreshFile(result + "/d_tmp", ".mp4", 0), "");
  for (const Case& c : cases) EXPECT_EQ(plat::FileExists(folder + "/" + c.name), !c.removed) << c.name;
}
