#include "ui/closed_tab_memory.h"

#include <string>

#include <gtest/gtest.h>

#include "policy/portal_policy.h"

namespace vesko {
namespace {

std::string portalUrl(const std::string& path) {
    return "https://" + std::string(PortalPolicy::portalHost()) + path;
}

TEST(ClosedTabMemory, KeepsOnlyPortalAddresses) {
    const std::string host(PortalPolicy::portalHost());
    const std::string refused[] = {"about:blank", "", "blob:" + portalUrl("/uuid"), "https://" + host + ":8443/",
                                   "https://" + host + ".evil.test/", "file:///C:/Windows/"};
    ClosedTabMemory memory;
    for (const auto& url : refused) memory.remember(url);
    EXPECT_TRUE(memory.empty());
    memory.remember("http://" + host + "/x?y#z");
    EXPECT_EQ(memory.newest(), "http://" + host + "/x?y#z");
}

TEST(ClosedTabMemory, ThirtyNewestAndReopenRule) {
    ClosedTabMemory memory;
    EXPECT_EQ(memory.newest(), std::nullopt);
    for (int i = 1; i <= 31; ++i) memory.remember(portalUrl("/" + std::to_string(i)));
    // The 31st pushed out the oldest.
    EXPECT_EQ(memory.size(), 30u);
    EXPECT_EQ(memory.urls().front(), portalUrl("/2"));
    EXPECT_EQ(memory.newest(), portalUrl("/31"));
    // A reopen that opened a tab forgets the address; the next one takes the one before.
    memory.forgetNewest();
    EXPECT_EQ(memory.newest(), portalUrl("/30"));
    for (int i = 0; i < 40; ++i) memory.forgetNewest();
    EXPECT_TRUE(memory.empty());
}

}  // namespace
}  // namespace vesko
