// The content decoders alone: the cap holds inside a single call however far a few bytes inflate, and
// the answer does not depend on where the network cut the body into pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "net/content_decoder.h"
#include "tests/support/content_coding.h"

namespace {

using novawick::net::ContentDecoder;
using novawick::net::DecodeStatus;
using novawick::testing::ContentCoding;
using novawick::testing::codingToken;
using novawick::testing::encodeBody;
using novawick::testing::encodeZeros;
using novawick::testing::zeroBlockBytes;

constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 40;

struct Decoded {
    DecodeStatus status = DecodeStatus::Ok;
    std::string output;
    bool complete = false;

    bool operator==(const Decoded&) const = default;
};

void PrintTo(const Decoded& decoded, std::ostream* out) {
    *out << "status " << static_cast<int>(decoded.status) << ", " << decoded.output.size() << " bytes \""
         << decoded.output.substr(0, 40) << "\", complete " << decoded.complete;
}

// Decodes `body` handed over in pieces that end at `cuts` (ascending offsets), as libcurl would.
Decoded decodeInPieces(std::string_view coding, std::string_view body, const std::vector<std::size_t>& cuts,
                       std::uint64_t limit = kNoLimit) {
    auto decoder = ContentDecoder::forCoding(coding);
    Decoded decoded;
    std::size_t start = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(body.size());
    for (const std::size_t end : ends) {
        decoded.status = decoder->decode(body.substr(start, end - start), decoded.output, limit);
        start = end;
        if (decoded.status != DecodeStatus::Ok) break;
    }
    decoded.complete = decoder->complete();
    return decoded;
}

std::string text(int lines) {
    std::string page;
    for (int line = 0; line < lines; ++line) page += "<p>第" + std::to_string(line) + "章 天下大势</p>\n";
    return page;
}

// The zlib wrapper around a deflate stream is two bytes in front and four behind.
std::string rawDeflate(std::string_view body) {
    const std::string wrapped = encodeBody(ContentCoding::Deflate, body);
    return wrapped.substr(2, wrapped.size() - 6);
}

struct SplitCase {
    const char* name;
    std::string coding;
    std::string body;
    std::string expected;
};

void PrintTo(const SplitCase& item, std::ostream* out) { *out << item.name; }

std::vector<SplitCase> splitCases() {
    const std::string first = text(12);
    const std::string second = text(5);
    const std::string gzipFirst = encodeBody(ContentCoding::Gzip, first);
    const std::string gzipSecond = encodeBody(ContentCoding::Gzip, second);
    return {
        {"identity", "", first, first},
        {"gzip", "gzip", gzipFirst, first},
        {"gzipTwoMembers", "gzip", gzipFirst + gzipSecond, first + second},
        {"gzipJunkThenMember", "gzip", gzipFirst + "junk" + gzipSecond, first},
        {"gzipStrayMagicByte", "gzip", gzipFirst + "\x1f", first},
        {"deflateZlibWrapped", "deflate", encodeBody(ContentCoding::Deflate, first), first},
        {"deflateRaw", "deflate", rawDeflate(first), first},
        {"brotli", "br", encodeBody(ContentCoding::Brotli, first), first},
        {"brotliThenJunk", "br", encodeBody(ContentCoding::Brotli, first) + "junk", first},
    };
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, EveryCutGivesTheSameBody) {
    const SplitCase& item = GetParam();
    const Decoded whole = decodeInPieces(item.coding, item.body, {});
    EXPECT_EQ(whole, (Decoded{DecodeStatus::Ok, item.expected, true}));
    for (std::size_t cut = 1; cut < item.body.size(); ++cut) {
        EXPECT_EQ(decodeInPieces(item.coding, item.body, {cut}), whole) << "cut at " << cut;
    }
    std::vector<std::size_t> everyByte(item.body.size() > 0 ? item.body.size() - 1 : 0);
    for (std::size_t index = 0; index < everyByte.size(); ++index) everyByte[index] = index + 1;
    EXPECT_EQ(decodeInPieces(item.coding, item.body, everyByte), whole) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Codings, SplitTest, testing::ValuesIn(splitCases()),
                         [](const testing::TestParamInfo<SplitCase>& testInfo) { return std::string(testInfo.param.name); });

TEST(StreamEndTest, AStreamCutShortIsIncompleteAndOneByteIsNoStream) {
    for (const ContentCoding coding : {ContentCoding::Gzip, ContentCoding::Deflate, ContentCoding::Brotli}) {
        const std::string encoded = encodeBody(coding, text(12));
        const std::string token(codingToken(coding));
        EXPECT_FALSE(decodeInPieces(token, encoded.substr(0, encoded.size() - 3), {}).complete) << token;
        EXPECT_FALSE(decodeInPieces(token, encoded.substr(0, 1), {}).complete) << token;
        EXPECT_TRUE(decodeInPieces(token, "", {}).complete) << token;
    }
}

class BombTest : public testing::TestWithParam<ContentCoding> {};

// Also proves the bombs are what they claim, so that the transfer tests built on them mean something.
TEST_P(BombTest, BombDecodesToItsZerosUnderALargeEnoughLimit) {
    constexpr std::uint64_t blocks = 24;
    const std::string bomb = encodeZeros(GetParam(), blocks);
    const Decoded decoded = decodeInPieces(codingToken(GetParam()), bomb, {bomb.size() / 3}, blocks * zeroBlockBytes);
    EXPECT_EQ(decoded.status, DecodeStatus::Ok);
    EXPECT_TRUE(decoded.complete);
    EXPECT_EQ(decoded.output.size(), blocks * zeroBlockBytes);
    EXPECT_EQ(std::count(decoded.output.begin(), decoded.output.end(), '\0'),
              static_cast<std::ptrdiff_t>(decoded.output.size()));
}

TEST_P(BombTest, CapHoldsWithinOneCallAndReservesNoMoreThanTheCap) {
    constexpr std::uint64_t limit = 3 * zeroBlockBytes + 12345;
    // 4 GiB: decoding it whole would take seconds and gigabytes, so only a cap that holds inside the
    // call lets this test finish.
    const std::string bomb = encodeZeros(GetParam(), 4096);
    std::string output;
    EXPECT_EQ(ContentDecoder::forCoding(codingToken(GetParam()))->decode(bomb, output, limit), DecodeStatus::TooLarge);
    EXPECT_LE(output.size(), limit);
    EXPECT_GT(output.size(), limit - 64 * 1024);
    EXPECT_LE(output.capacity(), limit);
}

INSTANTIATE_TEST_SUITE_P(Codings, BombTest,
                         testing::Values(ContentCoding::Gzip, ContentCoding::Deflate, ContentCoding::Brotli),
                         [](const testing::TestParamInfo<ContentCoding>& testInfo) {
                             return testInfo.param == ContentCoding::Brotli ? std::string("brotli")
                                                                        : std::string(codingToken(testInfo.param));
                         });

TEST(AppendWithinLimitTest, RefusesToPassTheLimitAndGrowsToItInOneStepWhenLarge) {
    std::string body;
    EXPECT_TRUE(novawick::net::appendWithinLimit(body, std::string(1000, 'a'), 1000));
    EXPECT_FALSE(novawick::net::appendWithinLimit(body, "b", 1000));
    EXPECT_EQ(body, std::string(1000, 'a'));

    // Past the doubling range the room for the whole limit is taken once: later appends copy nothing.
    constexpr std::uint64_t limit = 100 << 20;
    std::string large;
    const std::string step(1 << 20, 'x');
    while (large.size() < (20u << 20)) ASSERT_TRUE(novawick::net::appendWithinLimit(large, step, limit));
    EXPECT_EQ(large.capacity(), limit);
    const char* const storage = large.data();
    while (large.size() + step.size() <= limit) ASSERT_TRUE(novawick::net::appendWithinLimit(large, step, limit));
    EXPECT_EQ(large.data(), storage);
    EXPECT_FALSE(novawick::net::appendWithinLimit(large, step, limit));
}

}  // namespace
