// Iterative depth-first walks over a subtree, in document order. Each step moves to the first child,
// the next sibling, or up through the ancestors, following the tree's links, so a walk needs no stack
// and no recursion however deep the tree is.
//
// The visitor must not detach or move the node being visited or its ancestors within the subtree;
// changing attributes or text is fine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "html/nodes/element.h"
#include "html/nodes/node.h"

namespace novawick::html {

namespace detail {
/// The node after `node` in document order within the subtree of `root`, skipping `node`'s children
/// when `descend` is false; nullptr at the end. `depth` follows the moves.
inline Node* nextInSubtree(Node* node, const Node* root, bool descend, std::size_t& depth) noexcept {
    if (descend && node->isElement()) {
        if (Node* first = static_cast<Element*>(node)->firstChild()) {
            ++depth;
            return first;
        }
    }
    while (node != root) {
        if (Node* next = node->nextSibling()) return next;
        node = node->parentNode();
        if (node == nullptr) return nullptr;
        --depth;
    }
    return nullptr;
}
}  // namespace detail

/// What a visitor tells the walk to do next.
enum class WalkStep : std::uint8_t { Continue, SkipChildren, Stop };

/// Visits `root` and every node below it in document order. `visit(Node&)` may return void or a
/// `WalkStep`.
template <class Visitor>
void forEachNode(Node& root, Visitor&& visit) {
    std::size_t depth = 0;
    for (Node* node = &root; node != nullptr;) {
        bool descend = true;
        if constexpr (std::is_void_v<decltype(visit(*node))>) {
            visit(*node);
        } else {
            switch (visit(*node)) {
            case WalkStep::Continue: break;
            case WalkStep::SkipChildren: descend = false; break;
            case WalkStep::Stop: return;
            }
        }
        node = detail::nextInSubtree(node, &root, descend, depth);
    }
}

/// Visits every element of the subtree of `root`, `root` included, in document order. `visit(Element&)`
/// may return void or a `WalkStep`.
template <class Visitor>
void forEachElement(Element& root, Visitor&& visit) {
    forEachNode(root, [&visit](Node& node) {
        if (!node.isElement()) return WalkStep::Continue;
        auto& element = static_cast<Element&>(node);
        if constexpr (std::is_void_v<decltype(visit(element))>) {
            visit(element);
            return WalkStep::Continue;
        } else {
            return visit(element);
        }
    });
}

/// Calls `head(node, depth)` when a node is entered and `tail(node, depth)` when it is left, for
/// `root` and every node below it; `depth` is 0 at `root`. Suited to serialisation.
template <class Head, class Tail>
void traverse(Node& root, Head&& head, Tail&& tail) {
    std::size_t depth = 0;
    Node* node = &root;
    while (node != nullptr) {
        head(*node, depth);
        if (Node* first = node->isElement() ? static_cast<Element*>(node)->firstChild() : nullptr) {
            node = first;
            ++depth;
            continue;
        }
        // Leave the node, then every ancestor whose last child was just left.
        for (;;) {
            tail(*node, depth);
            if (node == &root) return;
            if (Node* next = node->nextSibling()) {
                node = next;
                break;
            }
            node = node->parentNode();
            if (node == nullptr) return;
            --depth;
        }
    }
}

}  // namespace novawick::html
