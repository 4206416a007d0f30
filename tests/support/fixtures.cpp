#include "support/fixtures.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace wuvo::test {

std::string FixturePath(const std::string& name)
{
    std::string path = std::string(WUVO_FIXTURE_DIR) + "/" + name;
    EXPECT_TRUE(std::filesystem::exists(path))
        << path << " is missing: run tests/fixtures/make_fixtures.sh " << WUVO_FIXTURE_DIR;
    return path;
}

std::string TestOutputDir()
{
    std::filesystem::create_directories(WUVO_TEST_OUTPUT_DIR);
    return WUVO_TEST_OUTPUT_DIR;
}

std::string FreshOutputFolder(const std::string& name)
{
    std::filesystem::path folder = std::filesystem::path(TestOutputDir()) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

}  // namespace wuvo::test
