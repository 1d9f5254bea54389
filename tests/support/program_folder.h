#pragma once
// Every test process gets a program folder of its own, so that converters started by one test
// carry an ownership mark no other test process shares, and the clean-ups of start-up, stops
// and trials (which end every converter of the program folder) never reach another test's.
// ctest runs each test as a process of its own, so tests may run side by side.
#include <string>

namespace testing_support {

// This process's program folder: set for the program's code in the test binary from the first
// moment on. A test that points the program elsewhere comes back to this one.
const std::string& OwnProgramFolder();

// The built flipframe, hard-linked (or, across file systems, copied) into OwnProgramFolder():
// the real binary takes the folder of /proc/self/exe as its program folder, which a symbolic
// link would resolve back to the build folder shared by every test.
const std::string& OwnFlipframe();

}  // namespace testing_support
