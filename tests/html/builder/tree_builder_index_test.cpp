// The stack of open elements and the list of active formatting elements answer their questions from
// position indexes. These tests drive both through random operations, the middle-of-stack changes
// of the adoption agency included, and compare every answer with a plain walk of the entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/parser/tree_builder_formatting.h"
#include "html/parser/tree_builder_open_elements.h"

namespace {

using novawick::html::Element;
using novawick::html::OpenElementStack;
using novawick::html::StackKind;
using novawick::html::TagId;

constexpr std::array<std::string_view, 12> kNames = {"html", "body", "p",      "div", "table", "td",
                                                     "b",    "i",    "option", "li",  "x-own", "span"};

bool inKind(StackKind kind, TagId id) {
    namespace tags = novawick::html::tags;
    switch (kind) {
        case StackKind::DefaultScopeStop: return tags::kDefaultScopeStops.contains(id);
        case StackKind::ListItemScopeStop: return (tags::kDefaultScopeStops | tags::kListItemScopeExtras).contains(id);
        case StackKind::ButtonScopeStop: return (tags::kDefaultScopeStops | tags::kButtonScopeExtras).contains(id);
        case StackKind::TableScopeStop: return tags::kTableScopeStops.contains(id);
        case StackKind::SelectScopeStop: return !tags::kSelectScopeTags.contains(id);
        case StackKind::Special: return tags::kSpecialTags.contains(id);
        case StackKind::ListWalkStop: return tags::kSpecialTags.without(tags::kListWalkExceptions).contains(id);
        case StackKind::ResetMode: return tags::kResetModeTags.contains(id);
    }
    return false;
}

std::ptrdiff_t naiveTopmost(const std::vector<Element*>& stack, auto matches) {
    for (std::size_t i = stack.size(); i > 0; --i) {
        if (matches(stack[i - 1])) return static_cast<std::ptrdiff_t>(i - 1);
    }
    return OpenElementStack::kNone;
}

void expectSameAnswers(const OpenElementStack& stack, const std::vector<Element*>& model,
                       const std::vector<Element*>& everyElement) {
    ASSERT_EQ(stack.size(), model.size());
    for (std::string_view name : kNames) {
        EXPECT_EQ(stack.topmost(name), naiveTopmost(model, [&](Element* e) { return e->tagName() == name; })) << name;
    }
    for (std::size_t kind = 0; kind < novawick::html::kStackKindCount; ++kind) {
        const auto stackKind = static_cast<StackKind>(kind);
        EXPECT_EQ(stack.topmost(stackKind),
                  naiveTopmost(model, [&](Element* e) { return inKind(stackKind, novawick::html::tagIdOf(e->tagName())); }))
            << kind;
    }
    // The elements on the stack, and the latest ones made (most of them popped or never pushed).
    const std::size_t recent = std::min<std::size_t>(everyElement.size(), 16);
    for (auto it = everyElement.end() - static_cast<std::ptrdiff_t>(recent); it != everyElement.end(); ++it) {
        EXPECT_EQ(stack.contains(*it), std::find(model.begin(), model.end(), *it) != model.end());
    }
    for (Element* element : model) EXPECT_TRUE(stack.contains(element));
}

TEST(OpenElementStackIndex, AgreesWithWalkingTheStack) {
    novawick::html::Document document("");
    std::mt19937 random(12345);
    OpenElementStack stack;
    std::vector<Element*> model;
    std::vector<Element*> everyElement;
    for (int step = 0; step < 4000; ++step) {
        const auto pick = [&](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
        Element* element = document.createElement(kNames[pick(kNames.size())]);
        everyElement.push_back(element);
        const std::size_t operation = model.empty() ? 0 : pick(6);
        if (operation <= 1) {
            stack.push(element);
            model.push_back(element);
        } else if (operation == 2) {
            EXPECT_EQ(stack.pop(), model.back());
            model.pop_back();
        } else if (operation == 3) {
            const std::size_t at = pick(model.size() + 1);
            stack.insertAt(at, element);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), element);
        } else if (operation == 4) {
            const std::size_t at = pick(model.size());
            stack.eraseAt(at);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            const std::size_t at = pick(model.size());
            stack.replaceAt(at, element);
            model[at] = element;
        }
        expectSameAnswers(stack, model, everyElement);
        if (::testing::Test::HasFailure()) FAIL() << "after step " << step;
    }
}

// The list, kept naively: nullptr is a marker.
struct NaiveList {
    std::vector<Element*> entries;

    static bool equal(const Element* left, const Element* right) {
        return left->tagName() == right->tagName() && left->attributes() == right->attributes();
    }
    void push(Element* element) {
        int count = 0;
        for (std::size_t i = entries.size(); i > 0 && entries[i - 1] != nullptr; --i) {
            if (equal(entries[i - 1], element) && ++count == 3) {
                entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i - 1));
                break;
            }
        }
        entries.push_back(element);
    }
    std::ptrdiff_t lastNamedAfterMarker(std::string_view name) const {
        for (std::size_t i = entries.size(); i > 0 && entries[i - 1] != nullptr; --i) {
            if (entries[i - 1]->tagName() == name) return static_cast<std::ptrdiff_t>(i - 1);
        }
        return novawick::html::ActiveFormattingElements::kNone;
    }
};

TEST(ActiveFormattingElementsIndex, AgreesWithWalkingTheList) {
    novawick::html::Document document("");
    std::mt19937 random(777);
    novawick::html::ActiveFormattingElements list;
    NaiveList model;
    constexpr std::array<std::string_view, 3> kFormatting = {"b", "i", "a"};
    for (int step = 0; step < 4000; ++step) {
        const auto pick = [&](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
        Element* element = document.createElement(kFormatting[pick(kFormatting.size())]);
        if (pick(3) == 0) element->attr("class", std::to_string(pick(2)));
        const std::size_t operation = pick(10);
        if (operation <= 5) {
            list.push(element);
            model.push(element);
        } else if (operation == 6) {
            list.pushMarker();
            model.entries.push_back(nullptr);
        } else if (operation == 7) {
            list.clearToLastMarker();
            while (!model.entries.empty()) {
                const bool marker = model.entries.back() == nullptr;
                model.entries.pop_back();
                if (marker) break;
            }
        } else if (!model.entries.empty()) {
            const std::size_t at = pick(model.entries.size());
            if (model.entries[at] == nullptr) continue;
            if (operation == 8) {
                list.removeAt(at);
                model.entries.erase(model.entries.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                Element* copy = document.createElement(model.entries[at]->tagName());
                list.replaceAt(at, copy);
                model.entries[at] = copy;
            }
        }
        ASSERT_EQ(list.size(), model.entries.size()) << "after step " << step;
        for (std::size_t i = 0; i < model.entries.size(); ++i) ASSERT_EQ(list.at(i), model.entries[i]) << step;
        for (std::string_view name : kFormatting) {
            ASSERT_EQ(list.lastNamedAfterMarker(novawick::html::tagIdOf(name)), model.lastNamedAfterMarker(name)) << step;
        }
    }
}

}  // namespace
