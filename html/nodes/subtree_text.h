// The text of a subtree, built once, with the place of every element's own `text()` in it. A query that
// tests the text of many nested elements (`:contains`, `:matches`) would otherwise build each
// candidate's text again from its whole subtree, which on a deep chain costs the square of the page.
//
// An element's text is a span of the text its ancestors accumulate, except at its start: its own
// accumulation starts empty, so the white space it holds before its first other byte may differ from
// theirs, and trimming then strips more or less. What decides the outcome is only whether that white
// space is absent, a single space, or longer, and whether it ends with a space (which a mark after it
// can join); that space, when there is one, is also the byte just before in the ancestors' text, so
// the span can start there. Trimming is looked up in runs of strippable characters found once, so that
// elements sharing a long stretch of white space do not each walk it.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "html/nodes/text_accumulator.h"

namespace html {

class SubtreeText {
public:
    /// Bytes of `text()` that hold one element's text.
    struct Span {
        std::size_t begin;
        std::size_t end;
    };

    /// Builds the text of `root` and the spans of every element of its subtree.
    explicit SubtreeText(const Element& root);
    SubtreeText(const SubtreeText&) = delete;
    SubtreeText& operator=(const SubtreeText&) = delete;

    /// The root's text as accumulated, before its ends are trimmed.
    std::string_view text() const noexcept { return text_; }
    /// Where `element.text()` lies in `text()`; nullopt for an element outside the subtree, or when the
    /// text holds bytes that are not UTF-8 (only a document built by hand can), where spans are not kept.
    std::optional<Span> spanOf(const Element& element) const;
    /// `element.text()` as a view into `text()`, under the same conditions as `spanOf`.
    std::optional<std::string_view> textOf(const Element& element) const;

private:
    // What an element's own accumulation holds while it holds nothing but white space.
    enum class Lead : unsigned char { Empty, PieceOnly, OneSpace, EndsWithSpace, EndsWithOtherWhitespace };
    static constexpr std::size_t kLeads = 5;
    // The white space before the first other byte of an element's own text.
    enum class Before : unsigned char { Nothing, OneSpace, EndsWithSpace, EndsWithOtherWhitespace };

    struct Record {
        std::size_t end = 0;
        std::size_t content = std::string::npos;  // first byte that is not white space
        Before before = Before::Nothing;
        std::size_t next = kNone;  // next record in the same pending group
    };
    struct Group {
        std::size_t head = kNone;
        std::size_t tail = kNone;
    };
    using Runs = std::vector<std::pair<std::size_t, std::size_t>>;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void enter(const Node& node);
    void separate();
    void piece(std::string_view rest, std::size_t restPosition, bool leadingSpace, bool kept);
    void settle(std::size_t head, std::size_t content, Before before);
    void append(Group& group, std::size_t head, std::size_t tail);
    Span spanFor(const Record& record);
    Span trimmed(std::size_t begin, std::size_t end, bool stripping);
    void findRuns();
    std::size_t forwardStop(std::size_t position) const;
    std::size_t backwardStop(std::size_t position) const;

    detail::TextAccumulator accumulator_;  // while building
    std::string text_;
    bool exact_ = true;
    std::vector<Record> records_;
    std::unordered_map<const Element*, std::size_t> index_;
    std::vector<Span> spans_;
    // Elements whose text so far is white space, grouped by how that text ends.
    std::array<Group, kLeads> pending_{};
    // Runs of characters that trimming strips from the front, and from the back; found on first need.
    bool runsFound_ = false;
    Runs forwardRuns_;
    Runs backwardRuns_;
};

}  // namespace html
