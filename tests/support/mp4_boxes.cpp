#include "support/mp4_boxes.h"

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace testing_support {
namespace {

uint64_t Big(std::string_view s, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

// The body of the first child box of `type` in `within`; empty when there is none or a box's
// size runs past its parent.
std::string_view Child(std::string_view within, std::string_view type) {
  for (size_t at = 0; at + 8 <= within.size();) {
    uint64_t size = Big(within, at, 4), header = 8;
    if (size == 1) {
      if (at + 16 > within.size()) return {};
      size = Big(within, at + 8, 8), header = 16;
    } else if (size == 0) {
      size = within.size() - at;
    }
    if (size < header || size > within.size() - at) return {};
    if (within.substr(at + 4, 4) == type) return within.substr(at + header, size - header);
    at += size;
  }
  return {};
}

// Every child box of `type`, in order.
template <class Visit>
void EachChild(std::string_view within, std::string_view type, Visit visit) {
  for (std::string_view rest = within;;) {
    const std::string_view found = Child(rest, type);
    if (found.empty()) return;
    visit(found);
    rest = rest.substr(static_cast<size_t>(found.data() + found.size() - rest.data()));
  }
}

}  // namespace

bool ReadMp4Facts(const std::string& path, ProbeFacts* facts) {
  std::string bytes;
  if (!plat::ReadFile(path, &bytes)) return false;
  const std::string_view moov = Child(bytes, "moov"), mvhd = Child(moov, "mvhd");
  if (mvhd.size() < 32) return false;
  ProbeFacts f;
  const bool wide = mvhd[0] == 1;  // version 1: 64-bit times
  const uint64_t timescale = Big(mvhd, wide ? 20 : 12, 4), duration = Big(mvhd, wide ? 24 : 16, wide ? 8 : 4);
  if (timescale == 0) return false;
  f.duration = static_cast<double>(duration) / static_cast<double>(timescale);
  EachChild(moov, "trak", [&](std::string_view trak) {
    const std::string_view mdia = Child(trak, "mdia"), hdlr = Child(mdia, "hdlr");
    if (hdlr.size() < 12) return;
    const std::string_view handler = hdlr.substr(8, 4);
    if (handler == "soun") f.hasAudio = true;
    if (handler != "vide" || f.hasVideo) return;
    f.hasVideo = true;
    // The first sample entry's coded size: after its 8-byte header, 6 reserved bytes, the
    // data reference index and 16 bytes of predefined and reserved fields.
    const std::string_view stsd = Child(Child(Child(mdia, "minf"), "stbl"), "stsd");
    if (stsd.size() < 8 + 36) return;
    f.width = static_cast<int>(Big(stsd, 8 + 32, 2));
    f.height = static_cast<int>(Big(stsd, 8 + 34, 2));
  });
  if (!f.hasVideo && !f.hasAudio) return false;
  *facts = f;
  return true;
}

}  // namespace testing_support
