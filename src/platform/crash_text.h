#pragma once
// The crash report's text: its keys, and formatting that is safe inside a signal handler
// (fixed buffers, no allocation, no locale, no stdio).
#include <cstddef>
#include <cstdint>

namespace crash {

// Keys of the report's lines, in the order the handler writes them. The raw stack follows
// the stack key, one frame a line as backtrace_symbols_fd writes it.
inline constexpr const char* kTimeKey = "时间: ";
inline constexpr const char* kVersionKey = "版本: ";
inline constexpr const char* kProgramKey = "程序: ";
inline constexpr const char* kBiasKey = "加载偏移: ";
inline constexpr const char* kRangeKey = "程序地址范围: ";
inline constexpr const char* kCodeKey = "错误代码: ";
inline constexpr const char* kMessageKey = "错误信息: ";
inline constexpr const char* kPidKey = "进程: ";
inline constexpr const char* kActivityKey = "正在进行:";
inline constexpr const char* kTaskKey = "任务: ";
inline constexpr const char* kCommandKey = "命令: ";
inline constexpr const char* kEndedKey = "已结束的转换进程: ";
inline constexpr const char* kStackKey = "调用栈:";
inline constexpr const char* kUncaughtException = "未捕获的 C++ 异常";

// Appends to a fixed buffer, always zero-terminated; what does not fit is cut off.
class Text {
 public:
  static constexpr size_t kCapacity = 16384;
  Text& Add(const char* s);
  Text& Dec(long long value);
  Text& Hex(uintptr_t value);  // "0x" and lowercase digits
  // Two digits, leading zero (dates).
  Text& Two(int value);
  void Clear();
  const char* data() const { return buffer_; }
  size_t size() const { return size_; }

 private:
  char buffer_[kCapacity] = {};
  size_t size_ = 0;
};

// "时间: 2026-12-09 15:34:34 UTC\n" for seconds since the epoch.
void AddTimeLine(Text& out, long long epochSeconds);
// "flipframe-crash-20261209-153434-PID.txt"
void AddReportFileName(Text& out, long long epochSeconds, long pid);
// "SIGSEGV (11)"
void AddSignalCode(Text& out, int sig);
// What the signal means, with the fault address, or who sent it when another process did.
void AddSignalMessage(Text& out, int sig, int siCode, const void* address, long senderPid);

}  // namespace crash
