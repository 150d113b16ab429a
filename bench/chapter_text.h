// Chapter text for the whole-job benchmark that reads like real chapters to a compressor: sentences
// drawn at random from a few thousand distinct ones, not a few phrases cycled, which deflate packs far
// better than any real book. The sentences are put together from word lists kept in the source, and the
// draws come from a fixed generator with a fixed seed, so every run serves the same book.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace novawick::bench {

/// Every distinct sentence the text is drawn from, in a fixed order; built once.
const std::vector<std::string>& chapterSentences();

/// A stream of paragraphs: the same seed gives the same paragraphs, on every machine and compiler.
class ChapterText {
public:
    /// The seed the whole-job benchmark uses.
    static constexpr std::uint64_t kSeed = 20261206;

    explicit ChapterText(std::uint64_t seed = kSeed) : state_(seed) {}

    /// The next paragraph: a full-width indent and one to five sentences.
    std::string paragraph();

    /// A draw from 0 to `bound` - 1.
    std::size_t below(std::size_t bound);

private:
    std::uint64_t next();

    std::uint64_t state_;
};

}  // namespace novawick::bench
