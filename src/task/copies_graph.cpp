#include "task/copies_graph.h"

namespace task {
namespace {

std::string Num(int v) { return std::to_string(v); }

// Overlay of copy k (1-based) in a row of n copies of width w that overlap their
// neighbours by one pixel and are centred in the output width W.
std::string Place(int n, int k) {
  return "overlay=(W-w*" + Num(n) + "+" + Num(n) + ")/2+w*" + Num(k - 1) + "-" + Num(k - 1) + ":0";
}

}  // namespace

std::string CopiesGraph(const std::string& label, int count, bool mirror) {
  if (count <= 1) return "[g1]" + label + "overlay=W/2-w/2:0";
  const int n = count;
  // Two streams: copies at odd positions come from [a..], at even positions from [b..].
  std::string r = mirror ? label + "split[a1][b];[b]hflip[b1]" : label + "split[a][b1];[a]hflip[a1]";
  const int half = (n + 1) / 2;
  int k = 0;
  for (int i = 1; i <= half; ++i) {
    ++k;  // a copy from the a-stream
    const std::string g = "[g" + Num(k) + "]", next = "[g" + Num(k + 1) + "]";
    if (i == half && k == n) return r + ";" + g + "[a" + Num(i) + "]" + Place(n, k);
    if (i == half) {
      r += ";" + g + "[a" + Num(i) + "]" + Place(n, k) + next;
    } else {
      r += ";[a" + Num(i) + "]split[c" + Num(i) + "][a" + Num(i + 1) + "];" + g + "[c" + Num(i) + "]" +
           Place(n, k) + next;
    }

    ++k;  // a copy from the b-stream
    const std::string gb = "[g" + Num(k) + "]", nextb = "[g" + Num(k + 1) + "]";
    const bool last = i == half || k == n - 1;
    if (last && k == n) return r + ";" + gb + "[b" + Num(i) + "]" + Place(n, k);
    if (last) {
      r += ";" + gb + "[b" + Num(i) + "]" + Place(n, k) + nextb;
    } else {
      r += ";[b" + Num(i) + "]split[f" + Num(i) + "][b" + Num(i + 1) + "];" + gb + "[f" + Num(i) + "]" +
           Place(n, k) + nextb;
    }
  }
  return r;
}

}  // namespace task
