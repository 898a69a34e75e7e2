#pragma once
// The real Access files in ../shared/samples/jet, beside the repository.
//
// A clone has no such folder: a test that reads the samples skips with one
// line saying why. In CI (CI=true) a missing folder fails the test instead,
// so the samples can never drop out unnoticed. QUORLIX_HIDE_SAMPLES=1 hides
// them, which is how CI proves that a newcomer's run passes.
//
// Such a test carries "Sample" in its suite or test name: ctest gives every
// test named so the label "samples" (ctest -L samples), and the check below
// fails a test that reads the samples under another name.
//
//   TEST(ReaderSamples, ReadsEveryTable)
//   {
//       QUORLIX_NEED_SAMPLES();
//       read(samplesFolder() / "testV1997.mdb");
//   }
//
// A test that reads the samples among files of its own calls samplesFolder()
// alone, which is empty when there are none, and counts what it found.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorlix::testing {

inline std::filesystem::path samplesFolder()
{
    const char* hide = std::getenv("QUORLIX_HIDE_SAMPLES");
    if (hide && std::string_view(hide) == "1")
        return {};
    const std::filesystem::path folder = std::filesystem::path(QUORLIX_SHARED_DIR) / "samples" / "jet";
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) ? folder : std::filesystem::path();
}

// "" when the samples are there; else why not, and whether that fails the test.
struct SamplesAbsence {
    std::string why;
    bool fails = false;
};

inline SamplesAbsence samplesAbsence()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    if (name.find("Sample") == std::string::npos)
        return {name + " reads the samples: put \"Sample\" in its name so that ctest -L samples runs it", true};
    if (!samplesFolder().empty())
        return {};
    const char* hide = std::getenv("QUORLIX_HIDE_SAMPLES");
    if (hide && std::string_view(hide) == "1")
        return {"samples hidden (QUORLIX_HIDE_SAMPLES=1)", false};
    const char* ci = std::getenv("CI");
    const std::string folder = (std::filesystem::path(QUORLIX_SHARED_DIR) / "samples" / "jet").lexically_normal();
    return {"needs the Access samples in " + folder + ", which are not beside this clone",
            ci && std::string_view(ci) == "true"};
}

} // namespace quorlix::testing

// Skips the test when the samples are missing (fails it in CI).
#define QUORLIX_NEED_SAMPLES()                                                                                  \
    do {                                                                                                       \
        const ::quorlix::testing::SamplesAbsence absence_ = ::quorlix::testing::samplesAbsence();               \
        if (absence_.fails)                                                                                    \
            FAIL() << absence_.why;                                                                            \
        if (!absence_.why.empty())                                                                             \
            GTEST_SKIP() << absence_.why;                                                                      \
    } while (false)
