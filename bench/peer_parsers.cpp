// Parse-and-extract through each engine. The peers' text is the concatenation of the text nodes under
// body, gathered with an explicit stack (no recursion on hostile depth); this library's is
// `body()->text()`, which also normalises whitespace, so the peers do a little less work, not more.
#include "bench/peer_parsers.h"

#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <string>
#include <vector>

#include "html/nodes/document.h"
#include "html/parser/parser.h"

namespace novawick::bench {
namespace {

std::size_t parseNovawick(std::string_view page, bool withText) {
    const auto document = html::parse(page, "https://bench.invalid/");
    if (!withText) return document->childNodeSize();
    const html::Element* body = document->body();
    return body == nullptr ? 0 : body->text().size();
}

const GumboNode* gumboBody(const GumboNode* root) {
    if (root == nullptr || root->type != GUMBO_NODE_ELEMENT) return nullptr;
    const GumboVector& children = root->v.element.children;
    for (unsigned index = 0; index < children.length; ++index) {
        const auto* child = static_cast<const GumboNode*>(children.data[index]);
        if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == GUMBO_TAG_BODY) return child;
    }
    return nullptr;
}

std::string gumboText(const GumboNode* body) {
    std::string text;
    std::vector<const GumboNode*> stack{body};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
            text += node->v.text.text;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboVector& children = node->v.element.children;
            for (unsigned index = children.length; index > 0; --index) {
                stack.push_back(static_cast<const GumboNode*>(children.data[index - 1]));
            }
        }
    }
    return text;
}

std::size_t parseGumbo(std::string_view page, bool withText) {
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    std::size_t result = output->document->v.document.children.length;
    if (withText) {
        const GumboNode* body = gumboBody(output->root);
        result = body == nullptr ? 0 : gumboText(body).size();
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return result;
}

xmlNode* libxml2Body(xmlDoc* document) {
    xmlNode* root = xmlDocGetRootElement(document);
    if (root == nullptr) return nullptr;
    for (xmlNode* child = root->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && xmlStrEqual(child->name, reinterpret_cast<const xmlChar*>("body"))) return child;
    }
    return nullptr;
}

std::size_t parseLibxml2(std::string_view page, bool withText) {
    constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    xmlDoc* document = htmlReadMemory(page.data(), static_cast<int>(page.size()), "bench.html", "UTF-8", kOptions);
    if (document == nullptr) return 0;
    std::size_t result = 1;
    if (withText) {
        result = 0;
        if (xmlNode* body = libxml2Body(document)) {
            xmlChar* content = xmlNodeGetContent(body);
            if (content != nullptr) {
                result = static_cast<std::size_t>(xmlStrlen(content));
                xmlFree(content);
            }
        }
    }
    xmlFreeDoc(document);
    return result;
}

}  // namespace

std::string_view engineName(Engine engine) {
    switch (engine) {
        case Engine::Novawick: return "novawick";
        case Engine::Gumbo: return "gumbo";
        case Engine::Libxml2: return "libxml2";
    }
    return "?";
}

bool engineFromName(std::string_view name, Engine& engine) {
    for (Engine candidate : {Engine::Novawick, Engine::Gumbo, Engine::Libxml2}) {
        if (engineName(candidate) == name) {
            engine = candidate;
            return true;
        }
    }
    return false;
}

std::size_t parseWith(Engine engine, std::string_view page, bool withText) {
    switch (engine) {
        case Engine::Novawick: return parseNovawick(page, withText);
        case Engine::Gumbo: return parseGumbo(page, withText);
        case Engine::Libxml2: return parseLibxml2(page, withText);
    }
    return 0;
}

}  // namespace novawick::bench
