// The form encoding of the search post: the separators of a form body are encoded, the rest of the query
// set is kept.
#include "pages/requests.h"

#include <gtest/gtest.h>

namespace novawick::pages {
namespace {

TEST(QueryParameterString, EncodesFormSeparatorsAndKeepsTheRestOfTheQuerySet) {
    struct Case {
        FormTable table;
        const char* expected;
    } cases[] = {
        {{{"show", "writer,title"}}, "show=writer,title"},
        {{{"k", "a b&c"}}, "k=a%20b%26c"},
        {{{"searchkey", "C++ & 你"}}, "searchkey=C%2B%2B%20%26%20%E4%BD%A0"},
        {{{"a=b", "1%2"}}, "a%3Db=1%252"},
        {{{"Submit22", "搜索"}}, "Submit22=%E6%90%9C%E7%B4%A2"},
        {{{"x", "/?:@!$'()*;,-._~"}}, "x=/?:@!$'()*;,-._~"},
        {{}, ""},
        {{{"a", "1"}, {"b", ""}}, "a=1&b="},
    };
    for (const Case& c : cases) EXPECT_EQ(queryParameterString(c.table), c.expected);
}

}  // namespace
}  // namespace novawick::pages
