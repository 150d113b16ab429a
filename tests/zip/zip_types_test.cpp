// The archiver's small parts: compression levels, error texts, the extension set, entry dates, path
// expansion and the documents folder.
#include <gtest/gtest.h>

#include <chrono>

#include "zip/entry_date.h"
#include "zip/zip.h"
#include "zip/zip_utilities.h"
#include "zip_test_support.h"

namespace novawick::zip {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;
using testing::writeFile;

TEST(ZipCompressionTest, OnlyRawValuesZeroToThreeMakeALevel) {
    EXPECT_EQ(compressionFromRaw(0), ZipCompression::NoCompression);
    EXPECT_EQ(compressionFromRaw(3), ZipCompression::BestCompression);
    EXPECT_FALSE(compressionFromRaw(-1).has_value());
    EXPECT_FALSE(compressionFromRaw(4).has_value());
}

TEST(ZipErrorTest, DescriptionsAreTheFixedTexts) {
    EXPECT_STREQ(ZipException(ZipError::fileNotFound).what(), "File not found.");
    EXPECT_STREQ(ZipException(ZipError::unzipFail).what(), "Failed to unzip file.");
    EXPECT_STREQ(ZipException(ZipError::zipFail).what(), "Failed to zip file.");
    EXPECT_EQ(ZipException(ZipError::unzipFail).error(), ZipError::unzipFail);
}

TEST(ZipExtensionTest, ExactMatchAndCustomExtensions) {
    EXPECT_TRUE(Zip::isValidFileExtension("zip"));
    EXPECT_TRUE(Zip::isValidFileExtension("cbz"));
    EXPECT_FALSE(Zip::isValidFileExtension("ZIP"));
    EXPECT_FALSE(Zip::isValidFileExtension(".zip"));
    EXPECT_FALSE(Zip::isValidFileExtension("epub"));
    Zip::addCustomFileExtension("epub");
    EXPECT_TRUE(Zip::isValidFileExtension("epub"));
    Zip::removeCustomFileExtension("epub");
    EXPECT_FALSE(Zip::isValidFileExtension("epub"));
    Zip::removeCustomFileExtension("absent");  // removing what is not there is harmless
    EXPECT_TRUE(Zip::isValidFileExtension("zip"));
}

TEST(EntryDateTest, SplitsLocalTimeAndPinsToTheDosRange) {
    const testing::UtcTimeZone utc;
    struct Case {
        std::time_t time;
        DateParts expected;
    };
    for (const Case& c : {
             Case{testing::kLastSecondsOf2022, {58, 59, 23, 31, 11, 2022}},
             Case{315532800, {0, 0, 0, 1, 0, 1980}},               // the first DOS second
             Case{0, {0, 0, 0, 1, 0, 1980}},                       // 1970: before DOS dates begin
             Case{7258118400, {58, 59, 23, 31, 11, 2107}},         // 2200: after they end
         }) {
        EXPECT_EQ(datePartsFromTime(c.time), c.expected) << c.time;
    }
    const auto clock = std::chrono::system_clock::from_time_t(testing::kLastSecondsOf2022) +
                       std::chrono::milliseconds(900);
    EXPECT_EQ(datePartsFromTime(clock), (DateParts{58, 59, 23, 31, 11, 2022}));
}

TEST(ZipUtilitiesTest, FolderWalkIsSortedDepthFirstAndSkipsFolders) {
    TemporaryFolder temporary;
    const fs::path book = temporary / "OPS";
    for (const char* name : {"b.xhtml", "a/z.txt", "a.txt", "c/d/e.txt", "A.txt"}) {
        writeFile(book / name, name);
    }
    fs::create_directories(book / "empty" / "deeper");
    std::vector<std::string> names;
    for (const ProcessedFilePath& file : ZipUtilities().listFolderFiles(book)) {
        names.push_back(file.fileName.value());
        EXPECT_EQ(testing::readFile(file.filePath()), file.fileName->substr(4));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"OPS/A.txt", "OPS/a/z.txt", "OPS/a.txt", "OPS/b.xhtml",
                                               "OPS/c/d/e.txt"}));
    // A trailing separator does not lose the folder's own name.
    EXPECT_EQ(ZipUtilities().listFolderFiles(book.string() + "/").front().fileName, "OPS/A.txt");
    EXPECT_TRUE(ZipUtilities().listFolderFiles(temporary / "missing").empty());
}

TEST(ZipUtilitiesTest, ExpandPathsKeepsInputOrderAndTreatsMissingPathsAsFiles) {
    TemporaryFolder temporary;
    writeFile(temporary / "META-INF" / "container.xml", "c");
    writeFile(temporary / "mimetype", "m");
    const auto expanded =
        ZipUtilities().expandPaths({temporary / "mimetype", temporary / "META-INF", temporary / "gone.txt"});
    ASSERT_EQ(expanded.size(), 3U);
    EXPECT_EQ(expanded[0].fileName, "mimetype");
    EXPECT_EQ(expanded[1].fileName, "META-INF/container.xml");
    EXPECT_EQ(expanded[2].fileName, "gone.txt");
    EXPECT_EQ(expanded[2].filePath(), temporary / "gone.txt");
}

TEST(DocumentsFolderTest, PrefersXdgThenHomeElseFails) {
    {
        const testing::ScopedEnvironment xdg("XDG_DOCUMENTS_DIR", "/srv/documents");
        EXPECT_EQ(documentsFolder(), fs::path("/srv/documents"));
    }
    {
        const testing::ScopedEnvironment xdg("XDG_DOCUMENTS_DIR", "");
        const testing::ScopedEnvironment home("HOME", "/home/reader");
        EXPECT_EQ(documentsFolder(), fs::path("/home/reader/Documents"));
    }
    const testing::ScopedEnvironment xdg("XDG_DOCUMENTS_DIR", nullptr);
    const testing::ScopedEnvironment home("HOME", nullptr);
    try {
        documentsFolder();
        FAIL() << "expected documentsFolderNotFound";
    } catch (const ZipException& error) {
        EXPECT_EQ(error.error(), ZipError::documentsFolderNotFound);
    }
}

}  // namespace
}  // namespace novawick::zip
