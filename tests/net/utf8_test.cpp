// Strict UTF-8: the boundaries of each sequence length and every class of ill-formed input.
#include "net/utf8.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool valid;
};

// Keeps test names in ctest short: the case name instead of a byte dump.
void PrintTo(const Utf8Case& item, std::ostream* out) { *out << item.name; }

class Utf8Test : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Test, Classifies) {
    EXPECT_EQ(novawick::net::isValidUtf8(GetParam().bytes), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Test,
    testing::Values(
        Utf8Case{"empty", "", true}, Utf8Case{"ascii with nul", std::string("a\0b", 3), true},
        Utf8Case{"chinese", "\xE6\x90\x9C\xE7\xB4\xA2", true}, Utf8Case{"two byte lowest", "\xC2\x80", true},
        Utf8Case{"three byte lowest", "\xE0\xA0\x80", true},
        Utf8Case{"last before surrogates", "\xED\x9F\xBF", true},
        Utf8Case{"first after surrogates", "\xEE\x80\x80", true},
        Utf8Case{"four byte lowest", "\xF0\x90\x80\x80", true},
        Utf8Case{"highest code point", "\xF4\x8F\xBF\xBF", true},
        Utf8Case{"latin-1 e acute", "caf\xE9", false}, Utf8Case{"lone continuation", "\x80", false},
        Utf8Case{"overlong two byte", "\xC0\xAF", false}, Utf8Case{"overlong C1 lead", "\xC1\xBF", false},
        Utf8Case{"overlong three byte", "\xE0\x9F\xBF", false},
        Utf8Case{"overlong four byte", "\xF0\x8F\xBF\xBF", false},
        Utf8Case{"surrogate high", "\xED\xA0\x80", false}, Utf8Case{"surrogate low", "\xED\xBF\xBF", false},
        Utf8Case{"past U+10FFFF", "\xF4\x90\x80\x80", false}, Utf8Case{"F5 lead", "\xF5\x80\x80\x80", false},
        Utf8Case{"FF byte", "\xFF", false}, Utf8Case{"truncated at end", "ab\xE6\x90", false},
        Utf8Case{"bad third byte", "\xE6\x90\x41", false},
        Utf8Case{"bad fourth byte", "\xF0\x90\x80\x41", false}),
    [](const testing::TestParamInfo<Utf8Case>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

}  // namespace
