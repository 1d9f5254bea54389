#pragma once
#include <functional>
#include <string>

namespace task {

using ExistsFn = std::function<bool(const std::string&)>;

// Output naming. With suffix "_tmp": stem + "_tmp" + extension, or stem + "_tmp_" + k +
// extension for the first k that is free. With any other suffix (the batch runner passes
// ""), the part from "_tmp" on is replaced and the name is stem + "_" + k + extension for
// the first k = 1, 2, ... that names neither a file nor a folder.
std::string OutputName(const std::string& path, const std::string& suffix, const std::string& extension,
                       const ExistsFn& exists);

// `path` with `addition` put before the extension of its file name ("a/clip.mp4", "_1x1":
// "a/clip_1x1.mp4").
std::string WithNameAddition(const std::string& path, const std::string& addition);

}  // namespace task
