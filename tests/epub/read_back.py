#!/usr/bin/env python3
"""Reads an EPUB back without any of the project's code: prints a JSON summary of the archive (entry
names and methods), every XML file parsed strictly, and each chapter's title and paragraphs."""
import json
import re
import sys
import xml.etree.ElementTree as ET
import zipfile

XHTML = "{http://www.w3.org/1999/xhtml}"
OPF = "{http://www.idpf.org/2007/opf}"
DC = "{http://purl.org/dc/elements/1.1/}"

def main(path):
    summary = {"entries": [], "chapters": [], "errors": []}
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            summary["entries"].append({"name": info.filename, "method": info.compress_type,
                                       "size": info.file_size, "extra": len(info.extra)})
        if archive.testzip() is not None:
            summary["errors"].append("crc")
        summary["mimetype"] = archive.read("mimetype").decode("utf-8")
        for name in archive.namelist():
            if re.search(r"\.(xhtml|opf|ncx|xml)$", name):
                try:
                    ET.fromstring(archive.read(name))
                except ET.ParseError as error:
                    summary["errors"].append(f"{name}: {error}")
        package = ET.fromstring(archive.read("OPS/book.opf"))
        metadata = package.find(f"{OPF}metadata")
        summary["title"] = metadata.findtext(f"{DC}title")
        summary["creator"] = metadata.findtext(f"{DC}creator")
        summary["language"] = metadata.findtext(f"{DC}language")
        summary["manifest"] = {item.get("href"): item.get("media-type")
                               for item in package.find(f"{OPF}manifest")}
        summary["spine"] = [ref.get("idref") for ref in package.find(f"{OPF}spine")]
        count = sum(1 for name in archive.namelist() if re.fullmatch(r"OPS/chapter-\d+\.xhtml", name))
        for number in range(1, count + 1):
            page = ET.fromstring(archive.read(f"OPS/chapter-{number}.xhtml"))
            heading = page.find(f".//{XHTML}h1")
            summary["chapters"].append({"title": heading.text or "",
                                        "lines": [p.text or "" for p in page.iter(f"{XHTML}p")]})
        for name in ("OPS/cover.png", "OPS/cover.jpg", "OPS/cover.gif"):
            if name in archive.namelist():
                summary["cover"] = {"name": name, "bytes": archive.read(name).hex()}
    json.dump(summary, sys.stdout, ensure_ascii=False)

if __name__ == "__main__":
    main(sys.argv[1])
