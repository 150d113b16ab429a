// Page builders in the structures the site client reads, shared by the site-client and EPUB tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace novawick::testing {

struct HitItem {
    std::string title;
    std::string href;
    std::string cover;
    std::string authorLine;
};

inline std::string page(const std::string& body) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>t</title>"
           "<script>var x = '<li><strong>fake</strong></li>';</script></head><body>" +
           body + "</body></html>";
}

inline std::string searchPage(const std::vector<HitItem>& items) {
    std::string body = "<ul class=\"nav\"><li><a href=\"/\">首页</a></li></ul><ul class=\"result\">";
    for (const HitItem& item : items) {
        body += "<li><a href=\"" + item.href + "\"><img src=\"" + item.cover + "\"></a><strong><a href=\"" + item.href +
                "\">" + item.title + "</a></strong><span>" + item.authorLine + "</span><span>连载</span>"
                "<p>简介……</p></li>";
    }
    return page(body + "</ul>");
}

inline std::string bookPage(const std::string& readHref) {
    return page("<div class=\"info\"><h1>书</h1></div><div class=\"read\"><a href=\"" + readHref +
                "\">开始阅读</a></div><div id=\"content\"><p>第一段</p><p></p><p> 第三段 </p></div>");
}

inline std::string entryPage(const std::vector<std::string>& optionValues) {
    std::string options;
    for (const std::string& value : optionValues) options += "<option value=\"" + value + "\">页</option>";
    return page("<div class=\"text\"><select>" + options + "</select></div>");
}

inline std::string listPage(const std::vector<std::pair<std::string, std::string>>& links) {
    std::string items;
    for (const auto& [title, href] : links) items += "<li><a href=\"" + href + "\">" + title + "</a></li>";
    return page("<div class=\"sso_a\"><ul>" + items + "<li>没有链接</li></ul></div><div class=\"sso_a\"><ul>"
                "<li><a href=\"/ignored\">ignored</a></li></ul></div>");
}

inline std::string chapterPage(const std::vector<std::string>& paragraphs, const std::string& nextLabel,
                               const std::string& nextHref) {
    std::string body = "<div id=\"Content\">";
    for (const std::string& paragraph : paragraphs) body += "<p>" + paragraph + "</p>";
    body += "</div><div class=\"nav\"><a id=\"next_url\" href=\"" + nextHref + "\">" + nextLabel + "</a></div>";
    return page(body);
}

}  // namespace novawick::testing
