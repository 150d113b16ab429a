// What one selection learns about the subtree it searches. `:has`, `:contains` and `:matches` would
// otherwise walk or rebuild each candidate's whole subtree, which on nested elements costs the square
// of the page; through the context that work is done once for all candidates. Evaluators stay
// immutable and shareable: whatever they keep for one selection lives here, under their address.
//
// Shared text has a price: building the whole root's text costs more than the texts of a few small
// candidates. A selection builds candidates' texts one by one until they have covered a fixed amount
// of the tree, and only then the shared text.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "html/nodes/subtree_text.h"

namespace novawick::html {

class Element;
class Evaluator;

/// `SubtreeText::text()` in lower case, as `toLowerCase` gives it, with a map from places in the text
/// to places in the lower-case copy (some characters change their length).
class LowerCaseText {
public:
    explicit LowerCaseText(std::string_view text);

    const std::string& text() const noexcept { return lower_; }
    /// The place in `text()` of byte `position` of the original text (a character boundary).
    std::size_t placeOf(std::size_t position) const noexcept;
    /// True when the original holds a capital sigma, whose lower case depends on the letters around it:
    /// an element's text alone may then lower-case it differently.
    bool hasCapitalSigma() const noexcept { return hasCapitalSigma_; }
    /// False when ICU could not map the text (out of memory); `text()` is then not to be used.
    bool isComplete() const noexcept { return complete_; }

private:
    std::string lower_;
    bool complete_ = true;
    // (end of a change in the original, offset of everything after it): only changes of length.
    std::vector<std::pair<std::size_t, std::ptrdiff_t>> shifts_;
    bool hasCapitalSigma_ = false;
};

class MatchContext {
public:
    /// Nodes and bytes of text that candidates' texts built one by one may cover in one selection.
    /// Ordinary pages stay within it (their candidates are small or few); nested candidates soon
    /// exceed it, and the shared text then keeps the selection linear.
    static constexpr std::size_t kTextAloneAllowance = std::size_t{4} << 20;

    /// A context for a selection from `root`, or for testing elements of its subtree; a smaller
    /// `textAloneAllowance` turns to the shared text sooner (0: at once).
    explicit MatchContext(const Element& root, std::size_t textAloneAllowance = kTextAloneAllowance)
        : root_(root), textAloneLeft_(textAloneAllowance) {}
    MatchContext(const MatchContext&) = delete;
    MatchContext& operator=(const MatchContext&) = delete;

    const Element& root() const noexcept { return root_; }
    /// True while building candidates' texts one by one stays cheap: so far, and with `element`'s,
    /// they have covered fewer than kTextAloneAllowance nodes and bytes of text. Once false, false for
    /// the rest of the selection, which then reads texts from `text()`.
    bool buildsTextAlone(const Element& element);
    /// The text of the root's subtree, built on first use.
    SubtreeText& text();
    /// That text in lower case, built on first use.
    const LowerCaseText& lowerCaseText();

    /// Base of what an evaluator keeps for one selection.
    struct State {
        virtual ~State() = default;
    };
    /// The state `owner` keeps, made by `make()` on first use; one owner always asks for one type.
    template <class Kept, class Make>
    Kept& stateOf(const Evaluator& owner, Make&& make) {
        std::unique_ptr<State>& slot = states_[&owner];
        if (slot == nullptr) slot = make();
        return static_cast<Kept&>(*slot);
    }

private:
    const Element& root_;
    std::size_t textAloneLeft_;
    std::unique_ptr<SubtreeText> text_;
    std::unique_ptr<LowerCaseText> lowerCaseText_;
    std::unordered_map<const Evaluator*, std::unique_ptr<State>> states_;
};

}  // namespace novawick::html
