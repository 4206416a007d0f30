#pragma once

#include <string>

namespace wuvo::test {

// Full path of a generated test video; fails the calling test when the file
// is missing (the make_fixtures test makes them before any other test runs).
std::string FixturePath(const std::string& name);

// A folder of the build tree where tests leave files for a person to look at.
std::string TestOutputDir();

// An empty folder of that name under TestOutputDir(). Tests run side by side,
// so each test needs a name of its own.
std::string FreshOutputFolder(const std::string& name);

}  // namespace wuvo::test
