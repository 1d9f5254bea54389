#pragma once
// targets.ini, the publishing targets, kept beside de.ini: made from the targets that ship
// with the program when missing, then the user's to edit. Read like de.ini (UTF-8, or GBK
// from a Windows editor); an entry that cannot be used is named and left out.
#include <string>

#include "task/targets.h"

namespace presets {

// The text of the targets that ship with the program (data/targets.ini).
const char* BuiltInTargetsText();

// "/targets.ini" in the settings folder (created when missing); "" when there is none, and
// then the shipped targets apply.
std::string TargetsPath();

// The targets of the file at `path`, written first from the shipped text when it is missing
// or empty. A file that cannot be read gives the shipped targets.
task::TargetFile LoadTargets(const std::string& path);

// LoadTargets(TargetsPath()), or the shipped targets without a settings folder.
task::TargetFile LocalTargets();

}  // namespace presets
