// Differential check on real pages: the UTF-8 byte count of all character data under body (text and
// data nodes, whitespace-only ones and script/style contents included) must equal the figure that
// independent HTML5 parsers agree on, as recorded in the corpus MANIFEST. The one deliberate difference
// is computed exactly rather than tolerated: this parser keeps the line feed right after a `pre`,
// `listing` or `textarea` start tag, which the standard (and so the reference parsers) drops.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "html/nodes/document.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/traversal.h"
#include "html/parser/parser.h"
#include "tests/support/test_data.h"

namespace {

const std::filesystem::path kCorpus = novawick::testing::testDataFolder() / "corpus";

struct Expectation {
    std::string file;
    std::size_t bodyBytes;
};

// The rows of the MANIFEST's "body character data" table.
std::vector<Expectation> manifestExpectations() {
    std::istringstream manifest(
        novawick::testing::readTestData(kCorpus / "MANIFEST.md", "the corpus manifest with the reference body byte counts"));
    const std::regex row(R"(^\| ([A-Za-z0-9_./-]+\.html) \| (\d+) \|$)");
    std::vector<Expectation> rows;
    bool inTable = false;
    for (std::string line; std::getline(manifest, line);) {
        if (line.find("body character data") != std::string::npos) inTable = true;
        std::smatch match;
        if (inTable && std::regex_match(line, match, row)) rows.push_back({match[1], std::stoul(match[2])});
    }
    return rows;
}

struct BodyCount {
    std::size_t bytes = 0;
    std::size_t keptLeadingNewlines = 0;  // line feeds kept right after pre/listing/textarea start tags
};

bool dropsLeadingNewline(const novawick::html::Element& element) {
    const std::string_view name = element.tagNameNormal();
    return name == "pre" || name == "listing" || name == "textarea";
}

BodyCount countBody(novawick::html::Element& body) {
    BodyCount count;
    novawick::html::forEachNode(body, [&count](novawick::html::Node& node) {
        switch (node.kind()) {
            case novawick::html::NodeKind::Text:
                count.bytes += static_cast<novawick::html::TextNode&>(node).getWholeText().size();
                break;
            case novawick::html::NodeKind::Data:
                count.bytes += static_cast<novawick::html::DataNode&>(node).getWholeData().size();
                break;
            case novawick::html::NodeKind::Element:
            case novawick::html::NodeKind::FormElement: {
                auto& element = static_cast<novawick::html::Element&>(node);
                if (!dropsLeadingNewline(element) || !element.hasChildNodes()) break;
                const novawick::html::Node* first = element.childNodes().front();
                if (first->kind() == novawick::html::NodeKind::Text &&
                    static_cast<const novawick::html::TextNode*>(first)->getWholeText().starts_with('\n')) {
                    ++count.keptLeadingNewlines;
                }
                break;
            }
            case novawick::html::NodeKind::Document:
            case novawick::html::NodeKind::Comment:
            case novawick::html::NodeKind::DocumentType:
            case novawick::html::NodeKind::XmlDeclaration:
                break;
        }
    });
    return count;
}

TEST(CorpusText, ManifestListsEveryCorpusPage) {
    // Two novel pages, 23 documentation pages and the WHATWG source.
    EXPECT_EQ(manifestExpectations().size(), 26u);
}

TEST(CorpusText, BodyCharacterDataMatchesReferenceParsers) {
    const std::vector<Expectation> expectations = manifestExpectations();
    ASSERT_FALSE(expectations.empty()) << "the corpus manifest lists no page";
    for (const Expectation& expected : expectations) {
        SCOPED_TRACE(expected.file);
        const std::string page = novawick::testing::readTestData(kCorpus / expected.file, "a corpus page");
        const auto document = novawick::html::parse(page, "https://corpus.invalid/");
        novawick::html::Element* body = document->body();
        ASSERT_NE(body, nullptr);
        const BodyCount count = countBody(*body);
        EXPECT_EQ(count.bytes - count.keptLeadingNewlines, expected.bodyBytes)
            << "raw " << count.bytes << ", kept leading newlines " << count.keptLeadingNewlines;
    }
}

// The adjustment itself, on inputs whose reference counts are known by hand.
TEST(CorpusText, KeptNewlineAfterPreIsTheOnlyAdjustment) {
    struct Case {
        const char* html;
        std::size_t referenceBytes;  // what a standard HTML5 parser counts
    };
    const Case cases[] = {
        {"<body><pre>\nab</pre>", 2},
        {"<body><pre>\n\nab</pre>", 3},
        {"<body><pre>ab\n</pre>", 3},
        {"<body><listing>\nx</listing>", 1},
        {"<body><textarea>\nx</textarea>", 1},
        {"<body><pre><b>\n</b></pre>", 1},
        {"<body><p>\nx</p>", 2},
        {"<body><script>\nx</script><style>y</style>", 3},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.html);
        const auto document = novawick::html::parse(item.html);
        const BodyCount count = countBody(*document->body());
        EXPECT_EQ(count.bytes - count.keptLeadingNewlines, item.referenceBytes);
    }
}

}  // namespace
