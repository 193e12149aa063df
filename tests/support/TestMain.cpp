// The test programs' main. A program in which every test that ran was
// skipped (no corpus beside the project, a native reader not installed)
// exits with 77, which ctest shows as skipped rather than passed. A crash is
// reported with its stack before the program ends.
#include <gtest/gtest.h>

#include "support/CrashReport.h"

namespace {

constexpr int kAllSkipped = 77;

}  // namespace

int main(int argc, char** argv) {
    kypcx_test::InstallCrashReport();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    if (result == 0 && run.skipped_test_count() > 0 && run.successful_test_count() == 0) return kAllSkipped;
    return result;
}
