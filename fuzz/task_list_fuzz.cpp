// The task list reader, which reads files from anyone: the input is parsed as a list file;
// a list it takes is written and parsed again and must come back the same, task for task,
// and written the same. A difference aborts, so the fuzzer reports it.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "store/task_list_file.h"

namespace {

bool SameRows(const std::vector<app::TaskRow>& a, const std::vector<app::TaskRow>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i].record == b[i].record) || a[i].speed != b[i].speed || a[i].state != b[i].state) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const app::LoadedTaskList first = app::ParseTaskList(bytes, "fuzz.json");
  if (!first.ok()) {
    if (!first.rows.empty()) std::abort();  // a refused list is never half-read
    return 0;
  }
  const QByteArray written = app::SerializeTaskList(first.rows);
  const app::LoadedTaskList second = app::ParseTaskList(written, "fuzz.json");
  if (!second.ok() || !SameRows(first.rows, second.rows)) std::abort();
  if (app::SerializeTaskList(second.rows) != written) std::abort();
  return 0;
}
