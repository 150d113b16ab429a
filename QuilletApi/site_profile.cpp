#include "QuilletApi/site_profile.h"

#include "QuilletApi/site.h"

#include <algorithm>
#include <cctype>

namespace novawick::site {
namespace {

constexpr std::string_view kSearchUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:103.0) Gecko/20100101 Firefox/103.0";

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

bool isOnSite(const Url& url) {
    static const net::UrlOrigin site = Url::parse(siteBase())->origin();
    net::UrlOrigin origin = url.origin();
    return !origin.credentials && origin.scheme == site.scheme && origin.port == site.port &&
           equalIgnoringAsciiCase(origin.host, site.host);
}

const std::string& siteBase() {
    static const std::string base = "https://" + std::string(kHost);
    return base;
}

std::optional<Url> siteUrl(std::string_view path) {
    std::optional<Url> url = Url::parse(siteBase() + std::string(path));
    if (!url || !isOnSite(*url)) return std::nullopt;
    return url;
}

std::vector<net::HeaderField> searchProfile() {
    return {
        {"Host", std::string(kHost)},
        {"User-Agent", std::string(kSearchUserAgent)},
        {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8"},
        {"Accept-Language", "zh-CN,zh;q=0.8,zh-TW;q=0.7,zh-HK;q=0.5,en-US;q=0.3,en;q=0.2"},
        {"Accept-Encoding", "gzip, deflate, br"},
        {"Content-Type", "application/x-www-form-urlencoded"},
        {"Origin", siteBase()},
        {"DNT", "1"},
        {"Referer", siteBase() + "/"},
        {"Upgrade-Insecure-Requests", "1"},
        {"Sec-Fetch-Dest", "document"},
        {"Sec-Fetch-Mode", "navigate"},
        {"Sec-Fetch-Site", "same-origin"},
        {"Sec-Fetch-User", "?1"},
    };
}

}  // namespace novawick::site
