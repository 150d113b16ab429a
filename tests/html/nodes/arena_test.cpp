// The document arena's reuse of returned blocks, its growth, and the storage built on it (arena
// text, attributes in one allocation) where a view of the old contents feeds the new.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "html/nodes/arena.h"
#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/parser/parser.h"

namespace html::test {
namespace {

bool alignedTo(const void* pointer, std::size_t alignment) {
    return reinterpret_cast<std::uintptr_t>(pointer) % alignment == 0;
}

TEST(Arena, ReturnedSmallBlocksAreHandedOutAgainBySize) {
    Arena arena(0);
    void* a = arena.allocate(24, 8);
    void* b = arena.allocate(20, 1);  // rounds to the same class as 24
    arena.deallocate(a, 24, 8);
    arena.deallocate(b, 20, 1);
    EXPECT_EQ(arena.allocate(17, 1), b);  // last returned first
    EXPECT_EQ(arena.allocate(24, 8), a);
    void* other = arena.allocate(40, 8);  // another class: fresh memory
    EXPECT_NE(other, a);
    EXPECT_NE(other, b);
}

TEST(Arena, HonoursAlignmentAndServesBlocksOfEverySize) {
    struct Case {
        std::size_t bytes;
        std::size_t alignment;
    };
    const Case cases[] = {{1, 1}, {7, 1}, {8, 8}, {3, 4}, {48, 16}, {5, 64}, {1024, 8}, {1025, 8},
                          {5000, 8}, {700000, 16}, {3 << 20, 8}, {13, 8}};
    Arena arena(0);
    std::vector<std::pair<unsigned char*, std::size_t>> blocks;
    for (const Case& c : cases) {
        auto* block = static_cast<unsigned char*>(arena.allocate(c.bytes, c.alignment));
        EXPECT_TRUE(alignedTo(block, std::max<std::size_t>(c.alignment, 8))) << c.bytes << " @" << c.alignment;
        std::fill(block, block + c.bytes, static_cast<unsigned char>(blocks.size()));
        blocks.emplace_back(block, c.bytes);
    }
    // No block overlaps another: each still holds its own fill.
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        for (std::size_t j = 0; j < blocks[i].second; ++j) ASSERT_EQ(blocks[i].first[j], i) << "block " << i;
    }
    EXPECT_GE(arena.bytesReserved(), (3u << 20) + 700000u);
}

TEST(Arena, RefusesRequestsTooLargeToRound) {
    Arena arena(0);
    EXPECT_THROW((void)arena.allocate(std::numeric_limits<std::size_t>::max() - 3, 8), std::bad_alloc);
    EXPECT_THROW((void)arena.allocate(8, std::size_t{1} << 30), std::bad_alloc);
    EXPECT_NE(arena.allocate(8, 8), nullptr);
}

TEST(Arena, ReservesLittleBeyondWhatALongRunOfSmallBlocksUses) {
    Arena arena(0);
    std::size_t used = 0;
    for (int i = 0; i < 200000; ++i) {
        ASSERT_NE(arena.allocate(40, 8), nullptr);
        used += 40;
    }
    EXPECT_LT(arena.bytesReserved(), used + used / 4 + (1u << 20));
}

TEST(ArenaText, AssignAndAppendKeepTextWhenFedFromItself) {
    Arena arena(0);
    ArenaText text;
    text.assign(arena, "abc");
    text.append(arena, text.view());  // grows while reading itself
    EXPECT_EQ(text.view(), "abcabc");
    for (int i = 0; i < 5; ++i) text.append(arena, text.view().substr(0, 4));
    EXPECT_EQ(text.view(), "abcabcabcaabcaabcaabcaabca");
    text.assign(arena, text.view().substr(2, 3));  // shrink from a view of itself
    EXPECT_EQ(text.view(), "cab");
    text.assign(arena, std::string(300, 'z'));
    EXPECT_EQ(text.view(), std::string(300, 'z'));
    text.assign(arena, "");
    EXPECT_EQ(text.view(), "");
    text.append(arena, "");
    EXPECT_EQ(text.view(), "");
}

TEST(Attribute, CopiesAndMovesAcrossArenasKeepKeyAndValue) {
    Arena first(0);
    Arena second(0);
    Attribute original("href", "/a/long/value/past/any/small/buffer", false, &first);
    Attribute copied(original, &second);
    Attribute onHeap(original);
    Attribute moved(std::move(copied), &first);  // different arena: copied, not stolen
    Attribute stolen(std::move(onHeap));
    for (const Attribute* attribute : {&original, &moved, &stolen}) {
        EXPECT_EQ(attribute->key(), "href");
        EXPECT_EQ(attribute->value(), "/a/long/value/past/any/small/buffer");
    }
    Attribute target("k", "v", true, &second);
    target = original;
    EXPECT_EQ(target, original);
    EXPECT_FALSE(target.isBoolean());
    target = std::move(moved);
    EXPECT_EQ(target.value(), "/a/long/value/past/any/small/buffer");
    target.setValue(target.value().substr(3, 4));  // a view of its own text
    EXPECT_EQ(target.value(), "long");
    target.setKey(target.key().substr(1));
    EXPECT_EQ(target.key(), "ref");
    EXPECT_EQ(target.value(), "long");
}

TEST(Attributes, ListGrowthInAnArenaKeepsEveryAttribute) {
    Arena arena(0);
    Attributes attributes(&arena);
    for (int i = 0; i < 100; ++i) attributes.put("key" + std::to_string(i), std::string(i, 'v'));
    ASSERT_EQ(attributes.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(attributes.get("key" + std::to_string(i)), std::string(i, 'v'));
}

TEST(Document, TextMergedFromManyRunsAndDeepTreesHoldTheirContent) {
    // Entity references split a text node into many appended runs.
    std::string page = "<p>";
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        page += "ab&amp;";
        expected += "ab&";
    }
    const auto document = parse(page);
    EXPECT_EQ(document->body()->text(), expected);
}

}  // namespace
}  // namespace html::test
