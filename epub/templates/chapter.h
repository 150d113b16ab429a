// One chapter page. "$(content)" takes the paragraph block, one "<p>" line per line of the chapter.
#pragma once

#include <string_view>

namespace novawick::epub {

inline constexpr std::string_view kChapterTemplate = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
<head>
    <meta charset="utf-8" />
    <title>$(chapter-title)</title>
</head>
<body>
    <section epub:type="chapter" class="chapter">
    <h1 class="chapter-title" id="chapter-$(id)">$(chapter-title)</h1>
    $(content)
    </section>
</body>
</html>)xml";

}  // namespace novawick::epub
