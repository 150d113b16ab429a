// The NCX table of contents, kept for reading systems that predate the navigation document.
#pragma once

#include <string_view>

namespace novawick::epub {

inline constexpr std::string_view kNcxTemplate = R"xml(<ncx version="2005-1" xml:lang="en" xmlns="http://www.daisy.org/z3986/2005/ncx/">
    <head>
        <meta name="dtb:uid" content="urn:uuid:$(uuid)"/>
        <meta name="dtb:depth" content="1"/>
        <meta name="dtb:totalPageCount" content="0"/>
        <meta name="dtb:maxPageNumber" content="0"/>
    </head>

    <docTitle>
        <text>$(book-name)</text>
    </docTitle>

    <docAuthor>
        <text>$(author)</text>
    </docAuthor>

    <navMap>
        $(navPoint)
    </navMap>
</ncx>)xml";

}  // namespace novawick::epub
