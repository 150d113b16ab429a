// The cover page: the cover picture alone, named by the book.
#pragma once

#include <string_view>

namespace novawick::epub {

inline constexpr std::string_view kCoverTemplate = R"xml(<?xml version="1.0" encoding="UTF-8"?><html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
    <head>
        <meta charset="utf-8" />
        <title>Cover</title>
    </head>
    <body>
        <div class="cover">
        <img src="$(cover-file)" alt="$(book-name)" class="cover" />
        </div>
    </body>
</html>)xml";

}  // namespace novawick::epub
