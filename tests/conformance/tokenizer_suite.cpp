// The html5lib tokenizer suite. Every test of every *.test file runs once per initial state; the token
// stream is compared, never the errors (the files hold WHATWG error codes, this tokeniser records
// messages).
//
// Normalisations applied to both sides before comparing:
// - adjacent character tokens are joined and empty character data is dropped;
// - tag names and attribute names are compared lower-cased (as the tree builder stores them); when
//   two attribute names become equal that way the later value is kept, like a repeated attribute;
// - a DOCTYPE name or identifier that is null counts as empty;
// - with doubleEscaped, "\uHHHH" escapes are decoded on both sides; surrogate pairs become their
//   scalar and a lone surrogate becomes U+FFFD, which is also what this tokeniser reads for input
//   that cannot be a scalar.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/utf8.h"
#include "html/parser/character_reader.h"
#include "html/parser/parse_error.h"
#include "html/parser/token.h"
#include "html/parser/tokeniser.h"
#include "tests/conformance/conformance_suites.h"

namespace novawick::conformance {
namespace {

using nlohmann::json;

std::optional<html::TokeniserState> initialState(std::string_view name) {
    if (name == "Data state") return html::TokeniserState::Data;
    if (name == "PLAINTEXT state") return html::TokeniserState::PLAINTEXT;
    if (name == "RCDATA state") return html::TokeniserState::Rcdata;
    if (name == "RAWTEXT state") return html::TokeniserState::Rawtext;
    if (name == "Script data state") return html::TokeniserState::ScriptData;
    if (name == "CDATA section state") return html::TokeniserState::CdataSection;
    return std::nullopt;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads "\uHHHH" at `at`, or -1.
long escapeAt(const std::string& text, std::size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
    long value = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int digit = hexValue(text[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

std::string decodeDoubleEscapes(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const long unit = escapeAt(text, at);
        if (unit < 0) {
            out.push_back(text[at++]);
            continue;
        }
        at += 6;
        char32_t scalar = static_cast<char32_t>(unit);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const long low = escapeAt(text, at);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                scalar = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
                at += 6;
            }
        }
        utf8::append(out, scalar);  // lone surrogates come out as U+FFFD
    }
    return out;
}

void decodeStrings(json& value) {
    if (value.is_string()) {
        value = decodeDoubleEscapes(value.get<std::string>());
    } else if (value.is_array()) {
        for (json& item : value) decodeStrings(item);
    } else if (value.is_object()) {
        json decoded = json::object();
        for (auto& [key, item] : value.items()) {
            json copy = item;
            decodeStrings(copy);
            decoded[decodeDoubleEscapes(key)] = copy;
        }
        value = decoded;
    }
}

std::string lower(std::string_view text) { return html::lowerCaseName(text); }

void appendCharacters(json& tokens, std::string_view data) {
    if (data.empty()) return;
    if (!tokens.empty() && tokens.back()[0] == "Character") {
        tokens.back()[1] = tokens.back()[1].get<std::string>() + std::string(data);
        return;
    }
    tokens.push_back(json::array({"Character", std::string(data)}));
}

json stringOrEmpty(const json& value) { return value.is_null() ? json("") : value; }

// The expected tokens with the same normalisations as ours.
json normaliseExpected(const json& output) {
    json tokens = json::array();
    for (const json& token : output) {
        const std::string kind = token[0];
        if (kind == "Character") {
            appendCharacters(tokens, token[1].get<std::string>());
        } else if (kind == "DOCTYPE") {
            tokens.push_back(json::array({"DOCTYPE", stringOrEmpty(token[1]), stringOrEmpty(token[2]),
                                          stringOrEmpty(token[3]), token[4]}));
        } else if (kind == "StartTag") {
            json attributes = json::object();
            for (auto& [key, value] : token[2].items()) attributes[lower(key)] = value;
            json copy = json::array({"StartTag", lower(token[1].get<std::string>()), attributes});
            if (token.size() > 3 && token[3] == true) copy.push_back(true);
            tokens.push_back(copy);
        } else if (kind == "EndTag") {
            tokens.push_back(json::array({"EndTag", lower(token[1].get<std::string>())}));
        } else {
            tokens.push_back(token);
        }
    }
    return tokens;
}

json tokenJson(const html::Token& token) {
    switch (token.type()) {
        case html::TokenType::Doctype: {
            const auto& doctype = token.asDoctype();
            return json::array({"DOCTYPE", doctype.name, doctype.publicIdentifier, doctype.systemIdentifier,
                                !doctype.forceQuirks});
        }
        case html::TokenType::StartTag: {
            const auto& tag = token.asTag();
            json attributes = json::object();
            for (const html::TokenAttribute& attribute : tag.attributes())
                attributes[lower(attribute.name)] = attribute.value;
            json result = json::array({"StartTag", tag.normalName(), attributes});
            if (tag.isSelfClosing()) result.push_back(true);
            return result;
        }
        case html::TokenType::EndTag: return json::array({"EndTag", token.asTag().normalName()});
        case html::TokenType::Comment: return json::array({"Comment", token.asComment().data});
        case html::TokenType::Char: return json::array({"Character", std::string(token.asCharacter().text())});
        case html::TokenType::EndOfFile: return json();
    }
    return json();
}

// Our tokens for one run, or a description of why the run broke off.
json tokenise(const std::string& input, html::TokeniserState state, const json& lastStartTag, std::string& problem) {
    html::CharacterReader reader(input);
    html::ParseErrorList errors = html::ParseErrorList::tracking(64);
    html::Tokeniser tokeniser(reader, &errors);
    tokeniser.transition(state);
    if (lastStartTag.is_string()) tokeniser.setLastStartTag(lastStartTag.get<std::string>());
    json tokens = json::array();
    const std::size_t limit = input.size() * 4 + 16;
    try {
        for (std::size_t count = 0; count < limit; ++count) {
            const html::Token& token = tokeniser.read();
            if (token.isEOF()) return tokens;
            if (token.isCharacter())
                appendCharacters(tokens, token.asCharacter().text());
            else
                tokens.push_back(tokenJson(token));
        }
        problem = "no end-of-file token";
    } catch (const std::exception& error) {
        problem = std::string("exception: ") + error.what();
    }
    return tokens;
}

struct FileRun {
    std::string fileName;
    const std::map<std::string, std::string>& expected;
    std::map<std::string, bool>& seen;
    SuiteTally& tally;
    bool printDifferences;
};

void runCase(FileRun& run, std::size_t index, json test, const std::string& stateName) {
    const std::string key = run.fileName + " " + std::to_string(index) + " " + stateName;
    const auto state = initialState(stateName);
    if (test.value("doubleEscaped", false)) {
        decodeStrings(test["input"]);
        decodeStrings(test["output"]);
    }
    std::string problem;
    const json actual = state ? tokenise(test["input"].get<std::string>(), *state,
                                         test.value("lastStartTag", json()), problem)
                              : json();
    if (!state) problem = "unknown initial state";
    const json expected = normaliseExpected(test["output"]);
    const bool same = problem.empty() && actual == expected;
    const auto listed = run.expected.find(key);
    if (listed != run.expected.end()) {
        run.seen[key] = true;
        if (same) {
            ++run.tally.failed;
            std::cout << "FAIL " << key << ": listed as an expected difference but passes\n";
        } else {
            ++run.tally.skipped;
        }
        return;
    }
    if (same) {
        ++run.tally.passed;
        return;
    }
    ++run.tally.failed;
    std::cout << "FAIL " << key << ": " << test.value("description", "") << "\n    input    "
              << json(test["input"]).dump() << "\n    expected " << expected.dump() << "\n    actual   "
              << actual.dump() << (problem.empty() ? "" : "\n    " + problem) << "\n";
    if (run.printDifferences) std::cout << "DIFF tokenizer | " << key << " | " << test.value("description", "") << "\n";
}

}  // namespace

int runTokenizerSuite(const std::filesystem::path& dir, bool printDifferences) {
    const std::map<std::string, std::string> expected = loadExpectedDifferences("tokenizer");
    std::map<std::string, bool> seen;
    SuiteTally tally;
    const std::vector<std::filesystem::path> files = suiteFiles(dir, ".test", "html5lib tokenizer tests");
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        const json document = json::parse(in, nullptr, false);
        FileRun run{path.filename().string(), expected, seen, tally, printDifferences};
        const json& tests = document.contains("tests") ? document["tests"] : document["xmlViolationTests"];
        if (document.is_discarded() || !tests.is_array()) {
            std::cout << "FAIL " << run.fileName << ": unreadable test file\n";
            ++tally.failed;
            continue;
        }
        for (std::size_t index = 0; index < tests.size(); ++index) {
            const json states = tests[index].value("initialStates", json::array({"Data state"}));
            for (const json& state : states) runCase(run, index, tests[index], state.get<std::string>());
        }
    }
    for (const auto& [key, reason] : expected) {
        if (seen.count(key) != 0) continue;
        ++tally.failed;
        std::cout << "FAIL " << key << ": listed as an expected difference but no such case\n";
    }
    return tally.finish();
}

}  // namespace novawick::conformance
