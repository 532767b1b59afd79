// The self-test mode in-process, with the message box replaced by a recorder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/files.h"
#include "selftest/self_test_report.h"
#include "selftest/self_test_win.h"

namespace vesko {
namespace {

TEST(SelfTestMode, WritesTheReportBesideTheExecutableAndReportsSuccess) {
    const auto reportPath = exeDirectory() / L"Vesko_self_test.json";
    std::ofstream(reportPath, std::ios::binary) << "stale report that must be replaced entirely, not patched";
    std::vector<SelfTestMessage> shown;
    const int exitCode = runSelfTest([&](const SelfTestMessage& m) { shown.push_back(m); });
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].passed);
    EXPECT_EQ(shown[0].caption, L"Vesko Browser \u00B7 Self test");
    EXPECT_EQ(shown[0].text, L"Kontrollet kriptografike kaluan. Rezultati: Vesko_self_test.json.");

    std::ifstream in(reportPath, std::ios::binary);
    const std::string written(std::istreambuf_iterator<char>(in), {});
    in.close();
    EXPECT_EQ(written, selfTestReportText(runSelfTestChecks().report));
    std::filesystem::remove(reportPath);
}

}  // namespace
}  // namespace vesko
