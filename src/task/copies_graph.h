#pragma once
// Filter-graph text that lays a row of N foreground copies over the finished background
// picture [g1] (portrait sources on landscape output). Neighbouring copies are mirror
// images of each other.
#include <string>

namespace task {

// `label` is the foreground stream's label ("[v]" or an input label such as "[0:v]"),
// `count` the number of copies (1 or less gives one centred copy), `mirror` the tick of the
// mirror switch. The text has no trailing ";" and no output label.
std::string CopiesGraph(const std::string& label, int count, bool mirror);

}  // namespace task
