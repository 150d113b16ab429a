// The document arena's reuse of returned blocks, its growth, its owner-stamped pages, and the storage
// built on it (arena text, attribute lists in one block) where a view of the old contents feeds the new.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "html/nodes/arena.h"
#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/parser/parser.h"

namespace novawick::html::test {
namespace {

bool alignedTo(const void* pointer, std::size_t alignment) {
    return reinterpret_cast<std::uintptr_t>(pointer) % alignment == 0;
}

TEST(Arena, ReturnedSmallBlocksAreHandedOutAgainBySize) {
    Arena arena(nullptr, 0);
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
    Arena arena(nullptr, 0);
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
    Arena arena(nullptr, 0);
    EXPECT_THROW((void)arena.allocate(std::numeric_limits<std::size_t>::max() - 3, 8), std::bad_alloc);
    EXPECT_THROW((void)arena.allocate(8, std::size_t{1} << 30), std::bad_alloc);
    EXPECT_NE(arena.allocate(8, 8), nullptr);
}

TEST(Arena, ReservesLittleBeyondWhatALongRunOfSmallBlocksUses) {
    Arena arena(nullptr, 0);
    std::size_t used = 0;
    for (int i = 0; i < 200000; ++i) {
        ASSERT_NE(arena.allocate(40, 8), nullptr);
        used += 40;
    }
    EXPECT_LT(arena.bytesReserved(), used + used / 4 + (1u << 20));
}

TEST(ArenaText, AssignAndAppendKeepTextWhenFedFromItself) {
    Arena arena(nullptr, 0);
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

TEST(Arena, SmallBlocksStayInsidePagesThatNameTheirOwner) {
    int owner = 0;
    auto* document = reinterpret_cast<Document*>(&owner);  // only compared, never used
    Arena arena(document, 0);
    for (std::size_t bytes : {8u, 24u, 48u, 200u, 1000u, 1024u, 40u}) {
        for (int i = 0; i < 50; ++i) {
            auto* block = static_cast<char*>(arena.allocate(bytes, 8));
            const auto start = reinterpret_cast<std::uintptr_t>(block);
            EXPECT_EQ(start / Arena::kPageSize, (start + bytes - 1) / Arena::kPageSize) << bytes;
            EXPECT_EQ(Arena::ownerOf(block), document);
        }
    }
}

TEST(Arena, LargeBlocksGivenBackAreFreedAtOnce) {
    Arena arena(nullptr, 0);
    void* small = arena.allocate(16, 8);
    const std::size_t before = arena.bytesReserved();
    void* first = arena.allocate(100000, 8);
    void* second = arena.allocate(5000, 16);
    EXPECT_GT(arena.bytesReserved(), before + 105000);
    arena.deallocate(first, 100000, 8);
    arena.deallocate(second, 5000, 16);
    EXPECT_EQ(arena.bytesReserved(), before);
    arena.deallocate(small, 16, 8);
}

struct AttributeCase {
    std::string key;
    std::string value;
    bool isBoolean;
};

std::string listed(const Attributes& attributes) {
    std::string out;
    for (const Attribute attribute : attributes) {
        out += std::string(attribute.key()) + (attribute.isBoolean() ? "?" : "=");
        out += std::string(attribute.value()) + ";";
    }
    return out;
}

TEST(Attributes, ShortAndLongKeysAndValuesReadBackInOrder) {
    // Lengths either side of the one-byte limit of the stored lengths.
    const AttributeCase cases[] = {
        {"a", "", false},
        {"flag", "", true},
        {std::string(126, 'k'), "v", true},
        {std::string(127, 'l'), "w", true},
        {std::string(128, 'm'), std::string(254, 'x'), false},
        {"n", std::string(255, 'y'), false},
        {std::string(300, 'o'), std::string(70000, 'z'), false},
        {"class", "n", false},
    };
    Document doc("");
    Element* element = doc.createElement("p");
    Attributes heap;
    std::string expected;
    for (const AttributeCase& c : cases) {
        element->attributes().appendUnchecked(c.key, c.value, c.isBoolean);
        heap.appendUnchecked(c.key, c.value, c.isBoolean);
        expected += c.key + (c.isBoolean ? "?" : "=") + c.value + ";";
    }
    EXPECT_EQ(listed(element->attributes()), expected);
    EXPECT_EQ(listed(heap), expected);
    EXPECT_EQ(element->attributes().size(), std::size(cases));
    for (const AttributeCase& c : cases) {
        const std::optional<Attribute> found = element->attributes().find(c.key);
        ASSERT_TRUE(found.has_value()) << c.key.size();
        EXPECT_EQ(found->value(), c.value);
        EXPECT_EQ(found->isBoolean(), c.isBoolean);
    }
    // Each change that resizes a record keeps the others as they were.
    element->attributes().put(std::string(128, 'm'), "short");
    element->attributes().remove("n");
    element->attributes().put("a", std::string(400, 'q'));
    EXPECT_EQ(element->attributes().get(std::string(128, 'm')), "short");
    EXPECT_EQ(element->attributes().get("a"), std::string(400, 'q'));
    EXPECT_EQ(element->attributes().get(std::string(300, 'o')), std::string(70000, 'z'));
    EXPECT_FALSE(element->attributes().hasKey("n"));
    EXPECT_EQ(element->attributes().size(), std::size(cases) - 1);
}

TEST(Attributes, ViewsOfTheListItselfFeedItsChanges) {
    Document doc("");
    Element* element = doc.createElement("a");
    Attributes& attributes = element->attributes();
    attributes.put("href", "/a/long/value/past/any/small/buffer").put("title", "t");
    attributes.put("copy", attributes.get("href"));  // grows while reading itself
    attributes.put("href", attributes.get("href").substr(3, 4));  // shrinks from a view of itself
    attributes.put("title", attributes.get("copy").substr(0, 1));  // same size, from another record
    attributes.appendUnchecked(attributes.get("copy").substr(1, 2), attributes.get("title"));
    EXPECT_EQ(listed(attributes), "href=long;title=/;copy=/a/long/value/past/any/small/buffer;a/=/;");
}

TEST(Attributes, CopiesAndMovesKeepTheirOwnersMemory) {
    Document doc("");
    Element* element = doc.createElement("a");
    element->attr("href", "/x").attr("id", "main");
    Attributes copied(element->attributes());  // on the heap
    Attributes moved(std::move(element->attributes()));  // from the arena: copied, the element keeps its own
    EXPECT_EQ(listed(copied), "href=/x;id=main;");
    EXPECT_EQ(listed(moved), "href=/x;id=main;");
    element->attr("rel", "next");
    EXPECT_EQ(element->attributes().size(), 3u);
    Attributes stolen(std::move(copied));
    EXPECT_EQ(listed(stolen), "href=/x;id=main;");
    element->attributes() = stolen;  // into the arena
    stolen.put("href", "/y");
    EXPECT_EQ(listed(element->attributes()), "href=/x;id=main;");
    stolen = std::move(moved);
    EXPECT_EQ(listed(stolen), "href=/x;id=main;");
    EXPECT_TRUE(element->attributes() == stolen);
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
}  // namespace novawick::html::test
