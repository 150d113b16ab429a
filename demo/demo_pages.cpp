// Page rendering for the demo site. The markup is deliberately a little untidy, like a real site's:
// navigation lists the scrapers must skip, link texts wrapped in white space, a page selector on every
// list page and a furniture paragraph at the end of each chapter page.
#include "demo/demo_pages.h"

#include "QuilletApi/site.h"

namespace novawick::demo {
namespace {

constexpr std::string_view kSiteName = "青灯书屋";

std::string pageShell(std::string_view title, const std::string& body) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    html += escapeHtml(title);
    html += " - ";
    html += kSiteName;
    html += "</title>\n<link rel=\"stylesheet\" href=\"/static/site.css\">\n</head>\n<body>\n"
            "<div class=\"header\"><a href=\"/\">";
    html += kSiteName;
    html += "</a></div>\n<ul class=\"nav\"><li><a href=\"/\">首页</a></li><li><a href=\"/sort/\">分类</a></li>"
            "<li><a href=\"/top/\">排行</a></li></ul>\n";
    html += body;
    html += "\n<div class=\"footer\"><p>演示站点：书中文字均为示例原创。</p></div>\n</body>\n</html>\n";
    return html;
}

std::string searchItem(const SampleBook& book) {
    std::string link = bookPath(book);
    // Site-relative, as many sites write their covers: the client resolves it against the answer's address.
    std::string item = "<li>\n  <div class=\"image\"><a href=\"" + link + "\"><img src=\"" + coverPath(book) +
                       "\" alt=\"" + escapeHtml(book.title) + "\"></a></div>\n  <div class=\"info\"><strong><a href=\"" +
                       link + "\">" + escapeHtml(book.title) + "</a></strong>\n  <span>作者：" + escapeHtml(book.author) +
                       "</span> <span>连载中</span>\n";
    if (!book.introduction.empty()) item += "  <p>" + escapeHtml(book.introduction.front()) + "</p>\n";
    return item + "  </div>\n</li>\n";
}

std::string pageSelector(const SampleBook& book, std::size_t current) {
    std::string selector = "<div class=\"text\">第<select name=\"pageselect\">";
    for (std::size_t index = 0; index < listPageCount(book); ++index) {
        selector += "<option value=\"" + listPagePath(book, index) + "\"";
        if (index == current) selector += " selected";
        selector += ">第" + std::to_string(index + 1) + "页</option>";
    }
    return selector + "</select>页</div>";
}

// The navigation link of a chapter page: on to the next page, else to the next chapter, else back.
std::string nextLink(const SampleBook& book, std::size_t chapterIndex, std::size_t pageIndex) {
    std::string href;
    std::string_view label;
    if (pageIndex + 1 < book.chapters[chapterIndex].pages.size()) {
        href = chapterPagePath(book, chapterIndex, pageIndex + 1);
        label = "下一页";
    } else if (chapterIndex + 1 < book.chapters.size()) {
        href = chapterPagePath(book, chapterIndex + 1, 0);
        label = "下一章";
    } else {
        href = bookPath(book);
        label = "返回书页";
    }
    return "<a id=\"next_url\" href=\"" + href + "\">\n    " + std::string(label) + "\n  </a>";
}

}  // namespace

std::string bookPath(const SampleBook& book) { return "/book/" + book.slug + "/"; }

std::string listPagePath(const SampleBook& book, std::size_t listPageIndex) {
    if (listPageIndex == 0) return "/read/" + book.slug + "/";
    return "/read/" + book.slug + "/" + std::to_string(listPageIndex + 1) + "/";
}

std::size_t listPageCount(const SampleBook& book) {
    std::size_t count = (book.chapters.size() + kChaptersPerListPage - 1) / kChaptersPerListPage;
    return count == 0 ? 1 : count;
}

std::string chapterPagePath(const SampleBook& book, std::size_t chapterIndex, std::size_t pageIndex) {
    std::string path = "/chapter/" + book.slug + "/" + std::to_string(chapterIndex + 1);
    if (pageIndex > 0) path += "_" + std::to_string(pageIndex + 1);
    return path + ".html";
}

std::string coverPath(const SampleBook& book) { return "/cover/" + book.slug + ".png"; }

std::string coverUrl(const SampleBook& book) { return "https://" + std::string(site::kHost) + coverPath(book); }

std::string escapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&#39;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string searchResultsPage(const std::vector<const SampleBook*>& hits, std::string_view term) {
    std::string body = "<h2>“" + escapeHtml(term) + "”的搜索结果</h2>\n";
    if (hits.empty()) {
        body += "<div class=\"empty\">没有找到相关书籍。</div>";
        return pageShell("搜索", body);
    }
    body += "<ul class=\"result-list\">\n";
    for (const SampleBook* book : hits) body += searchItem(*book);
    return pageShell("搜索", body + "</ul>");
}

std::string bookPage(const SampleBook& book) {
    std::string body = "<div class=\"book\">\n<div class=\"image\"><img src=\"" + coverUrl(book) + "\" alt=\"" +
                       escapeHtml(book.title) + "\"></div>\n<h1>" + escapeHtml(book.title) +
                       "</h1>\n<p class=\"author\">作者：" + escapeHtml(book.author) +
                       "</p>\n<div class=\"read\"><a href=\"" + listPagePath(book, 0) +
                       "\">开始阅读</a></div>\n<div id=\"content\">\n";
    for (const std::string& line : book.introduction) body += "<p>" + escapeHtml(line) + "</p>\n";
    return pageShell(book.title, body + "</div>\n</div>");
}

std::string listPage(const SampleBook& book, std::size_t listPageIndex) {
    std::string body = "<h1>" + escapeHtml(book.title) + " 章节目录</h1>\n<div class=\"sso_a\">\n<ul>\n";
    std::size_t first = listPageIndex * kChaptersPerListPage;
    for (std::size_t index = first; index < book.chapters.size() && index < first + kChaptersPerListPage; ++index) {
        body += "<li><a href=\"" + chapterPagePath(book, index, 0) + "\">\n    " +
                escapeHtml(book.chapters[index].title) + "\n  </a></li>\n";
    }
    body += "</ul>\n</div>\n" + pageSelector(book, listPageIndex);
    return pageShell(book.title, body);
}

std::string chapterPage(const SampleBook& book, std::size_t chapterIndex, std::size_t pageIndex, bool withNextLink) {
    const SampleChapter& chapter = book.chapters[chapterIndex];
    std::string heading = chapter.title;
    if (chapter.pages.size() > 1) {
        heading += "（" + std::to_string(pageIndex + 1) + "/" + std::to_string(chapter.pages.size()) + "）";
    }
    std::string body = "<h1>" + escapeHtml(heading) + "</h1>\n<div id=\"Content\">\n";
    for (const std::string& paragraph : chapter.pages[pageIndex]) body += "<p>\n  " + escapeHtml(paragraph) + "\n</p>\n";
    body += "<p>" + std::string(kSiteNoiseParagraph) + "</p>\n</div>\n<div class=\"page_chapter\">\n  <a href=\"" +
            listPagePath(book, chapterIndex / kChaptersPerListPage) + "\">目录</a>\n  ";
    if (withNextLink) body += nextLink(book, chapterIndex, pageIndex);
    return pageShell(chapter.title, body + "\n</div>");
}

}  // namespace novawick::demo
