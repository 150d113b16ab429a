// Extraction: archives made by the zip command and by python3's zipfile, overwrite rules, hostile entry
// names and planted symlinks, damaged data, archives declaring more than may be written, failed writes,
// permissions, and the quick variant.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "tests/support/file_size_limit.h"
#include "zip/zip.h"
#include "zip_test_support.h"

namespace novawick::zip {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;
using testing::quoted;
using testing::readFile;
using testing::runCommand;
using testing::TemporaryFolder;
using testing::writeFile;


void unzip(const fs::path& archive, const fs::path& destination, bool overwrite = true) {
    Zip::unzipFile(archive, destination, overwrite, std::nullopt, {}, {});
}

ArchiveFile entry(const std::string& name, const std::string& content) {
    return {name, std::vector<std::uint8_t>(content.begin(), content.end()), std::nullopt};
}

TEST(UnzipFileTest, ExtractsAnArchiveMadeByTheZipCommand) {
    TemporaryFolder temporary;
    writeFile(temporary / "source" / "top.txt", "top");
    writeFile(temporary / "source" / "sub" / "inner.txt", std::string(20000, 'z'));
    fs::create_directories(temporary / "source" / "empty");
    const fs::path archive = temporary / "made.zip";
    const auto made = runCommand("cd " + quoted(temporary / "source") + " && zip -qr " + quoted(archive) + " .");
    ASSERT_EQ(made.status, 0) << made.output;

    std::vector<double> values;
    std::vector<fs::path> items;
    Zip::unzipFile(archive, temporary / "out", false, std::nullopt, [&](double value) { values.push_back(value); },
                   [&](const fs::path& item) { items.push_back(item); });
    EXPECT_EQ(testing::treeOf(temporary / "out"),
              (std::vector<std::string>{"empty", "sub", "sub/inner.txt", "top.txt"}));
    EXPECT_EQ(readFile(temporary / "out" / "sub" / "inner.txt"), std::string(20000, 'z'));
    EXPECT_EQ(items.size(), 4U);  // the folder entries empty/ and sub/ count as items too
    EXPECT_TRUE(std::find(items.begin(), items.end(), temporary / "out" / "top.txt") != items.end());
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
}

TEST(UnzipFileTest, PasswordIsIgnoredForUnencryptedEntriesAndEncryptedOnesNeedTheRightOne) {
    TemporaryFolder temporary;
    Zip::zipData({entry("plain.txt", "plain")}, temporary / "plain.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    Zip::unzipFile(temporary / "plain.zip", temporary / "out", true, "unused", {}, {});
    EXPECT_EQ(readFile(temporary / "out" / "plain.txt"), "plain");

    writeFile(temporary / "secret.txt", "secret");
    const auto made = runCommand("cd " + quoted(temporary.path()) + " && zip -q -P right locked.zip secret.txt");
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_EQ(errorOf([&] { Zip::unzipFile(temporary / "locked.zip", temporary / "wrong", true, "wrong", {}, {}); }),
              ZipError::unzipFail);
    EXPECT_EQ(errorOf([&] { unzip(temporary / "locked.zip", temporary / "none"); }), ZipError::unzipFail);
    EXPECT_FALSE(fs::exists(temporary / "wrong" / "secret.txt"));
    EXPECT_FALSE(fs::exists(temporary / "none" / "secret.txt"));
    try {  // minizip builds without decryption refuse even the right password; others must extract
        Zip::unzipFile(temporary / "locked.zip", temporary / "right", true, "right", {}, {});
        EXPECT_EQ(readFile(temporary / "right" / "secret.txt"), "secret");
    } catch (const ZipException& error) {
        EXPECT_EQ(error.error(), ZipError::unzipFail);
        EXPECT_FALSE(fs::exists(temporary / "right" / "secret.txt"));
    }
}

TEST(UnzipFileTest, BackslashNamesBecomeFolders) {
    TemporaryFolder temporary;
    Zip::zipData({entry("dir\\sub\\file.txt", "deep")}, temporary / "back.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    unzip(temporary / "back.zip", temporary / "out");
    EXPECT_EQ(readFile(temporary / "out" / "dir" / "sub" / "file.txt"), "deep");
}

TEST(UnzipFileTest, OverwriteOffKeepsExistingFilesAndGoesOn) {
    TemporaryFolder temporary;
    Zip::zipData({entry("kept.txt", "from archive"), entry("new.txt", "new")}, temporary / "a.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    writeFile(temporary / "out" / "kept.txt", "mine");
    unzip(temporary / "a.zip", temporary / "out", false);
    EXPECT_EQ(readFile(temporary / "out" / "kept.txt"), "mine");
    EXPECT_EQ(readFile(temporary / "out" / "new.txt"), "new");
    unzip(temporary / "a.zip", temporary / "out", true);
    EXPECT_EQ(readFile(temporary / "out" / "kept.txt"), "from archive");
}

TEST(UnzipFileTest, EntriesLeadingOutsideFailBeforeAnythingIsWritten) {
    TemporaryFolder temporary;
    const fs::path outside = temporary / "outside";
    fs::create_directories(outside);
    const std::string absolute = (outside / "abs.txt").string();
    for (const std::string& name : {std::string("../outside/evil.txt"), absolute, std::string("a/../../evil.txt"),
                                    std::string("..\\outside\\evil.txt"), std::string("C:/evil.txt"),
                                    std::string("C:evil.txt"), std::string("ok/../../../evil/")}) {
        const fs::path archive = temporary / "slip.zip";
        Zip::zipData({entry(name, "payload")}, archive, std::nullopt, ZipCompression::DefaultCompression, {});
        EXPECT_EQ(errorOf([&] { unzip(archive, temporary / "dest" / "inner"); }), ZipError::unzipFail) << name;
        EXPECT_TRUE(fs::is_empty(outside)) << name;
        EXPECT_FALSE(fs::exists(temporary / "dest" / "evil.txt")) << name;
        EXPECT_FALSE(fs::exists(temporary / "evil")) << name;
    }
}

TEST(UnzipFileTest, PlantedSymlinksAreNeverFollowed) {
    TemporaryFolder temporary;
    const fs::path outside = temporary / "outside";
    writeFile(outside / "target.txt", "untouched");
    const fs::path destination = temporary / "dest";
    fs::create_directories(destination);
    fs::create_directory_symlink(outside, destination / "link");
    fs::create_symlink(outside / "target.txt", destination / "file.txt");

    Zip::zipData({entry("link/planted.txt", "x")}, temporary / "through.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    EXPECT_EQ(errorOf([&] { unzip(temporary / "through.zip", destination); }), ZipError::unzipFail);
    EXPECT_FALSE(fs::exists(outside / "planted.txt"));

    // With overwriting on, the symlink itself is replaced; the file it pointed at stays as it was.
    Zip::zipData({entry("file.txt", "replaced")}, temporary / "final.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    unzip(temporary / "final.zip", destination);
    EXPECT_EQ(readFile(outside / "target.txt"), "untouched");
    EXPECT_FALSE(fs::is_symlink(destination / "file.txt"));
    EXPECT_EQ(readFile(destination / "file.txt"), "replaced");
}

/// Writes a little-endian 32-bit value into `bytes` at `at`.
void patch32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

TEST(UnzipFileTest, DataThatFailsItsChecksFailsAndLeavesNoFile) {
    const std::string content(2000, 'k');
    // Each damage is applied to a fresh archive: "good.txt" first, then "bad.txt" (2000 bytes of level 0
    // deflate, which keeps the bytes verbatim so one of them can be changed without breaking the stream).
    const std::vector<std::pair<std::string, std::function<void(std::string&)>>> damages{
        {"changed byte", [&](std::string& bytes) { bytes[bytes.find(content) + 1000] = 'K'; }},
        {"declared size too large",
         [&](std::string& bytes) {
             const std::size_t local = bytes.rfind("PK\x03\x04");
             const std::size_t central = bytes.rfind("PK\x01\x02");
             patch32(bytes, local + 22, 2001);  // both headers must agree or the entry will not open
             patch32(bytes, central + 24, 2001);
         }},
    };
    for (const auto& [label, damage] : damages) {
        TemporaryFolder temporary;
        const fs::path archive = temporary / "corrupt.zip";
        Zip::zipData({entry("good.txt", "fine"), entry("bad.txt", content)}, archive, std::nullopt,
                     ZipCompression::NoCompression, {});
        std::string bytes = readFile(archive);
        damage(bytes);
        writeFile(archive, bytes);

        EXPECT_EQ(errorOf([&] { unzip(archive, temporary / "out"); }), ZipError::unzipFail) << label;
        EXPECT_EQ(readFile(temporary / "out" / "good.txt"), "fine") << label;  // earlier items stay
        EXPECT_FALSE(fs::exists(temporary / "out" / "bad.txt")) << label;
    }
}

/// What only a hostile archive declares: each entry's size in the central directory set to 3 GiB.
void declareThreeGibibytes(std::string& bytes) {
    const std::string central("PK\x01\x02");
    for (std::size_t at = bytes.find(central); at != std::string::npos; at = bytes.find(central, at + 4)) {
        patch32(bytes, at + 24, 3U << 30);
    }
}

TEST(UnzipFileTest, ArchivesDeclaringMoreThanTheLimitAreRefusedBeforeAnythingIsWritten) {
    constexpr std::uint64_t kMebibyte = 1 << 20;
    // Two entries of 768 KiB of zeros: about 1.5 KiB of deflate that asks for 1.5 MiB on disk.
    const std::string zeros(768 * 1024, '\0');
    struct Case {
        const char* label;
        std::uint64_t limit;
        std::function<void(std::string&)> damage;
        bool refused;
    };
    const std::vector<Case> cases{
        {"over a caller's limit", kMebibyte, nullptr, true},
        {"exactly at the limit", 2 * zeros.size(), nullptr, false},
        {"over the default limit", kDefaultExtractionLimit, declareThreeGibibytes, true},
    };
    for (const Case& c : cases) {
        TemporaryFolder temporary;
        const fs::path archive = temporary / "bomb.zip";
        Zip::zipData({entry("a.bin", zeros), entry("b.bin", zeros)}, archive, std::nullopt,
                     ZipCompression::BestCompression, {});
        if (c.damage) {
            std::string bytes = readFile(archive);
            c.damage(bytes);
            writeFile(archive, bytes);
        }
        const fs::path destination = temporary / "out";
        auto extract = [&] { Zip::unzipFile(archive, destination, true, std::nullopt, {}, {}, c.limit); };
        if (!c.refused) {
            extract();
            EXPECT_EQ(fs::file_size(destination / "b.bin"), zeros.size()) << c.label;
            continue;
        }
        try {
            extract();
            ADD_FAILURE() << c.label << ": extracted";
        } catch (const ZipException& error) {
            EXPECT_EQ(error.error(), ZipError::unzipFail) << c.label;
            EXPECT_EQ(error.detail(), "extracting " + archive.string() + ": " + extractionLimitReason(c.limit))
                << c.label;
        }
        EXPECT_FALSE(fs::exists(destination)) << c.label;
    }
}

TEST(UnzipFileTest, AFailedWriteSaysWhatHappenedAndWhere) {
    TemporaryFolder temporary;
    const fs::path archive = temporary / "large.zip";
    Zip::zipData({entry("large.txt", std::string(200000, 'l'))}, archive, std::nullopt,
                 ZipCompression::DefaultCompression, {});
    const fs::path destination = temporary / "out";
    // Files cannot grow past 64 KiB in the child, so the 200,000-byte entry fails part-way.
    const std::string detail = novawick::testing::runWithFileSizeLimit(64 * 1024, [&] {
        try {
            unzip(archive, destination);
        } catch (const ZipException& error) {
            return error.detail();
        }
        return std::string("extracted");
    });
    EXPECT_EQ(detail, "writing " + (destination / "large.txt").string() + ": " +
                          std::generic_category().message(EFBIG));
    EXPECT_FALSE(fs::exists(destination / "large.txt"));
}

TEST(UnzipFileTest, PermissionsNeverCarrySpecialBits) {
    TemporaryFolder temporary;
    const fs::path archive = temporary / "modes.zip";
    const auto made = testing::runPython(R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as archive:
    for name, mode in (('setuid.sh', 0o104755), ('plain.txt', 0o100640), ('dos.txt', 0x20)):
        info = zipfile.ZipInfo(name)
        info.external_attr = mode << 16 if mode > 0xff else mode
        archive.writestr(info, 'x'))",
                                         archive);
    ASSERT_EQ(made.status, 0) << made.output;
    unzip(archive, temporary / "out");
    auto modeOf = [&](const char* name) {
        struct stat status {};
        EXPECT_EQ(::stat((temporary / "out" / name).c_str(), &status), 0);
        return status.st_mode & 07777;
    };
    EXPECT_EQ(modeOf("setuid.sh"), 0755U);
    EXPECT_EQ(modeOf("plain.txt"), 0640U);
    EXPECT_NE(modeOf("dos.txt") & 0600U, 0U);  // DOS attributes leave the default mode
}

TEST(UnzipFileTest, RejectsMissingArchivesUnknownExtensionsAndNonArchives) {
    TemporaryFolder temporary;
    writeFile(temporary / "upper.ZIP", "");
    writeFile(temporary / "garbage.zip", "this is not a zip archive at all");
    Zip::zipData({entry("a.txt", "a")}, temporary / "book.epub", std::nullopt, ZipCompression::DefaultCompression,
                 {});
    EXPECT_EQ(errorOf([&] { unzip(temporary / "missing.zip", temporary / "out"); }), ZipError::fileNotFound);
    EXPECT_EQ(errorOf([&] { unzip(temporary / "upper.ZIP", temporary / "out"); }), ZipError::fileNotFound);
    EXPECT_EQ(errorOf([&] { unzip(temporary / "book.epub", temporary / "out"); }), ZipError::fileNotFound);
    EXPECT_EQ(errorOf([&] { unzip(temporary / "garbage.zip", temporary / "out"); }), ZipError::unzipFail);
    Zip::addCustomFileExtension("epub");
    unzip(temporary / "book.epub", temporary / "out");
    Zip::removeCustomFileExtension("epub");
    EXPECT_EQ(readFile(temporary / "out" / "a.txt"), "a");
}

TEST(QuickUnzipTest, ExtractsIntoTheDocumentsFolderUnderTheBareName) {
    TemporaryFolder temporary;
    const testing::ScopedEnvironment documents("XDG_DOCUMENTS_DIR", (temporary / "docs").c_str());
    Zip::zipData({entry("inside.txt", "in")}, temporary / "a.zip.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    const fs::path destination = Zip::quickUnzipFile(temporary / "a.zip.zip");
    EXPECT_EQ(destination, temporary / "docs" / "a");
    EXPECT_EQ(readFile(destination / "inside.txt"), "in");
    // Every failure of the extraction, a missing archive included, comes back as unzipFail.
    EXPECT_EQ(errorOf([&] { Zip::quickUnzipFile(temporary / "gone.zip"); }), ZipError::unzipFail);
    writeFile(temporary / "...zip", "");
    EXPECT_EQ(errorOf([&] { Zip::quickUnzipFile(temporary / "...zip"); }), ZipError::unzipFail);
    // What lay beneath the failure is kept.
    Zip::zipData({entry("a.txt", "a"), entry("b.txt", "b")}, temporary / "huge.zip", std::nullopt,
                 ZipCompression::DefaultCompression, {});
    std::string bytes = readFile(temporary / "huge.zip");
    declareThreeGibibytes(bytes);
    writeFile(temporary / "huge.zip", bytes);
    try {
        Zip::quickUnzipFile(temporary / "huge.zip");
        ADD_FAILURE() << "extracted";
    } catch (const ZipException& error) {
        EXPECT_EQ(error.error(), ZipError::unzipFail);
        EXPECT_EQ(error.detail(), "extracting " + (temporary / "huge.zip").string() + ": " +
                                      extractionLimitReason(kDefaultExtractionLimit));
    }
}

}  // namespace
}  // namespace novawick::zip
