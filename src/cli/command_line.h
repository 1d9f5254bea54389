#pragma once
// The texts of `flipframe --help` and `flipframe --version`.
namespace app {

const char* HelpText();
const char* VersionText();  // "flipframe VERSION\n"

}  // namespace app
