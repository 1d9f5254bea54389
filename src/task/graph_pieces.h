#pragma once
// Pieces of the conversion graph that the one-output and the several-output commands share.
#include <string>

#include "task/task_record.h"

namespace task {

// The size that just covers the output in one dimension (its "*2" is left to the converter):
// the classic graph enlarges the background to twice this size and cuts the output size out
// of its centre.
struct CoverSize {
  std::string width, height;
};
CoverSize BackgroundCover(const TaskRecord& t, const std::string& W, const std::string& H);

// ",guided,hqdn3d=...,hflip" as 柔化, 降噪 and 前景镜像 ask, "" when none.
std::string ForegroundFilters(const TaskRecord& t);

// The crop and follow layouts' graph from the foreground `fgInput`; `sendcmdPath` is the
// follow path's file, `blurred` whether some scene shows the blurred look.
std::string CroppedBody(const TaskRecord& t, const std::string& fgInput, const std::string& sendcmdPath,
                        bool blurred, const CoverSize& cover);

// ",mpdecimate,fade=in:...,fade=out:..." as 去重 and the video fades ask, "" when none; the
// fade out ends with the output's whole seconds.
std::string VideoPostFilters(const TaskRecord& t);
// "afade=in:...,afade=out:..." as the sound fades ask, "" when none.
std::string AudioFades(const TaskRecord& t);

}  // namespace task
