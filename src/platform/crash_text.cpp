#include "platform/crash_text.h"

#include <signal.h>
#include <unistd.h>

namespace crash {

Text& Text::Add(const char* s) {
  while (s && *s && size_ + 1 < kCapacity) buffer_[size_++] = *s++;
  buffer_[size_] = '\0';
  return *this;
}

Text& Text::Dec(long long value) {
  char digits[24];
  int n = 0;
  unsigned long long v = value < 0 ? 0ULL - (unsigned long long)value : (unsigned long long)value;
  do digits[n++] = char('0' + v % 10);
  while ((v /= 10) != 0);
  if (value < 0) digits[n++] = '-';
  char text[24];
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = '\0';
  return Add(text);
}

Text& Text::Hex(uintptr_t value) {
  char text[2 + 2 * sizeof(uintptr_t) + 1] = "0x";
  int n = 0;
  char digits[2 * sizeof(uintptr_t)];
  do digits[n++] = "0123456789abcdef"[value & 15];
  while ((value >>= 4) != 0);
  for (int i = 0; i < n; ++i) text[2 + i] = digits[n - 1 - i];
  text[2 + n] = '\0';
  return Add(text);
}

Text& Text::Two(int value) {
  const char text[3] = {char('0' + value / 10 % 10), char('0' + value % 10), '\0'};
  return Add(text);
}

void Text::Clear() {
  size_ = 0;
  buffer_[0] = '\0';
}

namespace {

struct Civil {
  long long year;
  int month, day, hour, minute, second;
};

// Days since 1970-01-01 to a calendar date (Howard Hinnant's civil_from_days), so that no
// gmtime (not async-signal-safe) is needed.
Civil ToCivil(long long t) {
  long long days = t / 86400, rest = t % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int day = int(doy - (153 * mp + 2) / 5 + 1);
  const int month = int(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2), month, day, int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "信号";
  }
}

}  // namespace

void AddTimeLine(Text& out, long long epochSeconds) {
  const Civil c = ToCivil(epochSeconds);
  out.Add(kTimeKey).Dec(c.year).Add("-").Two(c.month).Add("-").Two(c.day).Add(" ");
  out.Two(c.hour).Add(":").Two(c.minute).Add(":").Two(c.second).Add(" UTC\n");
}

void AddReportFileName(Text& out, long long epochSeconds, long pid) {
  const Civil c = ToCivil(epochSeconds);
  out.Add("flipframe-crash-").Dec(c.year).Two(c.month).Two(c.day).Add("-");
  out.Two(c.hour).Two(c.minute).Two(c.second).Add("-").Dec(pid).Add(".txt");
}

void AddSignalCode(Text& out, int sig) { out.Add(SignalName(sig)).Add(" (").Dec(sig).Add(")"); }

void AddSignalMessage(Text& out, int sig, int siCode, const void* address, long senderPid) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(address);
  // si_code <= 0: sent by kill/raise/abort, not by a fault; there is no fault address then.
  const bool sent = siCode <= 0;
  switch (sig) {
    case SIGSEGV:
      out.Add("段错误：访问了无效的内存地址");
      if (!sent && siCode == SEGV_MAPERR)
        out.Add(" ").Hex(at).Add("（该地址没有映射）");
      else if (!sent && siCode == SEGV_ACCERR)
        out.Add(" ").Hex(at).Add("（没有访问该地址的权限）");
      else if (!sent)
        out.Add(" ").Hex(at);
      break;
    case SIGBUS:
      out.Add("总线错误：无法访问内存");
      if (!sent) out.Add(" ").Hex(at);
      out.Add("（例如映射的文件已被截短）");
      break;
    case SIGFPE:
      out.Add(siCode == FPE_INTDIV   ? "算术错误：整数除以零"
              : siCode == FPE_INTOVF ? "算术错误：整数溢出"
                                     : "算术错误");
      if (!sent) out.Add("，指令地址 ").Hex(at);
      break;
    case SIGILL:
      out.Add("非法指令");
      if (!sent) out.Add("，地址 ").Hex(at);
      break;
    case SIGABRT:
      out.Add("程序中止（abort），通常是程序内部的检查失败");
      break;
    default:
      out.Add("致命信号");
  }
  if (sent && senderPid > 0 && senderPid != long(getpid())) out.Add("，由进程 ").Dec(senderPid).Add(" 发出");
}

}  // namespace crash
