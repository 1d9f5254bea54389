// The subject-following crop on clips with a known subject path, made here at 1920x1080:
// the astronaut photo of Debian's python3-imageio package (fetched by scripts/real_clips.sh:
// `apt-get download` + `dpkg-deb -x`; nothing is installed) laid over
// a still lavfi landscape, and
//   moving  the photo crossing the frame,
//   pause   crossing, standing still for a while, crossing on,
//   two     two photos far apart (the scene must fall back to the blurred look),
//   cut     a cut to another background, where the photo jumps to the other side.
// Prints per clip the share of frames with the photo's whole box inside the crop (and a fixed
// centre crop's share), the crop's movement while the photo stands still (output px/frame),
// the time from the cut until the photo is inside the crop, the scene cameras, and the
// analysis time as a share of the follow conversion of the moving clip to 1080x1920.
// Usage: reframe_bench [seconds=10]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "batch/progress.h"
#include "batch/task_worker.h"
#include "pipeline/follow_prep.h"
#include "pipeline/make_task.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "reframe/analysis.h"
#include "store/presets.h"

#include "bench_media.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kW = 1920, kH = 1080, kFps = 25, kBox = 360, kOutW = 1080, kOutH = 1920;

int Run(const std::string& line) { return std::system(line.c_str()); }

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Fmt(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.4f", v);
  return b;
}

// The photo's left edge at time t (and a second one's, or <0).
struct Clip {
  const char* name;
  std::function<double(double)> x;
  double second = -1;  // left edge of a second, still photo
  double cutAt = -1;   // seconds
  double stillFrom = -1, stillTo = -1;
};

// The crop's left edge per output frame and whether the scene fell back, read back from the
// sendcmd text: a command holds from its time (half a frame early) on.
struct Placed {
  std::vector<int> x;
  std::vector<bool> fallback;
};
Placed ReadBack(const std::string& sendcmd, int frames, double fps, int start) {
  struct Cmd {
    double t;
    int x;
    int mix;
  };
  std::vector<Cmd> cmds;
  std::istringstream in(sendcmd);
  std::string line;
  while (std::getline(in, line)) {
    Cmd c{std::atof(line.c_str()), -1, -1};
    if (size_t at = line.find("crop@follow x "); at != std::string::npos)
      c.x = std::atoi(line.c_str() + at + 14);
    if (size_t at = line.find("overlay@followmix x "); at != std::string::npos)
      c.mix = std::atoi(line.c_str() + at + 20) != 0;
    cmds.push_back(c);
  }
  Placed p;
  int x = start, mix = 0;
  size_t next = 0;
  for (int k = 0; k < frames; ++k) {
    while (next < cmds.size() && cmds[next].t <= double(k) / fps + 1e-9) {
      if (cmds[next].x >= 0) x = cmds[next].x;
      if (cmds[next].mix >= 0) mix = cmds[next].mix;
      ++next;
    }
    p.x.push_back(x);
    p.fallback.push_back(mix != 0);
  }
  return p;
}

bool Inside(double boxLeft, int cropLeft) { return boxLeft >= cropLeft && boxLeft + kBox <= cropLeft + 608; }

// `path` inside `package`, fetched once by scripts/real_clips.sh; "" when that fails.
std::string FetchFromPackage(const std::string& package, const std::string& path) {
  const char* env = std::getenv("FLIPFRAME_REAL_CLIPS");
  const std::string folder = env && *env ? env : "/var/cache/flipframe-real-clips";
  const std::string file = folder + "/" + package + path;
  if (!plat::FileExists(file))
    Run("bash '" + std::string(FLIPFRAME_SOURCE_DIR) + "/scripts/real_clips.sh' '" + folder + "' " + package +
        " >/dev/null");
  return plat::FileExists(file) ? file : "";
}

// The astronaut photo python3-imageio ships.
std::string Astronaut() {
  return FetchFromPackage("python3-imageio",
                          "/usr/lib/python3/dist-packages/imageio/resources/images/astronaut.png");
}

using bench::Capture;

// One clip with its subject marked by eye (see real_clips.txt).
struct RealClip {
  std::string name, package, path;
  int frames = 0;
  bool faces = false;
  std::vector<double> marks;  // share of the width, <0: no subject
};

std::vector<RealClip> ReadRealClips(const std::string& table) {
  std::vector<RealClip> clips;
  std::istringstream in(table);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    RealClip c;
    int faces = 0;
    fields >> c.name >> c.package >> c.path >> c.frames >> faces;
    c.faces = faces != 0;
    for (std::string m; fields >> m;) c.marks.push_back(m == "-" ? -1 : std::atof(m.c_str()));
    if (c.marks.size() == 20) clips.push_back(c);
  }
  return clips;
}

// Follow against the middle crop on each clip, converted to 1080x1920: how many marked frames
// have the subject's centre inside the crop (or in the blurred look, which shows everything),
// and the largest move of the crop between two frames of one scene (output px).
void RealFootage(const std::string& tmp, const std::string& photo) {
  std::string table;
  plat::ReadFile(std::string(FLIPFRAME_SOURCE_DIR) + "/bench/real_clips.txt", &table);
  std::vector<RealClip> clips = ReadRealClips(table);
  // A presenter standing still over a real clip's picture, left, then right after a cut: the
  // photo's head and shoulders 900 px high at x 100 and 1000 of 1920 (the face's centre at
  // 553 and 1453; a face is found from about a sixth of the picture's width).
  const std::string standing = tmp + "/standing.mp4";
  const std::string walkers = FetchFromPackage(clips.back().package, clips.back().path);
  if (!walkers.empty() &&
      Run("ffmpeg -v error -y -ss 3 -i '" + walkers + "' -ss 40 -i '" + walkers + "' -loop 1 -i '" + photo +
          "' -filter_complex \"[0:v]scale=1920:1080,trim=end_frame=1,loop=74:1,setpts=N/25/TB[a];"
          "[1:v]scale=1920:1080,trim=end_frame=1,loop=74:1,setpts=N/25/TB[b];[2:v]crop=256:256:96:0,"
          "scale=900:900,split[p][q];[a][p]overlay=100:90:shortest=1[x];[b][q]overlay=1000:90:shortest=1[y];"
          "[x][y]concat,format=yuv420p\" -r 25 -c:v libx264 -preset veryfast '" +
          standing + "'") == 0) {
    // 148 of its 150 frames, so that no mark falls on the cut's frame.
    RealClip c{"standing", "", standing, 148, true, {}};
    for (int k = 0; k < 20; ++k) c.marks.push_back(k * 148 / 20 < 75 ? 553.0 / 1920 : 1453.0 / 1920);
    clips.push_back(c);
  }
  std::printf("\nreal footage, to 1080x1920: subject's centre in view in marked frames\n");
  std::printf("%-9s %10s %10s %14s  cameras\n", "clip", "follow", "middle", "move px/frame");
  int faceMarks = 0, faceFollow = 0;
  for (const RealClip& c : clips) {
    const std::string file = c.package.empty() ? c.path : FetchFromPackage(c.package, c.path);
    if (file.empty()) {
      std::printf("%-9s not available (apt-get download %s failed)\n", c.name.c_str(), c.package.c_str());
      continue;
    }
    std::istringstream probe(
        Capture("ffprobe -v error -select_streams v:0 -show_entries stream=width,height,r_frame_rate "
                "-of csv=p=0:s=x '" +
                file + "'"));
    int w = 0, h = 0, num = 0, den = 1;
    char sep = 0;
    probe >> w >> sep >> h >> sep >> num >> sep >> den;
    const double fps = den > 0 ? double(num) / den : 25;
    const double seconds = c.frames / fps;
    const reframe::AnalysisRequest q{file, w, h, kOutW, kOutH, seconds, fps};
    const reframe::AnalysisResult r = reframe::Analyse(q, {}, nullptr);
    if (!r.ok) {
      std::printf("%-9s analysis failed: %s\n", c.name.c_str(), r.error.c_str());
      continue;
    }
    const reframe::CropWindow win = reframe::WindowFor(w, h, kOutW, kOutH);
    const Placed p = ReadBack(r.sendcmd, c.frames, fps, win.travel / 2);
    int marked = 0, follow = 0, middle = 0;
    std::string missed;
    for (int k = 0; k < 20; ++k) {
      if (c.marks[size_t(k)] < 0) continue;
      const size_t n = size_t(k * c.frames / 20);
      const double x = c.marks[size_t(k)] * w;
      ++marked;
      const bool seen = p.fallback[n] || (x >= p.x[n] && x <= p.x[n] + win.width);
      follow += seen;
      if (!seen) missed += " " + std::to_string(k);
      middle += x >= win.travel / 2 && x <= win.travel / 2 + win.width;
    }
    double move = 0;
    for (size_t n = 1; n < p.x.size(); ++n)
      move = std::max(move, std::abs(p.x[n] - p.x[n - 1]) * double(kOutW) / win.width);
    std::string cams;
    for (reframe::Camera cam : r.cameras)
      cams += std::string(cam == reframe::Camera::Stationary ? "S"
                          : cam == reframe::Camera::Tracking ? "T"
                          : cam == reframe::Camera::Fallback ? "F"
                                                             : "C");
    std::printf("%-9s %6d/%-3d %6d/%-3d %14.1f  %-8s %s%s\n", c.name.c_str(), follow, marked, middle, marked,
                move, cams.c_str(), missed.empty() ? "" : ("missed:" + missed).c_str(),
                follow < middle ? "  BELOW THE MIDDLE" : "");
    if (c.faces) {
      faceMarks += marked;
      faceFollow += follow;
    }
  }
  if (faceMarks > 0)
    std::printf(
        "faces: centre in view in %.0f%% of marked face frames (target 90%%); cameras: S stationary, "
        "T tracking, C middle, F blurred; moves include the jumps at cuts\n",
        100.0 * faceFollow / faceMarks);
}

}  // namespace

int main(int argc, char** argv) {
  const double T = argc > 1 ? std::atof(argv[1]) : 10;
  if (probe::ConverterPath().empty()) {
    std::fprintf(stderr, "no ffmpeg\n");
    return 1;
  }
  char pattern[] = "/tmp/reframe_bench_XXXXXX";
  const std::string tmp = mkdtemp(pattern);
  setenv("XDG_CACHE_HOME", (tmp + "/cache").c_str(), 1);  // every analysis runs afresh
  std::string photo = Astronaut();
  if (photo.empty()) {
    std::printf("astronaut.png not available (apt-get download failed): a lavfi test pattern stands in\n");
    photo = tmp + "/subject.png";
    Run("ffmpeg -v error -y -f lavfi -i testsrc2=s=512x512 -frames:v 1 '" + photo + "'");
  }
  for (const char* bg : {"a", "b"}) {
    const std::string colours = std::string(bg) == "a" ? "c0=0x2a4d69:c1=0x4b86b4:c2=0xadcbe3:c3=0x63ace5"
                                                       : "c0=0x5b3a29:c1=0xa0522d:c2=0xd2b48c:c3=0x8fbc8f";
    Run("ffmpeg -v error -y -f lavfi -i gradients=s=1920x1080:nb_colors=4:" + colours +
        ":seed=7 -frames:v 1 '" + tmp + "/bg_" + bg + ".png'");
  }
  const double travel = kW - kBox - 160;
  const std::vector<Clip> clips = {
      {"moving", [=](double t) { return 80 + travel * t / T; }},
      {"pause",
       [=](double t) {
         const double a = 0.4 * T, b = 0.7 * T;
         const double s = t < a ? t : t < b ? a : t - (b - a);
         return 80 + travel * s / (T - (b - a));
       },
       -1, -1, 0.4 * T + 0.4, 0.7 * T},
      {"two", [](double) { return 80.0; }, kW - kBox - 80.0},
      {"cut", [=](double t) { return t < T / 2 ? 200.0 : kW - kBox - 200.0; }, -1, T / 2},
  };

  RealFootage(tmp, photo);
  std::printf("\nmade clips\n");
  std::string convertSource;
  std::printf("%-7s %9s %9s %10s %12s %9s  cameras\n", "clip", "in crop", "centre", "fallback", "still px/f",
              "cut s");
  for (const Clip& c : clips) {
    const std::string file = tmp + "/" + c.name + ".mp4";
    // The same path as an overlay expression.
    std::string xExpr;
    const std::string Ts = Fmt(T), tr = Fmt(travel);
    if (std::string(c.name) == "moving") xExpr = "80+" + tr + "*t/" + Ts;
    if (std::string(c.name) == "pause")
      xExpr = "80+" + tr + "*(if(lt(t," + Fmt(0.4 * T) + "),t,if(lt(t," + Fmt(0.7 * T) + ")," + Fmt(0.4 * T) +
              ",t-" + Fmt(0.3 * T) + ")))/" + Fmt(0.7 * T);
    if (std::string(c.name) == "two") xExpr = "80";
    if (std::string(c.name) == "cut")
      xExpr = "if(lt(t," + Fmt(T / 2) + "),200," + std::to_string(kW - kBox - 200) + ")";
    std::string graph = "[1:v]scale=" + std::to_string(kBox) + ":" + std::to_string(kBox) + ",split[p][q];";
    std::string base = "[0:v]";
    if (c.cutAt > 0) {
      graph += "[0:v][2:v]overlay=enable='gte(t," + Fmt(c.cutAt) + ")'[bg];";
      base = "[bg]";
    }
    graph += base + "[p]overlay=x='" + xExpr + "':y=360";
    if (c.second >= 0) {
      graph += "[s];[s][q]overlay=x=" + Fmt(c.second) + ":y=360";
    } else {
      graph += "[s];[q]nullsink;[s]null";
    }
    graph += ",format=yuv420p";
    const std::string inputs =
        "-loop 1 -framerate 25 -t " + Ts + " -i '" + tmp + "/bg_a.png' -loop 1 -framerate 25 -t " + Ts +
        " -i '" + photo + "'" +
        (c.cutAt > 0 ? " -loop 1 -framerate 25 -t " + Ts + " -i '" + tmp + "/bg_b.png'" : "");
    if (Run("ffmpeg -v error -y " + inputs + " -filter_complex \"" + graph + "\" -t " + Ts +
            " -c:v libx264 -preset veryfast -crf 20 '" + file + "'") != 0) {
      std::fprintf(stderr, "could not make %s\n", file.c_str());
      return 1;
    }
    if (convertSource.empty()) convertSource = file;

    reframe::AnalysisRequest q{file, kW, kH, kOutW, kOutH, T, double(kFps)};
    const reframe::AnalysisResult r = reframe::Analyse(q, {}, nullptr);
    if (!r.ok) {
      std::fprintf(stderr, "%s: %s\n", c.name, r.error.c_str());
      return 1;
    }
    const int frames = int(T * kFps);
    const Placed p = ReadBack(r.sendcmd, frames, kFps, (kW - 608) / 2);
    int inside = 0, centre = 0, fallback = 0, stillFrames = 0;
    double stillMove = 0, reaction = -1;
    for (int k = 0; k < frames; ++k) {
      const double t = double(k) / kFps, x = c.x(t);
      const bool shownWhole = p.fallback[size_t(k)] || (Inside(x, p.x[size_t(k)]) &&
                                                        (c.second < 0 || Inside(c.second, p.x[size_t(k)])));
      inside += shownWhole;
      centre += Inside(x, (kW - 608) / 2) && (c.second < 0 || Inside(c.second, (kW - 608) / 2));
      fallback += p.fallback[size_t(k)];
      if (c.stillFrom >= 0 && t >= c.stillFrom && t < c.stillTo && k > 0) {
        stillMove += std::abs(p.x[size_t(k)] - p.x[size_t(k) - 1]) * double(kOutW) / 608;
        ++stillFrames;
      }
      if (c.cutAt >= 0 && t >= c.cutAt && reaction < 0 && shownWhole) reaction = t - c.cutAt;
    }
    std::string cams;
    for (reframe::Camera cam : r.cameras)
      cams += std::string(cam == reframe::Camera::Stationary ? "stationary"
                          : cam == reframe::Camera::Tracking ? "tracking"
                          : cam == reframe::Camera::Fallback ? "fallback"
                                                             : "centre") +
              " ";
    std::printf("%-7s %8.1f%% %8.1f%% %9.1f%% %12s %9s  %s\n", c.name, 100.0 * inside / frames,
                100.0 * centre / frames, 100.0 * fallback / frames,
                stillFrames ? Fmt(stillMove / stillFrames).c_str() : "-",
                c.cutAt >= 0 ? Fmt(reaction).c_str() : "-", cams.c_str());
  }

  // Analysis against conversion, the real way: a follow task made as `convert` makes it.
  pipeline::SettingsTemplate settings;
  settings.layout.kind = task::LayoutKind::Follow;
  settings.typedSize = kOutW;  // 1080x1920
  settings.typedBox = task::ActiveBox::Width;
  pipeline::WorkerTrial trial(false);
  const pipeline::MadeTask made = pipeline::MakeTask(convertSource, settings, {}, trial);
  if (!made.ok) {
    std::fprintf(stderr, "task refused: %s\n", made.refusal.c_str());
    return 1;
  }
  Run("rm -rf '" + tmp + "/cache'");
  auto start = Clock::now();
  const task::BuildEnvironment env = task::DiskEnvironment(presets::LocalEffectFilters());
  const std::vector<std::string> stored = pipeline::RunWords(made.task, env);
  const pipeline::FollowPrep prep =
      pipeline::PrepareFollow(made.task, batch::OutputFile(stored), {}, nullptr);
  const std::vector<std::string> words =
      pipeline::RunWords(made.task, pipeline::FollowEnvironment(env, prep));
  const double analysis = Since(start);
  start = Clock::now();
  batch::WorkerTiming timing;
  timing.endOtherConverters = false;
  const batch::WorkerResult done = batch::RunTaskWorker(words, false, {}, {}, timing);
  const double conversion = Since(start);
  pipeline::CleanUpFollow(prep);
  std::printf("analysis %.2f s, conversion to %dx%d %.2f s (%s): analysis/conversion %.3f\n", analysis,
              made.task.outputWidth, made.task.outputHeight, conversion,
              done.ending == batch::WorkerEnding::Completed ? "finished" : "FAILED", analysis / conversion);
  Run("rm -rf '" + tmp + "'");
  return 0;
}
