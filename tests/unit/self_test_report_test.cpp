#include "selftest/self_test_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vesko {
namespace {

TEST(SelfTestReport, PassingPolicyGivesTheDocumentByteForByte) {
    const SelfTestOutcome outcome = runSelfTestChecks();
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(selfTestReportText(outcome.report),
              "{\n"
              "  \"product\": \"vesko-browser\",\n"
              "  \"version\": \"0.1.12\",\n"
              "  \"tests\": [\n"
              "    {\n"
              "      \"test\": \"portal_navigation_policy\",\n"
              "      \"pass\": true\n"
              "    }\n"
              "  ],\n"
              "  \"pass\": true\n"
              "}\n");
}

TEST(SelfTestReport, FailingCheckRecordsItsMessageAndCountsOnce) {
    auto report = newSelfTestReport();
    int failures = 0;
    runTestCase(report, "a", failures, [] {});
    runTestCase(report, "b", failures, [] { throw std::runtime_error("ASSERTION_FAILED"); });
    runTestCase(report, "c", failures, [] { throw std::out_of_range("INDEX"); });
    EXPECT_EQ(failures, 2);
    ASSERT_EQ(report["tests"].size(), 3u);
    EXPECT_EQ(report["tests"][0].dump(), R"({"test":"a","pass":true})");
    EXPECT_EQ(report["tests"][1].dump(), R"({"test":"b","pass":false,"error":"ASSERTION_FAILED"})");
    EXPECT_EQ(report["tests"][2].dump(), R"({"test":"c","pass":false,"error":"INDEX"})");
}

TEST(SelfTestReport, NonStandardExceptionsAreNotSwallowed) {
    auto report = newSelfTestReport();
    int failures = 0;
    EXPECT_THROW(runTestCase(report, "odd", failures, [] { throw 42; }), int);
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace vesko
