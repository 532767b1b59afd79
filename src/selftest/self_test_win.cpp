#include "selftest/self_test_win.h"

#include <windows.h>

#include "base/files.h"
#include "selftest/self_test_report.h"

namespace vesko {

int runSelfTest(const SelfTestPresenter& present) {
    const SelfTestOutcome outcome = runSelfTestChecks();
    writeFileAtomic(exeDirectory() / std::string(kSelfTestReportName), selfTestReportText(outcome.report));
    const bool passed = outcome.failures == 0;
    present(SelfTestMessage{
        L"Vesko Browser \u00B7 Self test",
        passed ? L"Kontrollet kriptografike kaluan. Rezultati: Vesko_self_test.json."
               : L"Disa kontrolle d\u00EBshtuan. Shiko Vesko_self_test.json.",
        passed});
    return passed ? 0 : 1;
}

int runSelfTest() {
    return runSelfTest([](const SelfTestMessage& message) {
        MessageBoxW(nullptr, message.text.c_str(), message.caption.c_str(),
                    MB_OK | (message.passed ? MB_ICONINFORMATION : MB_ICONWARNING));
    });
}

}  // namespace vesko
