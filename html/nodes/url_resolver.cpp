// RFC 3986 reference resolution (section 5.2): split both URLs into their five components, merge the
// paths and remove dot segments. No validation beyond that structure: what a page wrote is kept.
#include "html/nodes/url_resolver.h"

#include <optional>

namespace novawick::html {
namespace {

struct UrlParts {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

bool isSchemeCharacter(char c, bool first) {
    bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return alpha;
    return alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Section 3 / appendix B: scheme ":" "//" authority path "?" query "#" fragment.
UrlParts split(std::string_view url) {
    UrlParts parts;
    if (std::size_t hash = url.find('#'); hash != std::string_view::npos) {
        parts.fragment = url.substr(hash + 1);
        url = url.substr(0, hash);
    }
    if (std::size_t question = url.find('?'); question != std::string_view::npos) {
        parts.query = url.substr(question + 1);
        url = url.substr(0, question);
    }
    if (std::size_t colon = url.find(':'); colon != std::string_view::npos && colon > 0) {
        bool valid = true;
        for (std::size_t i = 0; i < colon && valid; ++i) valid = isSchemeCharacter(url[i], i == 0);
        if (valid && url.substr(0, colon).find('/') == std::string_view::npos) {
            parts.scheme = url.substr(0, colon);
            url = url.substr(colon + 1);
        }
    }
    if (url.starts_with("//")) {
        url = url.substr(2);
        std::size_t slash = url.find('/');
        parts.authority = url.substr(0, slash);
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    }
    parts.path = url;
    return parts;
}

// Section 5.2.4.
std::string removeDotSegments(std::string_view input) {
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            std::size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            std::size_t next = input.find('/', input.front() == '/' ? 1 : 0);
            std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

// Section 5.2.3.
std::string mergePaths(const UrlParts& base, std::string_view referencePath) {
    if (base.authority && base.path.empty()) {
        // Built by append: g++ 12 at -O3 misreads `"/" + std::string(...)` as an overlapping copy.
        std::string merged = "/";
        merged.append(referencePath);
        return merged;
    }
    std::size_t slash = base.path.rfind('/');
    if (slash == std::string_view::npos) return std::string(referencePath);
    return std::string(base.path.substr(0, slash + 1)) + std::string(referencePath);
}

// Section 5.3.
std::string recompose(std::string_view scheme, std::optional<std::string_view> authority, std::string_view path,
                      std::optional<std::string_view> query, std::optional<std::string_view> fragment) {
    std::string out(scheme);
    out += ':';
    if (authority) {
        out += "//";
        out += *authority;
    }
    out += path;
    if (query) {
        out += '?';
        out += *query;
    }
    if (fragment) {
        out += '#';
        out += *fragment;
    }
    return out;
}

}  // namespace

std::string resolveUrl(std::string_view base, std::string_view reference) {
    UrlParts ref = split(reference);
    if (ref.scheme) {
        return recompose(*ref.scheme, ref.authority, removeDotSegments(ref.path), ref.query, ref.fragment);
    }
    UrlParts anchor = split(base);
    if (!anchor.scheme) return "";
    if (ref.authority) {
        return recompose(*anchor.scheme, ref.authority, removeDotSegments(ref.path), ref.query, ref.fragment);
    }
    if (ref.path.empty()) {
        return recompose(*anchor.scheme, anchor.authority, anchor.path, ref.query ? ref.query : anchor.query,
                         ref.fragment);
    }
    std::string path = ref.path.front() == '/' ? removeDotSegments(ref.path)
                                               : removeDotSegments(mergePaths(anchor, ref.path));
    return recompose(*anchor.scheme, anchor.authority, path, ref.query, ref.fragment);
}

}  // namespace novawick::html
