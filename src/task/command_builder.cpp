#include "task/command_builder.h"

#include "task/audio_copy.h"

#include <cmath>

#include "platform/fonts.h"
#include "platform/platform.h"
#include "reframe/crop_command.h"
#include "task/copies_graph.h"
#include "task/encoder_preset.h"
#include "task/graph_pieces.h"
#include "task/outputs_graph.h"
#include "text/bytes.h"
#include "text/numbers.h"

namespace task {
namespace {

std::string Num(long long v) { return std::to_string(v); }

bool EndsWithQuote(const std::string& s) { return !s.empty() && s.back() == '"'; }

// Start of a two-second fade-out that ends with the output. A start before the beginning is
// out of the converter's range, so a very short output fades out from its first moment.
std::string FadeOutStart(int seconds) { return text::FormatG13(seconds >= 2 ? seconds - 2 : 0); }

// Inputs and the first words of the graph for the seven ways of mixing sound. The inputs
// whose sound is mixed come first, so that amix's unlabelled inputs take exactly those
// tracks; the animation, when there is one, follows them, and the logo comes last.
struct Inputs {
  std::string text;
  std::string fg, bg, anim;  // video labels
};

Inputs ChooseInputs(const TaskRecord& t, const std::string& backgroundLoop, const std::string& audioLoop,
                    const std::string& animationInput, const std::string& durationClause) {
  const bool M = t.ticked(kTickMute), F = t.ticked(kTickForegroundSound), B = t.ticked(kTickBackgroundSound),
             A = t.ticked(kTickMusic);
  const std::string& fg = t.foregroundPath;
  const std::string& bg = t.backgroundPath;
  // An audio switch left ticked after its file vanished still names an input: the empty
  // quoted word makes the converter refuse the task instead of shifting the words after it.
  const std::string au = t.audioPath.empty() ? "\"\"" : t.audioPath;
  const std::string tail = animationInput + durationClause + " -filter_complex \"";
  if (M || (F && !B && !A) || (!F && !B && !A))
    return {"-i " + fg + backgroundLoop + " -i " + bg + tail, "[0:v]", "[1:v]", "[2:v]"};
  if (F && B && A)
    return {"-i " + fg + backgroundLoop + " -i " + bg + audioLoop + " -i " + au + tail + "amix=inputs=3",
            "[0:v]", "[1:v]", "[3:v]"};
  if (F && B)
    return {"-i " + fg + backgroundLoop + " -i " + bg + tail + "amix=inputs=2", "[0:v]", "[1:v]", "[2:v]"};
  if (B && A)
    return {audioLoop + " -i " + au + backgroundLoop + " -i " + bg + " -i " + fg + tail + "amix=inputs=2",
            "[2:v]", "[1:v]", "[3:v]"};
  if (F && A)
    return {audioLoop + " -i " + au + " -i " + fg + backgroundLoop + " -i " + bg + tail + "amix=inputs=2",
            "[1:v]", "[2:v]", "[3:v]"};
  if (B)
    return {backgroundLoop + " -i " + bg + " -i " + fg + tail + "amix=inputs=1", "[1:v]", "[0:v]", "[2:v]"};
  return {audioLoop + " -i " + au + " -i " + fg + backgroundLoop + " -i " + bg + tail + "amix=inputs=1",
          "[1:v]", "[2:v]", "[3:v]"};
}

}  // namespace

CoverSize BackgroundCover(const TaskRecord& t, const std::string& W, const std::string& H) {
  if (t.backgroundWidth <= 0 || t.backgroundHeight <= 0)  // nothing probed: no aspect to keep
    return {W, H};
  const long long n = static_cast<long long>(
      std::trunc(static_cast<double>(t.backgroundHeight) * t.outputWidth / t.backgroundWidth));
  if (2.0 * n - t.outputHeight >= -0.0000001) return {W, Num(n)};
  const long long m = static_cast<long long>(
      std::trunc(static_cast<double>(t.backgroundWidth) * t.outputHeight / t.backgroundHeight));
  return {Num(m), H};
}

namespace {

std::string BackgroundScale(const CoverSize& cover) {
  return "scale=" + cover.width + "*2:" + cover.height + "*2,";
}

// The fast background: the same picture as the classic graph, made from less. It crops the
// part of the (bounced) background that the classic graph's centre cut would show, halves it,
// blurs it there and scales it up once to the output size. The blur radius is 2 x slider
// position in source pixels in both graphs, so at half size it is the slider position itself;
// it is held to what the smallest picture plane allows, which only tiny sources reach.
std::string FastBackground(const CoverSize& cover, const std::string& W, const std::string& H,
                           const std::string& bounce, int blur) {
  std::string r = bounce + "crop=iw*" + W + "/(2*" + cover.width + "):ih*" + H + "/(2*" + cover.height +
                  ")," + "scale=trunc(iw/4)*2:trunc(ih/4)*2,";
  if (blur > 0) r += "boxblur='min(" + Num(blur) + ",min(cw,ch)/2)',";
  return r + "scale=" + W + ":" + H + ",setsar=1,";
}

// The colour layout: the classic composition over one colour, drawn on a picture split off
// the foreground's own decoding.
std::string OneColourBody(const TaskRecord& t, const std::string& fgInput, std::string label,
                          std::string chain, const std::string& cropPiece, const std::string& animationChain,
                          bool portrait) {
  const std::string W = Num(t.outputWidth), H = Num(t.outputHeight);
  std::string r = fgInput + "split[fg][bg];";
  if (chain.empty()) {
    label = "[fg]";
  } else {
    chain.replace(0, fgInput.size(), "[fg]");
  }
  r += "[bg]scale=" + W + ":" + H + ",setsar=1,drawbox=c=0x" + t.layout.colour + ":t=fill," + cropPiece +
       chain + animationChain;
  return r + (portrait ? "[g1]" + label + "overlay=0:(H-h)/2"
                       : CopiesGraph(label, t.selectedForegroundCount + 1, t.ticked(kTickMirror)));
}

}  // namespace

std::string ForegroundFilters(const TaskRecord& t) {
  std::string r;
  if (t.ticked(kTickSoften)) r += ",guided";
  if (t.ticked(kTickDenoise)) r += ",hqdn3d=2:1.5:3:2.25";
  if (t.ticked(kTickMirror)) r += ",hflip";
  return r;
}

// The crop layouts: the canvas filled by one copy of the foreground, cut at a fixed place or
// along the analysed path. The follow layout lays its crop over the classic look (made the
// fast way), which shows through in the scenes whose subjects do not fit the window.
std::string VideoPostFilters(const TaskRecord& t) {
  std::string r;
  if (t.ticked(kTickDedupFrames)) r += ",mpdecimate";
  if (t.ticked(kTickVideoFadeIn)) r += ",fade=in:st=0:d=2";
  if (t.ticked(kTickVideoFadeOut))
    r += ",fade=out:st=" + FadeOutStart(text::SecondsOfDuration(t.outputDuration)) + ":d=2";
  return r;
}

std::string AudioFades(const TaskRecord& t) {
  std::string r;
  if (t.ticked(kTickAudioFadeIn)) r = "afade=in:st=0:d=2";
  if (t.ticked(kTickAudioFadeOut))
    r += (r.empty() ? "afade=out:st=" : ",afade=out:st=") +
         FadeOutStart(text::SecondsOfDuration(t.outputDuration)) + ":d=2";
  return r;
}

std::string CroppedBody(const TaskRecord& t, const std::string& fgInput, const std::string& sendcmdPath,
                        bool blurred, const CoverSize& cover) {
  const std::string W = Num(t.outputWidth), H = Num(t.outputHeight), size = W + ":" + H;
  const std::string filters = ForegroundFilters(t);
  const reframe::CropWindow window =
      reframe::WindowFor(t.foregroundWidth, t.foregroundHeight, t.outputWidth, t.outputHeight);
  if (t.layout.kind == LayoutKind::Crop) {
    const std::string at = "*" + Num(t.layout.cropPercent) + "/100";
    const std::string x = window.across ? "(iw-ow)" + at : "(iw-ow)/2";
    const std::string y = window.across ? "(ih-oh)/2" : "(ih-oh)" + at;
    return fgInput + "scale=" + size + ":force_original_aspect_ratio=increase,crop=" + size + ":" + x + ":" +
           y + ",setsar=1" + filters;
  }
  const std::string crop = reframe::FollowCropFilter(window, window.travel / 2, sendcmdPath) +
                           ",scale=" + size + ",setsar=1" + filters;
  if (!blurred) return fgInput + crop;
  const bool portrait = IsPortraitRatio(t.ratioIndex);
  std::string r = fgInput + "split=3[rc][rb][rv];";
  r += "[rb]" + FastBackground(cover, W, H, "", t.backgroundBlur) + "crop=" + size + "[rg];";
  r += "[rv]" + (portrait ? "scale=" + W + ":-1" : "scale=-1:" + H) + filters + "[rs];";
  r += std::string("[rg][rs]overlay=") + (portrait ? "0:(H-h)/2" : "W/2-w/2:0") + "[rl];";
  r += "[rc]" + crop + "[rk];";
  return r + "[rl][rk]" + reframe::kMixTarget + "=x=0:y=0";
}

namespace {

// The animation blended over a cropped result, as over the classic background.
std::string AnimationOver(const TaskRecord& t, const std::string& animLabel, const std::string& animationFps,
                          bool none) {
  if (none) return "";
  const std::string W = Num(t.outputWidth), H = Num(t.outputHeight);
  const std::string opacity = text::FormatG13((t.animationOpacity + 0.5) / 10);
  const std::string blur =
      t.animationBlur == 0 ? "" : "boxblur=" + text::FormatG13(t.animationBlur / 2.0) + ",";
  return "[a];" + animLabel + animationFps + blur + "scale=" + W + ":" + H + ",crop=" + W + ":" + H +
         "[b];[a][b]blend=all_mode='" + BlendModeName(t.blendModeIndex) + "':all_opacity=" + opacity;
}

}  // namespace

BuildEnvironment DiskEnvironment(const std::array<std::string, 4>& effectFilters) {
  return {effectFilters, [](const std::string& p) { return plat::FileExists(p); },
          [](const std::string& p) { return plat::MakeDirs(p); }};
}

BuildResult BuildCommand(TaskRecord& t, BuildMode mode, const BuildEnvironment& env) {
  BuildResult result;

  // 1. Sizes: the texts of the size boxes, which after validation are the output size.
  const std::string W = Num(t.outputWidth), H = Num(t.outputHeight);
  const std::string sizeText = W + ":" + H;

  // 2. No background file: the background is made from the foreground. A background that is
  // the foreground itself counts as none (it is the same picture and the same sound).
  // The other layouts have no background to fill: a background file is ignored.
  if (t.backgroundPath.empty() || t.backgroundPath == t.foregroundPath || t.layout.kind != LayoutKind::Blur ||
      !env.exists(Unquote(t.backgroundPath))) {
    t.backgroundPath = t.foregroundPath;
    t.backgroundWidth = t.foregroundWidth;
    t.backgroundHeight = t.foregroundHeight;
    t.ticks[kTickBackgroundSound] = 0;
    result.backgroundReplaced = true;
    if (ApplyAudioRuleTo(t)) result.audioRuleChanged = true;
  }

  // One run for several targets: a graph of its own, with the background shared.
  if (!t.moreOutputs.empty()) return BuildSeveralOutputs(t, mode, env, std::move(result));

  // 3-4. Background blur and effects.
  std::string backgroundChain, bounce, colourEffects;
  if (t.backgroundBlur > 0) backgroundChain = "boxblur=" + Num(2LL * t.backgroundBlur) + ",";
  if (t.ticked(kTickPsychedelic)) colourEffects = "," + env.effectFilters[3];
  if (t.ticked(kTickColourShift)) colourEffects += "," + env.effectFilters[2];
  if (t.ticked(kTickBounceVertical)) bounce += env.effectFilters[0] + ",";
  if (t.ticked(kTickBounceHorizontal)) bounce += env.effectFilters[1] + ",";
  backgroundChain += bounce;

  // 5. Duration clause; d is the output's whole seconds.
  const std::string durationClause =
      mode == BuildMode::Trial ? " -to 00:00:00.001 " : " -to " + t.outputDuration;
  const int d = text::SecondsOfDuration(t.outputDuration);

  // 6. Background loop. A background made from the foreground is never looped; a still
  // picture is repeated for the output's length, a shorter video or GIF played again.
  std::string backgroundLoop;
  if (text::SecondsOfDuration(t.backgroundDuration) < d && t.backgroundPath != t.foregroundPath)
    backgroundLoop = t.backgroundKind == 1 ? " -loop 1 -t " + t.outputDuration : " -stream_loop -1";

  // 7. Audio loop (harmless when there is no audio file: it is then never used).
  std::string audioLoop;
  if (text::SecondsOfDuration(t.audioDuration) < d) audioLoop = " -stream_loop -1";

  // 8. Frame-rate normalisers; the texts are compared as they are (25 and 25.00 differ).
  std::string backgroundFps, animationFps;
  if (!t.backgroundFps.empty() && t.backgroundFps != t.foregroundFps)
    backgroundFps = "fps=" + t.foregroundFps + ",";
  if (t.animationFps != t.foregroundFps) animationFps = "fps=" + t.foregroundFps + ",";

  // 9. Animation input: left out when its file is gone.
  std::string animationInput;
  if (env.exists(Unquote(t.animationPath))) {
    animationInput = (text::SecondsOfDuration(t.animationDuration) < d ? " -stream_loop -1 -i " : " -i ") +
                     t.animationPath;
  }
  if (ApplyAudioRuleTo(t)) result.audioRuleChanged = true;

  // 10. Inputs and sound mix; the logo, when there is one, comes after every other input.
  const std::string logoInput = t.logo.used() ? LogoInput(t.logo) : "";
  Inputs in = ChooseInputs(t, backgroundLoop, audioLoop, animationInput + logoInput, durationClause);
  std::string R = in.text;
  std::string foregroundLabel = in.fg;

  // 11. Audio fades, two seconds each.
  if (const std::string fades = AudioFades(t); !fades.empty()) R += (EndsWithQuote(R) ? "" : ",") + fades;
  if (!EndsWithQuote(R)) R += ";";

  // 12. Crop piece and the animation blended over the finished background.
  std::string cropPiece, animationChain;
  if (animationInput.empty()) {
    cropPiece = "crop=" + sizeText + colourEffects + "[g1];";
  } else {
    const std::string opacity = text::FormatG13((t.animationOpacity + 0.5) / 10);
    const std::string blur =
        t.animationBlur == 0 ? "" : "boxblur=" + text::FormatG13(t.animationBlur / 2.0) + ",";
    animationChain = in.anim + animationFps + blur + "scale=" + W + ":" + H + ",crop=" + sizeText +
                     "[b];[a][b]blend=all_mode='" + BlendModeName(t.blendModeIndex) +
                     "':all_opacity=" + opacity + "[g1];";
    cropPiece = "crop=" + sizeText + colourEffects + "[a];";
  }

  // 13. Foreground chain: scaled to the output width (portrait output) or height (landscape),
  // skipped when the output is the size proposed for this foreground and nothing filters it.
  // A single copy ticked 前景镜像 is mirrored here or nowhere (a row of copies mirrors some of
  // its copies by itself).
  std::string foregroundChain;
  const bool portrait = IsPortraitRatio(t.ratioIndex);
  const bool singleCopy = portrait || t.selectedForegroundCount == 0;
  if (!(t.outputHeight == t.suggestedHeight && t.outputWidth == t.suggestedWidth && !t.ticked(kTickDenoise) &&
        !t.ticked(kTickSoften) && !(singleCopy && t.ticked(kTickMirror)))) {
    foregroundChain = foregroundLabel + (portrait ? "scale=" + W + ":-1" : "scale=-1:" + H);
    if (t.ticked(kTickSoften)) foregroundChain += ",guided";
    if (t.ticked(kTickDenoise)) foregroundChain += ",hqdn3d=2:1.5:3:2.25";
    if (t.ticked(kTickMirror)) foregroundChain += ",hflip";
    foregroundChain += "[v];";
    foregroundLabel = "[v]";
  }

  // The temporary output (step 19); the follow layout names its sendcmd file after it.
  const std::string foreground = Unquote(t.foregroundPath);
  const size_t slash = foreground.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : foreground.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? foreground : foreground.substr(slash + 1);
  result.outputPath = OutputName(folder + "result/" + name, "_tmp", t.outputFormat, env.exists);

  if (FillsCanvas(t)) {
    // A target of the clip's own shape: nothing to fill, the clip re-encoded at its size.
    R += in.fg + "scale=" + sizeText + ",setsar=1" + ForegroundFilters(t) + "\"";
  } else if (t.layout.kind == LayoutKind::Blur) {
    // 14. Background scale and the graph body.
    const CoverSize cover = BackgroundCover(t, W, H);
    if (!t.fastBackground) {
      R += in.bg + backgroundFps + backgroundChain + BackgroundScale(cover) + cropPiece + foregroundChain +
           animationChain;
    } else {
      // A background copied from the foreground is split off the foreground's own decoding
      // rather than decoded a second time from its own input, which then goes unused.
      std::string bgLabel = in.bg;
      if (t.backgroundPath == t.foregroundPath) {
        R += in.fg + "split[fg][bg];";
        bgLabel = "[bg]";
        if (foregroundChain.empty()) {
          foregroundLabel = "[fg]";
        } else {
          foregroundChain.replace(0, in.fg.size(), "[fg]");
        }
      }
      R += bgLabel + backgroundFps + FastBackground(cover, W, H, bounce, t.backgroundBlur) + cropPiece +
           foregroundChain + animationChain;
    }

    // 15. Composition; the closing quote ends the graph's quoted stretch.
    if (portrait) {
      R += "[g1]" + foregroundLabel + "overlay=0:(H-h)/2\"";
    } else {
      R += CopiesGraph(foregroundLabel, t.selectedForegroundCount + 1, t.ticked(kTickMirror)) + "\"";
    }
  } else if (t.layout.kind == LayoutKind::Colour) {
    R +=
        OneColourBody(t, in.fg, foregroundLabel, foregroundChain, cropPiece, animationChain, portrait) + "\"";
  } else {
    const bool follow = mode == BuildMode::Full && t.layout.kind == LayoutKind::Follow;
    const std::string sendcmd = !follow                  ? ""
                                : env.followPath.empty() ? reframe::SendcmdPathFor(result.outputPath)
                                                         : env.followPath;
    R += CroppedBody(t, in.fg, sendcmd, env.followBlurred, BackgroundCover(t, W, H)) +
         AnimationOver(t, in.anim, animationFps, animationInput.empty()) + "\"";
  }

  // The title and caption are drawn over the finished picture, inside the graph's quotes
  // (their files' paths may hold spaces), before the fades so that they fade with it.
  if (t.bandTexts.used()) {
    // The font is looked up where the task runs: a list may come from a machine with others.
    BandTextPlan plan = PlanBandTexts(t, result.outputPath, plat::FontFileFor(t.bandTexts.font));
    R.insert(R.size() - 1, plan.filters);
    result.textFiles = std::move(plan.files);
  }
  // The logo sits over everything, texts included.
  if (t.logo.used()) {
    // in.anim ("[2:v]") is the number of the input after the ones whose sound is mixed.
    const int logoIndex = std::stoi(in.anim.substr(1)) + (animationInput.empty() ? 0 : 1);
    R.insert(R.size() - 1, LogoOverlay(t.logo, "[" + std::to_string(logoIndex) + ":v]", t.outputWidth));
  }

  // 16. Video post-filters join the same word and extend the graph's last filter.
  R += VideoPostFilters(t);

  // 17-18. Bitrate and audio options.
  if (!t.ticked(kTickAutoBitrate)) R += " -b:v " + t.bitrate + "k";
  if (t.ticked(kTickMute)) {
    R += " -an";
  } else if (t.target.used()) {
    R += TargetAudioOptions(t.target);
  } else if (!t.ticked(kTickMusic) && !t.ticked(kTickBackgroundSound) && !t.ticked(kTickAudioFadeIn) &&
             !t.ticked(kTickAudioFadeOut)) {
    // Only the foreground's sound: unchanged where the container carries it properly, else
    // encoded by the container's own sound encoder.
    if (AudioCopyFits(t.foregroundAudioCodec, t.outputFormat)) R += " -c:a copy";
  }

  // An opt-in speed for the x264 formats; without one the command is unchanged.
  if (IsEncoderPreset(t.encoderPreset) && EncodesWithX264(t.outputFormat)) R += " -preset " + t.encoderPreset;
  R += TargetVideoOptions(t.target, t.foregroundFps, t.outputFormat);

  // 19. Output in the folder "result" beside the foreground.
  // Without a folder the foreground is no file at all: the converter refuses it, and no
  // "result" folder is made wherever the program happens to run.
  if (!folder.empty() && env.makeDirs) env.makeDirs(folder + "result");
  R += " -y \"" + result.outputPath + "\"";

  result.text = R;
  return result;
}

}  // namespace task
