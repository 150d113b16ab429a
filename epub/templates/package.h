// The package document. Lines that depend on the book (the author, the cover) are whole generated
// blocks, so that a book without an author or a cover carries no empty or dangling declaration.
#pragma once

#include <string_view>

namespace novawick::epub {

inline constexpr std::string_view kPackageTemplate = R"xml(<?xml version="1.0"?>
<package version="3.0" xmlns="http://www.idpf.org/2007/opf" unique-identifier="ePub-UUID">

  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:opf="http://www.idpf.org/2007/opf">
    <dc:title>$(book-name)</dc:title>
    <dc:identifier id="ePub-UUID">urn:uuid:$(uuid)</dc:identifier>
$(creator)    <dc:language>zh</dc:language>
    <dc:date>2022-08-21</dc:date>
    <meta property="dcterms:modified">2022-08-21T11:32:35Z</meta>
    <dc:contributor id="contributor">Zentor Vale</dc:contributor>
    <meta refines="#contributor" property="role" scheme="marc:relators">bkp</meta>
$(cover-meta)  </metadata>

  <manifest>
      <!-- Navigation -->
      <item id="nav" href="navigation.xhtml" properties="nav" media-type="application/xhtml+xml" />
      <item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml" />

      <!-- HTML files -->
      $(html)

      <!-- CSS files -->

      <!-- Images -->
$(cover-items)
      <!-- Videos -->
  </manifest>

  <spine toc="ncx">
    $(ncx)
  </spine>
$(guide)</package>)xml";

/// The author lines, present only when the book has an author.
inline constexpr std::string_view kCreatorLines = R"xml(    <dc:creator id="creator">$(author)</dc:creator>
    <meta refines="#creator" property="role" scheme="marc:relators">aut</meta>
)xml";

/// Cover declarations, present only when the book has a cover picture.
inline constexpr std::string_view kCoverMetaLine = "    <meta name=\"cover\" content=\"coverImage\" />\n";
inline constexpr std::string_view kCoverItemLines =
    R"xml(      <item id="coverImage" href="$(cover-file)" media-type="$(cover-type)" properties="cover-image" />
      <item id="cover" href="cover.xhtml" media-type="application/xhtml+xml" />
)xml";
inline constexpr std::string_view kCoverSpineLine = "<itemref idref=\"cover\" />\n    ";
inline constexpr std::string_view kGuideLines = R"xml(    <guide>
        <reference href="cover.xhtml" type="cover" title="Cover" />
    </guide>
)xml";

}  // namespace novawick::epub
