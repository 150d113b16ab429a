// The container file: points readers at the package document.
#pragma once

#include <string_view>

namespace novawick::epub {

inline constexpr std::string_view kContainerTemplate = R"xml(<?xml version="1.0" encoding="UTF-8" ?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles>
    <rootfile full-path="OPS/book.opf" media-type="application/oebps-package+xml"/>
  </rootfiles>
</container>)xml";

}  // namespace novawick::epub
