// The builder's pointer set against std::set under a long random run of inserts and erases, so that
// erasing from probe chains that wrap around the table end is covered along with growth.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "html/parser/pointer_set.h"

namespace novawick::html::test {
namespace {

TEST(PointerSet, AgreesWithAStandardSetThroughInsertsErasesAndGrowth) {
    // Adjacent addresses collide in few home slots, so long chains form and wrap.
    std::vector<int> pool(300);
    PointerSet<int> set;
    std::set<const int*> expected;
    std::mt19937 random(12345);
    for (int step = 0; step < 60000; ++step) {
        const int* pointer = &pool[random() % pool.size()];
        switch (random() % 3) {
        case 0: EXPECT_EQ(set.insert(pointer), expected.insert(pointer).second); break;
        case 1: EXPECT_EQ(set.erase(pointer), expected.erase(pointer) == 1); break;
        default: EXPECT_EQ(set.contains(pointer), expected.count(pointer) == 1); break;
        }
        ASSERT_EQ(set.size(), expected.size()) << "step " << step;
    }
    for (const int& value : pool) EXPECT_EQ(set.contains(&value), expected.count(&value) == 1);
    EXPECT_FALSE(set.contains(nullptr));
    EXPECT_FALSE(set.erase(nullptr));
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(&pool[0]));
    EXPECT_TRUE(set.insert(&pool[0]));
}

}  // namespace
}  // namespace novawick::html::test
