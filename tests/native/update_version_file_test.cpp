// The update description file and what the program makes of it.
#include "version_file.h"

#include <gtest/gtest.h>

#include <string>

namespace zel::test {
namespace {

using update::IsDifferentVersion;
using update::IsWebAddress;
using update::ParseVersionFile;
using update::PublishedVersion;

bool parse(const std::string& file, PublishedVersion& published) {
    return ParseVersionFile(reinterpret_cast<const unsigned char*>(file.data()), file.size(), published);
}

std::string version(const PublishedVersion& p) { return std::string(p.version, 4); }

TEST(VersionFile, ReadsTheFirstRecordOfThisProduct) {
    PublishedVersion p;
    ASSERT_TRUE(parse("OTHER01,2.00,http://other.example/\r\n"
                      "SATA01,1.15,2006/08/09,http://www.example.com/zelsata/\r\n"
                      "SATA01,9.99,http://second.example/\r\n",
                      p));
    EXPECT_EQ(version(p), "1.15");
    EXPECT_EQ(p.home, "http://www.example.com/zelsata/") << "without the CR LF";
}

TEST(VersionFile, FailsWithoutTagAddressOrLineEndAndLeavesTheResultAlone) {
    PublishedVersion p;
    p.home = "kept";
    EXPECT_FALSE(parse("http://before.example/\r\nSATA01,1.15,no address here\r\n", p)) << "an http before the tag";
    EXPECT_FALSE(parse("SATA01,1.15,http://bare.example/\n", p)) << "a bare LF";
    EXPECT_FALSE(parse("SATA01,1.15,http://end.example/", p)) << "end of file";
    EXPECT_FALSE(parse("SATA02,1.15,http://x.example/\r\n", p));
    EXPECT_FALSE(parse(std::string("SATA01,1.15,\0http://x.example/\r\n", 30), p)) << "the text ends at a zero";
    EXPECT_EQ(p.home, "kept");

    std::string late(4096 - 10, ' ');
    late += "SATA01,1.15,http://late.example/\r\n";
    EXPECT_FALSE(parse(late, p)) << "only the first 4096 bytes count";
    EXPECT_FALSE(ParseVersionFile(nullptr, 10, p));
}

TEST(VersionFile, AddressesLongerThanTheProgramKeepsAreRefusedNotCut) {
    PublishedVersion p;
    const std::string fits = "http://" + std::string(120, 'a');
    ASSERT_EQ(fits.size(), 127u);
    ASSERT_TRUE(parse("SATA01,1.15," + fits + "\r\n", p));
    EXPECT_EQ(p.home, fits);
    EXPECT_FALSE(parse("SATA01,1.15," + fits + "b\r\n", p));
}

TEST(VersionFile, AnyDifferenceCountsAndShortOwnVersionsNeverMatch) {
    const char published114[16] = "1.14";
    const char published113[16] = "1.13";
    EXPECT_FALSE(IsDifferentVersion(published114, "1.14"));
    EXPECT_FALSE(IsDifferentVersion(published114, "1.14.0.0")) << "four bytes only";
    EXPECT_TRUE(IsDifferentVersion(published113, "1.14")) << "an older one is offered too";
    const char published12[16] = "1.2x";
    EXPECT_TRUE(IsDifferentVersion(published12, "1.2")) << "the own terminator takes part";
    const char empty[16] = {};
    EXPECT_TRUE(IsDifferentVersion(empty, "1.14"));
}

TEST(VersionFile, OnlyWebAddressesGoToTheShell) {
    EXPECT_TRUE(IsWebAddress("http://www.example.com/zelsata/"));
    EXPECT_TRUE(IsWebAddress("HTTPS://example.com"));
    EXPECT_FALSE(IsWebAddress("httpevil.exe"));
    EXPECT_FALSE(IsWebAddress("http:evil.exe"));
    EXPECT_FALSE(IsWebAddress("http:///etc"));
    EXPECT_FALSE(IsWebAddress("http://"));
    EXPECT_FALSE(IsWebAddress("http://example.com/a b"));
    EXPECT_FALSE(IsWebAddress("http://example.com/\x07"));
    EXPECT_FALSE(IsWebAddress("http://example.com/\x83\x41"));
    EXPECT_FALSE(IsWebAddress(""));
    EXPECT_FALSE(IsWebAddress("http://" + std::string(121, 'a')));
    // Only the characters an address may carry, and complete %XX escapes.
    EXPECT_TRUE(IsWebAddress("http://example.com/a%20b;c?q=1&r=[x]+'!$*(,)~_-.@=#top"));
    for (const char* refused : {"http://example.com/\"x", "http://example.com/<b>", "http://example.com/a^b",
                                "http://example.com/{x}", "http://example.com/a|b", "http://example.com\\x",
                                "http://example.com/`x`", "http://example.com/%zz", "http://example.com/%4",
                                "http://example.com/%"})
        EXPECT_FALSE(IsWebAddress(refused)) << refused;
}

} // namespace
} // namespace zel::test
