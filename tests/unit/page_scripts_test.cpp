#include "page/page_scripts.h"

#include <string>

#include <gtest/gtest.h>

#include "policy/compiled_config.h"

namespace vesko {
namespace {

std::size_t count(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string_view::npos; at += what.size()) ++n;
    return n;
}

TEST(PageScripts, DocumentScriptJoinsThePiecesInOrderWithNothingBetween) {
    for (std::string_view zone : {std::string_view{}, std::string_view{"var z = 1 // no final line break"}}) {
        SCOPED_TRACE(zone);
        const std::string script = documentScript(zone);
        EXPECT_EQ(script, std::string(zone) + std::string(pageActivityText()) + std::string(dirtyMarkerText()));
    }
}

TEST(PageScripts, BlocksAreSeparatedAndEachGuardedByThePortalHost) {
    const std::string_view activity = pageActivityText();
    const std::string_view dirty = dirtyMarkerText();
    // Three blocks, each introduced by ";" and one empty line apart; the text ends with a
    // line break and an empty line.
    ASSERT_TRUE(activity.starts_with(";(() => {"));
    EXPECT_EQ(count(activity, "\n\n;(() => {"), 2u);
    EXPECT_TRUE(activity.ends_with("})();\n\n"));
    EXPECT_FALSE(activity.ends_with("\n\n\n"));
    EXPECT_TRUE(dirty.starts_with("\n;(() => {"));
    EXPECT_TRUE(dirty.ends_with("})();\n"));
    EXPECT_FALSE(dirty.ends_with("\n\n"));

    // The host is filled in, once per block, and no placeholder is left.
    const std::string guard = "if (location.hostname !== '" + std::string(config::kPortalHost) + "') return;";
    EXPECT_EQ(count(activity, guard), 3u);
    EXPECT_EQ(count(dirty, guard), 1u);
    EXPECT_EQ(count(activity, "@VESKO_"), 0u);
    EXPECT_EQ(count(dirty, "@VESKO_"), 0u);
    // Each guard is the first statement of its block, before anything runs.
    for (std::size_t at = 0; (at = activity.find(";(() => {", at)) != std::string_view::npos; ++at) {
        const std::string_view block = activity.substr(at);
        EXPECT_LT(block.find(guard), block.find("const ")) << at;
    }
}

TEST(PageScripts, TextsAreUtf8WithTheBadgeEllipsisAsTheOnlyNonAscii) {
    const std::string_view activity = pageActivityText();
    std::size_t nonAscii = 0;
    for (unsigned char c : activity) nonAscii += c >= 0x80;
    EXPECT_EQ(nonAscii, 3u);
    EXPECT_EQ(count(activity, "Po ngarkohet\xe2\x80\xa6"), 1u);
    for (unsigned char c : dirtyMarkerText()) EXPECT_LT(c, 0x80);
    EXPECT_EQ(activity.find('\r'), std::string_view::npos);
    EXPECT_EQ(activity.find('\0'), std::string_view::npos);
}

}  // namespace
}  // namespace vesko
