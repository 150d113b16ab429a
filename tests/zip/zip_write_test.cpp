// Archives written by zipFiles and zipData, read back by other tools: zipinfo for entry order and
// methods, `unzip -t` for integrity, python3's zipfile for names, dates and contents. Also archives past
// the classic end record's 65,535 entries, and what a failed write says.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <system_error>

#include "zip/minizip_encryption.h"
#include "zip/zip.h"
#include "zip_test_support.h"

namespace novawick::zip {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;
using testing::quoted;
using testing::runCommand;
using testing::TemporaryFolder;
using testing::writeFile;


struct ZipinfoEntry {
    std::string method;  // "defN", "defX", "defF", "defS", "stor"
    std::string name;
};

std::vector<ZipinfoEntry> zipinfoEntries(const fs::path& archive) {
    const testing::CommandResult result = runCommand("zipinfo -s " + quoted(archive));
    EXPECT_EQ(result.status, 0) << result.output;
    std::vector<ZipinfoEntry> entries;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string field; fields >> field;) {
            parts.push_back(field);
        }
        if (parts.size() == 9 && (parts[2] == "fat" || parts[2] == "unx")) {  // one line per entry
            entries.push_back({parts[5], parts[8]});
        }
    }
    return entries;
}

void expectIntact(const fs::path& archive) {
    const testing::CommandResult result = runCommand("unzip -tq " + quoted(archive));  // prints only problems
    EXPECT_EQ(result.status, 0) << result.output;
}

/// The book layout the EPUB writer packs: META-INF/, mimetype, OPS/.
struct BookFolder {
    TemporaryFolder temporary;
    fs::path metaInf = temporary / "book" / "META-INF";
    fs::path mimetype = temporary / "book" / "mimetype";
    fs::path ops = temporary / "book" / "OPS";
    fs::path archive = temporary / "book.zip";

    BookFolder() {
        writeFile(metaInf / "container.xml", "<container/>");
        writeFile(mimetype, "application/epub+zip");
        writeFile(ops / "chapter1.xhtml", std::string(5000, 'x'));
        writeFile(ops / "book.opf", "<package/>");
        fs::create_directories(ops / "images" / "unused");
    }
    std::vector<fs::path> paths() const { return {metaInf, mimetype, ops}; }
};

TEST(ZipFilesTest, WritesPathsInOrderAllDeflatedWithoutFolderEntries) {
    BookFolder book;
    Zip::zipFiles(book.paths(), book.archive, std::nullopt, ZipCompression::DefaultCompression, {});
    expectIntact(book.archive);
    const std::vector<ZipinfoEntry> entries = zipinfoEntries(book.archive);
    ASSERT_EQ(entries.size(), 4U);
    const char* expected[] = {"META-INF/container.xml", "mimetype", "OPS/book.opf", "OPS/chapter1.xhtml"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i]);
        EXPECT_EQ(entries[i].method.substr(0, 3), "def") << entries[i].name;
    }
    const auto listed = testing::listWithPython(book.archive);
    ASSERT_EQ(listed.size(), 4U);
    EXPECT_EQ(listed[1].content, "application/epub+zip");
    EXPECT_EQ(listed[3].content, std::string(5000, 'x'));
}

TEST(ZipFilesTest, EveryLevelWritesDeflateNeverStored) {
    TemporaryFolder temporary;
    writeFile(temporary / "text.txt", std::string(3000, 'a') + "tail");
    for (ZipCompression level : {ZipCompression::NoCompression, ZipCompression::BestSpeed,
                                 ZipCompression::DefaultCompression, ZipCompression::BestCompression}) {
        const fs::path archive = temporary / ("level" + std::to_string(rawValue(level)) + ".zip");
        Zip::zipFiles({temporary / "text.txt"}, archive, std::nullopt, level, {});
        const auto listed = testing::listWithPython(archive);
        ASSERT_EQ(listed.size(), 1U);
        EXPECT_EQ(listed[0].method, 8) << rawValue(level);
        EXPECT_EQ(listed[0].content, std::string(3000, 'a') + "tail");
    }
}

TEST(ZipFilesTest, StoredEntryNamesAreWrittenUncompressed) {
    BookFolder book;
    Zip::zipFiles({book.mimetype, book.metaInf, book.ops}, book.archive, std::nullopt,
                  ZipCompression::DefaultCompression, {}, {"mimetype"});
    expectIntact(book.archive);
    const std::vector<ZipinfoEntry> entries = zipinfoEntries(book.archive);
    ASSERT_EQ(entries.size(), 4U);
    EXPECT_EQ(entries[0].name, "mimetype");
    EXPECT_EQ(entries[0].method, "stor");
    for (std::size_t i = 1; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].method.substr(0, 3), "def") << entries[i].name;
    }
    // An EPUB reader finds the media type as plain bytes right after the first local header's name.
    const std::string bytes = testing::readFile(book.archive);
    EXPECT_EQ(bytes.substr(30, 8), "mimetype");
    EXPECT_EQ(bytes.substr(38, 20), "application/epub+zip");
}

TEST(ZipFilesTest, EntryDatesComeFromModificationTimesInLocalTime) {
    const testing::UtcTimeZone utc;
    TemporaryFolder temporary;
    writeFile(temporary / "dated.txt", "d");
    testing::setModificationTime(temporary / "dated.txt", testing::kLastSecondsOf2022);
    Zip::zipFiles({temporary / "dated.txt"}, temporary / "files.zip", std::nullopt,
                  ZipCompression::DefaultCompression, {});
    const ArchiveFile memory{"memory.txt", {'m'}, std::chrono::system_clock::from_time_t(testing::kLastSecondsOf2022)};
    const ArchiveFile undated{"undated.txt", {'u'}, std::nullopt};
    Zip::zipData({memory, undated}, temporary / "data.zip", std::nullopt, ZipCompression::DefaultCompression, {});

    EXPECT_EQ(testing::listWithPython(temporary / "files.zip").at(0).date, "2022-12-31 23:59:58");
    const auto data = testing::listWithPython(temporary / "data.zip");
    ASSERT_EQ(data.size(), 2U);
    EXPECT_EQ(data[0].date, "2022-12-31 23:59:58");
    EXPECT_EQ(data[1].date.substr(0, 4), "1980");  // no date: all parts zero
}

TEST(ZipFilesTest, ProgressEndsWithExactlyOneOne) {
    BookFolder book;
    std::vector<double> values;
    Zip::zipFiles(book.paths(), book.archive, std::nullopt, ZipCompression::DefaultCompression,
                  [&](double value) { values.push_back(value); });
    ASSERT_EQ(values.size(), 4U);  // three entries below 1, the last one's 1.0 held back for the end
    EXPECT_EQ(std::count(values.begin(), values.end(), 1.0), 1);
    EXPECT_EQ(values.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_GT(values.front(), 0.0);
}

TEST(ZipFilesTest, EmptyFilesReportZeroThenOne) {
    TemporaryFolder temporary;
    writeFile(temporary / "a", "");
    writeFile(temporary / "b", "");
    std::vector<double> values;
    Zip::zipFiles({temporary / "a", temporary / "b"}, temporary / "empty.zip", std::nullopt,
                  ZipCompression::DefaultCompression, [&](double value) { values.push_back(value); });
    EXPECT_EQ(values, (std::vector<double>{0.0, 0.0, 1.0}));
    expectIntact(temporary / "empty.zip");
}

/// The exception an operation raises; a test failure when it raises none.
ZipException failureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const ZipException& error) {
        return error;
    }
    ADD_FAILURE() << "expected a ZipException";
    return ZipException(ZipError::zipFail);
}

std::string systemText(int errorNumber) { return std::generic_category().message(errorNumber); }

TEST(ZipFilesTest, MissingInputFailsWhenItsTurnComesKeepingEarlierEntries) {
    TemporaryFolder temporary;
    writeFile(temporary / "first.txt", "first");
    writeFile(temporary / "last.txt", "last");
    const fs::path archive = temporary / "partial.zip";
    const ZipException failure = failureOf([&] {
        Zip::zipFiles({temporary / "first.txt", temporary / "missing.txt", temporary / "last.txt"}, archive,
                      std::nullopt, ZipCompression::DefaultCompression, {});
    });
    EXPECT_EQ(failure.error(), ZipError::zipFail);
    EXPECT_EQ(failure.detail(), "reading " + (temporary / "missing.txt").string() + ": " + systemText(ENOENT));
    const auto listed = testing::listWithPython(archive);
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_EQ(listed[0].name, "first.txt");
    EXPECT_TRUE(fs::exists(temporary / "first.txt"));  // nothing of the caller's is removed
}

TEST(ZipFilesTest, ArchiveThatCannotBeCreatedIsZipFail) {
    TemporaryFolder temporary;
    writeFile(temporary / "a.txt", "a");
    const fs::path archive = temporary / "no" / "such" / "folder.zip";
    const ZipException failure = failureOf([&] {
        Zip::zipFiles({temporary / "a.txt"}, archive, std::nullopt, ZipCompression::DefaultCompression, {});
    });
    EXPECT_EQ(failure.error(), ZipError::zipFail);
    EXPECT_EQ(failure.detail(), "writing " + archive.string() + ": " + systemText(ENOENT));
}

TEST(ZipFilesTest, AFullDiskSaysWhatHappenedAndWhere) {
    // /dev/full takes every write and fails it with ENOSPC, as a full disk does; the archive is a
    // symlink to it, so the writer sees an ordinary path.
    ASSERT_TRUE(fs::exists("/dev/full")) << "the test needs the /dev/full device";
    TemporaryFolder temporary;
    writeFile(temporary / "chapter.xhtml", std::string(100000, 'c'));
    const fs::path archive = temporary / "book.zip";
    fs::create_symlink("/dev/full", archive);
    const std::vector<std::pair<std::string, std::function<void()>>> writers{
        {"zipFiles",
         [&] {
             Zip::zipFiles({temporary / "chapter.xhtml"}, archive, std::nullopt, ZipCompression::DefaultCompression,
                           {});
         }},
        {"zipData",
         [&] {
             Zip::zipData({{"chapter.xhtml", std::vector<std::uint8_t>(100000, 'c'), std::nullopt}}, archive,
                          std::nullopt, ZipCompression::DefaultCompression, {});
         }},
    };
    for (const auto& [label, write] : writers) {
        const ZipException failure = failureOf(write);
        EXPECT_EQ(failure.error(), ZipError::zipFail) << label;
        EXPECT_STREQ(failure.what(), "Failed to zip file.") << label;
        EXPECT_EQ(failure.detail(), "writing " + archive.string() + ": " + systemText(ENOSPC)) << label;
    }
}

/// Writes `count` one-byte files named f0, f1, ... into `folder`.
void writeManyFiles(const fs::path& folder, std::size_t count) {
    fs::create_directories(folder);
    for (std::size_t i = 0; i < count; ++i) {
        const int file = ::open((folder / ("f" + std::to_string(i))).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::write(file, "x", 1), 1);
        ::close(file);
    }
}

TEST(ZipFilesTest, MoreEntriesThanTheClassicEndRecordCountsMakeAValidArchive) {
    constexpr std::size_t kEntries = 65536;  // one past what the classic end record's two bytes count
    BookFolder book;                         // four files of its own
    writeManyFiles(book.ops / "chapters", kEntries - 4);
    std::vector<ArchiveFile> buffers;
    for (std::size_t i = 0; i < kEntries; ++i) {
        buffers.push_back({"f" + std::to_string(i), {'x'}, std::nullopt});
    }
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> writers{
        {"a book's folders",
         [&](const fs::path& archive) {
             Zip::zipFiles(book.paths(), archive, std::nullopt, ZipCompression::DefaultCompression, {},
                           {"mimetype"});
         }},
        {"zipData",
         [&](const fs::path& archive) {
             Zip::zipData(buffers, archive, std::nullopt, ZipCompression::DefaultCompression, {});
         }},
    };
    for (const auto& [label, write] : writers) {
        write(book.archive);
        expectIntact(book.archive);
        const testing::CommandResult listing = runCommand("zipinfo -1 " + quoted(book.archive));  // a name a line
        EXPECT_EQ(listing.status, 0) << label;
        EXPECT_EQ(static_cast<std::size_t>(std::count(listing.output.begin(), listing.output.end(), '\n')), kEntries)
            << label;
        const testing::CommandResult summary = runCommand("zipinfo -t " + quoted(book.archive));
        EXPECT_EQ(summary.status, 0) << label << summary.output;
        EXPECT_EQ(summary.output.rfind(std::to_string(kEntries) + " files,", 0), 0U) << label << summary.output;
    }
}

TEST(ZipFilesTest, ArchiveInsideAZippedFolderIsNotPackedIntoItself) {
    TemporaryFolder temporary;
    writeFile(temporary / "folder" / "a.txt", std::string(100000, 'q'));
    const fs::path archive = temporary / "folder" / "self.zip";
    writeFile(archive, "an older archive");
    Zip::zipFiles({temporary / "folder"}, archive, std::nullopt, ZipCompression::NoCompression, {});
    const auto listed = testing::listWithPython(archive);
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_EQ(listed[0].name, "folder/a.txt");
}

TEST(ZipFilesTest, PasswordArchivesOpenWithOtherToolsOrAreRefused) {
    TemporaryFolder temporary;
    writeFile(temporary / "secret.txt", "the secret text");
    const fs::path files = temporary / "files.zip";
    const fs::path data = temporary / "data.zip";
    if (novawick_zip_minizip_encryption_works() == 0) {
        // This minizip would write entries nobody can decrypt: refuse before making anything.
        EXPECT_EQ(errorOf([&] {
                      Zip::zipFiles({temporary / "secret.txt"}, files, "pass", ZipCompression::DefaultCompression, {});
                  }),
                  ZipError::zipFail);
        EXPECT_EQ(errorOf([&] { Zip::zipData({{"s.txt", {'s'}, std::nullopt}}, data, "pass", {}, {}); }),
                  ZipError::zipFail);
        EXPECT_FALSE(fs::exists(files));
        EXPECT_FALSE(fs::exists(data));
        return;
    }
    Zip::zipFiles({temporary / "secret.txt"}, files, "pass", ZipCompression::DefaultCompression, {});
    Zip::zipData({{"secret.txt", {'s', 'e', 'c'}, std::nullopt}}, data, "pass", ZipCompression::BestSpeed, {});
    for (const fs::path& archive : {files, data}) {
        const testing::CommandResult result = runCommand("unzip -P pass -t " + quoted(archive));
        EXPECT_EQ(result.status, 0) << result.output;
    }
}

TEST(ZipDataTest, WritesNamesAsGivenSkipsEmptyBuffersAndReportsEachEntry) {
    TemporaryFolder temporary;
    const fs::path archive = temporary / "data.zip";
    std::vector<double> values;
    Zip::zipData({{"one.txt", {'1'}, std::nullopt},
                  {"skipped.txt", {}, std::nullopt},
                  {"deep/two.txt", {'2', '2', '2'}, std::nullopt}},
                 archive, std::nullopt, ZipCompression::BestCompression,
                 [&](double value) { values.push_back(value); });
    expectIntact(archive);
    const auto listed = testing::listWithPython(archive);
    ASSERT_EQ(listed.size(), 2U);
    EXPECT_EQ(listed[0].name, "one.txt");
    EXPECT_EQ(listed[1].name, "deep/two.txt");
    EXPECT_EQ(listed[1].content, "222");
    EXPECT_EQ(values, (std::vector<double>{0.25, 1.0, 1.0}));
}

TEST(QuickZipTest, WritesIntoTheDocumentsFolder) {
    TemporaryFolder temporary;
    const testing::ScopedEnvironment documents("XDG_DOCUMENTS_DIR", temporary.path().c_str());
    writeFile(temporary / "input" / "a.txt", "a");
    const fs::path archive = Zip::quickZipFiles({temporary / "input"}, "bundle");
    EXPECT_EQ(archive, temporary / "bundle.zip");
    EXPECT_EQ(testing::listWithPython(archive).at(0).name, "input/a.txt");
}

}  // namespace
}  // namespace novawick::zip
