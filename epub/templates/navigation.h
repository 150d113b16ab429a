// The navigation document: the reader's table of contents, one list item per chapter.
#pragma once

#include <string_view>

namespace novawick::epub {

inline constexpr std::string_view kNavigationTemplate = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
    <head>
        <title>$(book-name)</title>
    </head>
    <body>
        <nav id="toc" epub:type="toc">
            <ol>
                $(content)
            </ol>
        </nav>
    </body>
</html>)xml";

}  // namespace novawick::epub
