#include "support/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/media.h"

namespace testing_support {

const std::string& OwnProgramFolder() {
  static const std::string folder = [] {
    const std::string f = TempFolder() + "/program";
    plat::MakeDirs(f);
    return f;
  }();
  return folder;
}

const std::string& OwnFlipframe() {
  static const std::string binary = [] {
    namespace fs = std::filesystem;
    const std::string copy = OwnProgramFolder() + "/flipframe";
    std::error_code ec;
    fs::create_hard_link(FLIPFRAME_BINARY, copy, ec);
    if (ec) fs::copy_file(FLIPFRAME_BINARY, copy, fs::copy_options::overwrite_existing);
    return copy;
  }();
  return binary;
}

namespace {

// Set before the first test, so before any converter path is resolved or converter started.
class OwnProgramFolderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { plat::SetProgramFolderForTesting(OwnProgramFolder()); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new OwnProgramFolderEnvironment);

}  // namespace

}  // namespace testing_support
