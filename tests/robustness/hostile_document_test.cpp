// Documents built to hurt a parser: depth, width, size and bytes no page should hold. Each must parse,
// give its text and answer selections without running out of stack, and with results that show nothing
// was dropped. The sizes shrink under the sanitizers, which make every byte several times dearer.
#include "base/utf8.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/parser/parser.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define NOVAWICK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NOVAWICK_SANITIZED 1
#endif
#endif

namespace novawick::html {
namespace {

#ifdef NOVAWICK_SANITIZED
constexpr std::size_t kScale = 10;
#else
constexpr std::size_t kScale = 1;
#endif

constexpr std::size_t kMegabyte = 1024 * 1024;

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

#ifndef NOVAWICK_SANITIZED
// Peak resident memory, in bytes, of a child process that parses `page`, or 0 when the child could not
// finish. The child's address space is capped at `cap` bytes, so that a runaway parse fails there
// instead of taking the machine.
std::size_t peakMemoryOfParse(const std::string& page, std::size_t cap) {
    int channel[2];
    if (pipe(channel) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        try {
            std::unique_ptr<Document> document = parse(page);
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            const auto peak = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // ru_maxrss is in KiB
            _exit(write(channel[1], &peak, sizeof peak) == sizeof peak ? 0 : 1);
        } catch (const std::bad_alloc&) {
            _exit(1);
        }
    }
    close(channel[1]);
    std::uint64_t peak = 0;
    const bool read = child > 0 && ::read(channel[0], &peak, sizeof peak) == sizeof peak;
    close(channel[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    return read && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? static_cast<std::size_t>(peak) : 0;
}
#endif

// Formatting elements left open, then many short paragraphs: each paragraph reopens them, attributes
// included. The peak may be at most 100 times the page plus 64 MiB (measured without the sanitizers,
// whose shadow memory would swamp the figure).
TEST(HostileDocuments, ReopenedFormattingElementsStayWithinMemory) {
    const auto distinctTags = [](std::size_t tags, std::size_t paragraphs) {
        std::string page = "<p>";
        for (std::size_t i = 0; i < tags; ++i) page += "<b id=" + std::to_string(i) + ">";
        return page + repeated("<p>x</p>", paragraphs);
    };
    const std::string pages[] = {
        distinctTags(100'000 / kScale, 2'000 / kScale),
        distinctTags(20'000 / kScale, 500 / kScale),
        "<p><b title=\"" + std::string(kMegabyte / kScale, 'a') + "\">" + repeated("<p>x", 1'000 / kScale),
    };
    for (const std::string& page : pages) {
        SCOPED_TRACE(std::to_string(page.size()) + " bytes");
#ifdef NOVAWICK_SANITIZED
        std::unique_ptr<Document> document = parse(page);
        EXPECT_GT(document->select("p").size(), 1U);
#else
        const std::size_t limit = 100 * page.size() + 64 * kMegabyte;
        const std::size_t peak = peakMemoryOfParse(page, limit + 512 * kMegabyte);
        EXPECT_GT(peak, 0U) << "the parse ran out of memory";
        EXPECT_LE(peak, limit);
#endif
    }
}

TEST(HostileDocuments, AMillionNestedElements) {
    const std::size_t depth = 1'000'000 / kScale;
    std::unique_ptr<Document> document = parse(repeated("<div>", depth) + "deep");
    ASSERT_NE(document->body(), nullptr);
    EXPECT_EQ(document->body()->text(), "deep");
    EXPECT_EQ(document->select("div").size(), depth);
    EXPECT_EQ(document->select("div > div").size(), depth - 1);
    EXPECT_EQ(document->select("div:empty").size(), 0u);
    Element* deepest = document->select("div").last();
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->text(), "deep");
}

TEST(HostileDocuments, AMillionNestedElementsClosedAgain) {
    const std::size_t depth = 1'000'000 / kScale;
    std::unique_ptr<Document> document =
        parse(repeated("<span><p>", depth / 2) + "x" + repeated("</p></span>", depth / 2) + "<p id=after>after</p>");
    ASSERT_NE(document->body(), nullptr);
    EXPECT_EQ(document->select("#after").size(), 1u);
    EXPECT_NE(document->body()->text().find("after"), std::string::npos);
}

TEST(HostileDocuments, AHundredThousandUnclosedFormattingTags) {
    const std::size_t count = 100'000 / kScale;
    struct Case {
        const char* label;
        std::string html;
        const char* text;
    } cases[] = {
        {"identical", repeated("<b>", count) + "text", "text"},
        {"each different", [&] {
             std::string html;
             for (std::size_t i = 0; i < count; ++i) html += "<b id=b" + std::to_string(i) + ">";
             return html + "text";
         }(), "text"},
        {"mixed, closed out of order", repeated("<a><b><i><em>", count / 4) + "text" + repeated("</a></b>", count / 4),
         "text"},
        {"formatting across paragraphs", repeated("<p><b>x", count / 2) + repeated("</p>", count / 2), "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::unique_ptr<Document> document = parse(c.html);
        ASSERT_NE(document->body(), nullptr);
        EXPECT_NE(document->body()->text().find(c.text), std::string::npos);
        EXPECT_GT(document->select("b, i, a").size(), 0u);
    }
}

TEST(HostileDocuments, AHugeAttributeValue) {
    const std::size_t size = 100 * kMegabyte / kScale;
    std::string html = "<div title=\"";
    html.append(size, 'v');
    html += "\" id=x>inside</div><p>after</p>";
    std::unique_ptr<Document> document = parse(html);
    html.clear();
    html.shrink_to_fit();
    Element* div = document->select("div[title]").first();
    ASSERT_NE(div, nullptr);
    EXPECT_EQ(div->attr("title").size(), size);
    EXPECT_EQ(div->attr("id"), "x");
    EXPECT_EQ(document->select("[title^=vvv]").size(), 1u);
    EXPECT_EQ(document->body()->text(), "inside after");
}

TEST(HostileDocuments, FiftyMegabytesOfLessThanSigns) {
    const std::size_t size = 50 * kMegabyte / kScale;
    std::unique_ptr<Document> document = parse(std::string(size, '<'));
    ASSERT_NE(document->body(), nullptr);
    const std::string text = document->body()->text();
    EXPECT_EQ(text.size(), size);
    EXPECT_EQ(text.find_first_not_of('<'), std::string::npos);
    EXPECT_EQ(document->select("*").size(), 4u);  // the document, html, head and body
}

TEST(HostileDocuments, EveryByteValueInEveryPlace) {
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    const std::string places[] = {
        bytes,
        "<p>" + bytes + "</p>",
        "<p title=\"" + bytes + "\">x</p><p title='" + bytes + "'>y</p><p title=" + bytes + ">z</p>",
        "<" + bytes + ">text</" + bytes + ">",
        "<!--" + bytes + "-->" + "<!DOCTYPE " + bytes + ">",
        "<script>" + bytes + "</script><style>" + bytes + "</style><textarea>" + bytes + "</textarea>",
        "<title>" + bytes + "</title><plaintext>" + bytes,
        "<table><tr>" + bytes + "<td>" + bytes + "</table>",
        "<svg><![CDATA[" + bytes + "]]>" + bytes + "</svg><math>" + bytes + "</math>",
        "&" + bytes + ";&#" + bytes + ";&#x" + bytes + ";",
    };
    for (const std::string& html : places) {
        SCOPED_TRACE(::testing::PrintToString(html.substr(0, 24)));
        for (int rotation = 0; rotation < 256; rotation += 37) {
            std::string rotated = html;
            for (char& c : rotated) c = static_cast<char>(static_cast<unsigned char>(c) + rotation);
            const std::string* inputs[] = {&html, &rotated};
            for (const std::string* input : inputs) {
                std::unique_ptr<Document> document = parse(*input);
                const Element* body = document->body();
                const std::string text = body != nullptr ? body->text() : document->text();
                EXPECT_TRUE(novawick::utf8::isValid(text));
                (void)document->select("p[title], *:has(> p), td, script");
            }
        }
    }
}

}  // namespace
}  // namespace novawick::html
