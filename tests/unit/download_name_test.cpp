#include "policy/download_name.h"

#include <string>

#include <gtest/gtest.h>

namespace vesko {
namespace {

struct Case {
    std::string_view input;
    std::string_view expected;
};

static constexpr Case kCases[] = {
    // Directory parts go, whichever separator the page used.
    {"C:\\Users\\a\\Downloads\\report.pdf", "report.pdf"},
    {"x/y/report.pdf", "report.pdf"},
    {"a/b\\c/d.txt", "d.txt"},
    {"..\\..\\evil.exe", "evil.exe"},
    // Forbidden characters become '_'.
    {"a<b>c?.pdf", "a_b_c_.pdf"},
    {"x:y\"z|w*.txt", "x_y_z_w_.txt"},
    {"a\tb\nc.txt", "a_b_c.txt"},
    {std::string_view("a\0b", 3), "a_b"},
    {"report.pdf:Zone.Identifier", "report.pdf_Zone.Identifier"},
    {"del\x7F.txt", "del\x7F.txt"},
    // Trailing dots and spaces, and what is left when nothing is.
    {"file. . .", "file"},
    {"report.pdf ", "report.pdf"},
    {"...", "KORDIS_document.pdf"},
    {".", "KORDIS_document.pdf"},
    {"..", "KORDIS_document.pdf"},
    {"dir/", "KORDIS_document.pdf"},
    {"dir/..", "KORDIS_document.pdf"},
    {"", "KORDIS_document.pdf"},
    {" . ", "KORDIS_document.pdf"},
    {".hidden", ".hidden"},
    {"\x01", "_"},
    // Device names in any case, with or without extensions.
    {"con", "_con"},
    {"CON.tar.gz", "_CON.tar.gz"},
    {"com1.txt", "_com1.txt"},
    {"LPT9", "_LPT9"},
    {"Nul.", "_Nul"},
    {"aux/prn.log", "_prn.log"},
    {"con .txt", "_con .txt"},
    {"com\xC2\xB9.txt", "_com\xC2\xB9.txt"},
    {"LPT\xC2\xB3", "_LPT\xC2\xB3"},
    {"com0.txt", "com0.txt"},
    {"com10.txt", "com10.txt"},
    {"console.txt", "console.txt"},
    {" con", " con"},
    {"co", "co"},
    {"com\xC2\xB4.txt", "com\xC2\xB4.txt"},
    {"con_1.txt", "con_1.txt"},
    {"con:", "con_"},
    // Non-ASCII names are kept as they are.
    {"\xC3\x87" "ertifikata \xC3\xAB.pdf", "\xC3\x87" "ertifikata \xC3\xAB.pdf"},
};

TEST(SanitizeDownloadName, Table) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.input)));
        EXPECT_EQ(sanitizeDownloadName(c.input), c.expected);
    }
}

TEST(SanitizeDownloadName, LongNamesAreCutAt180Bytes) {
    const std::string ascii(200, 'a');
    EXPECT_EQ(sanitizeDownloadName(ascii), ascii.substr(0, 180));

    // A two-byte character across the cut is dropped whole.
    const std::string splitTwo = std::string(179, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(sanitizeDownloadName(splitTwo), std::string(179, 'a'));

    // A four-byte character across the cut, one byte of it inside.
    const std::string splitFour = std::string(179, 'a') + "\xF0\x9F\x98\x80" + "tail";
    EXPECT_EQ(sanitizeDownloadName(splitFour), std::string(179, 'a'));

    // A character ending exactly at the cut stays.
    const std::string endsAtCut = std::string(177, 'a') + "\xE2\x82\xAC" + "tail";
    EXPECT_EQ(sanitizeDownloadName(endsAtCut), std::string(177, 'a') + "\xE2\x82\xAC");

    // Trailing dots are trimmed before the cut, so a cut may end in one.
    const std::string dotAtCut = std::string(179, 'a') + ".pdf";
    EXPECT_EQ(sanitizeDownloadName(dotAtCut), std::string(179, 'a') + ".");

    // The device prefix counts towards the limit.
    const std::string device = "con." + std::string(200, 'x');
    const std::string sanitized = sanitizeDownloadName(device);
    EXPECT_EQ(sanitized.size(), 180u);
    EXPECT_EQ(sanitized.substr(0, 5), "_con.");

    // Only the last component counts.
    EXPECT_EQ(sanitizeDownloadName(std::string(300, 'd') + "/short.txt"), "short.txt");
}

TEST(SanitizeDownloadName, BytesThatAreNotUtf8NeverEmptyTheName) {
    // Only a character that began before the cut is dropped; a run of stray
    // continuation bytes is cut like any other byte.
    const std::string continuation(200, '\x80');
    EXPECT_EQ(sanitizeDownloadName(continuation), std::string(180, '\x80'));
    const std::string lead(200, '\xC3');
    EXPECT_EQ(sanitizeDownloadName(lead), std::string(180, '\xC3'));
}

}  // namespace
}  // namespace vesko
