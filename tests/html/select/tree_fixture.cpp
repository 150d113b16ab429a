// A strict markup reader over the document model's factories; see tree_fixture.h.
#include "tree_fixture.h"

#include <stdexcept>
#include <vector>

namespace selector_test {
namespace {

bool isNameByte(char c) {
    return c != ' ' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\n' && c != '\t';
}

class MarkupReader {
public:
    MarkupReader(std::string_view markup, novawick::html::Document& document) : markup_(markup), document_(document) {}

    void read() {
        std::vector<novawick::html::Element*> open{&document_};
        while (at_ < markup_.size()) {
            if (markup_.substr(at_, 4) == "<!--") {
                std::size_t end = markup_.find("-->", at_);
                if (end == std::string_view::npos) fail("unterminated comment");
                open.back()->appendChild(document_.createComment(markup_.substr(at_ + 4, end - at_ - 4)));
                at_ = end + 3;
            } else if (markup_.substr(at_, 2) == "</") {
                std::size_t end = markup_.find('>', at_);
                if (end == std::string_view::npos || open.size() < 2) fail("stray end tag");
                if (markup_.substr(at_ + 2, end - at_ - 2) != open.back()->tagName()) fail("mismatched end tag");
                open.pop_back();
                at_ = end + 1;
            } else if (markup_[at_] == '<') {
                readStartTag(open);
            } else {
                std::size_t end = markup_.find('<', at_);
                if (end == std::string_view::npos) end = markup_.size();
                open.back()->appendChild(document_.createText(markup_.substr(at_, end - at_)));
                at_ = end;
            }
        }
        if (open.size() != 1) fail("unclosed element");
    }

private:
    [[noreturn]] void fail(const char* why) const {
        throw std::invalid_argument(std::string("tree fixture: ") + why + " at " + std::to_string(at_));
    }

    std::string_view readName() {
        std::size_t start = at_;
        while (at_ < markup_.size() && isNameByte(markup_[at_])) ++at_;
        if (start == at_) fail("empty name");
        return markup_.substr(start, at_ - start);
    }

    void skipSpaces() {
        while (at_ < markup_.size() && (markup_[at_] == ' ' || markup_[at_] == '\n')) ++at_;
    }

    void readStartTag(std::vector<novawick::html::Element*>& open) {
        ++at_;
        novawick::html::Element* element = document_.createElement(readName(), novawick::html::ParseSettings::preserveCase());
        open.back()->appendChild(element);
        for (;;) {
            skipSpaces();
            if (at_ >= markup_.size()) fail("unterminated start tag");
            if (markup_.substr(at_, 2) == "/>") {
                at_ += 2;
                return;
            }
            if (markup_[at_] == '>') {
                ++at_;
                open.push_back(element);
                return;
            }
            std::string_view key = readName();
            if (at_ < markup_.size() && markup_[at_] == '=') {
                if (markup_.substr(at_ + 1, 1) != "\"") fail("unquoted attribute value");
                std::size_t end = markup_.find('"', at_ + 2);
                if (end == std::string_view::npos) fail("unterminated attribute value");
                element->attr(key, markup_.substr(at_ + 2, end - at_ - 2));
                at_ = end + 1;
            } else {
                element->attr(key, true);
            }
        }
    }

    std::string_view markup_;
    novawick::html::Document& document_;
    std::size_t at_ = 0;
};

}  // namespace

std::unique_ptr<novawick::html::Document> buildTree(std::string_view markup) {
    auto document = std::make_unique<novawick::html::Document>("http://example.com/");
    MarkupReader(markup, *document).read();
    return document;
}

std::string describe(const novawick::html::Elements& elements) {
    std::string out;
    for (const novawick::html::Element* element : elements) {
        if (!out.empty()) out += ' ';
        std::string_view id = element->id();
        out += id.empty() ? std::string(element->tagName()) : std::string(id);
    }
    return out;
}

}  // namespace selector_test
