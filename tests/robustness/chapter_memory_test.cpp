// A book much larger than memory should hold is saved in bounded memory: chapters past the budget wait in
// the run's work folder. The save runs in a process of its own (save_book_runner), started while this
// one is small, and its peak resident size comes from the kernel when it ends. The site serves the same
// large, well-compressed chapter page at every chapter address. Sizes are cut in the sanitizer build,
// where only the book and the spilling are checked: the sanitizers' own memory says nothing of ours.
#include "QuilletApi/site.h"
#include "tests/QuilletApi/site_pages.h"
#include "tests/support/raw_tls_server.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace novawick {
namespace {

namespace fs = std::filesystem;
using testing::ContentCoding;
using testing::RawTlsServer;
using testing::ScriptedResponse;

#if defined(__SANITIZE_ADDRESS__)
#define NOVAWICK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NOVAWICK_SANITIZED 1
#endif
#endif

#ifdef NOVAWICK_SANITIZED
constexpr bool kMeasured = false;
constexpr std::size_t kChapterBytes = 3 * 1024 * 1024;  // 40 of them still pass the budget
#else
constexpr bool kMeasured = true;
constexpr std::size_t kChapterBytes = 32 * 1024 * 1024;
#endif
constexpr std::size_t kChapters = 40;
constexpr long kPeakLimitKibibytes = 600 * 1000 * 1000 / 1024;  // 600 MB

const std::string kRunner = NOVAWICK_BINARY_DIR "/tests/robustness/save_book_runner";

constexpr const char* kPhrases[] = {
    "夜色渐深，", "山风吹过竹林，", "他抬头望向远处的灯火。", "少年握紧了手中的长剑，", "心中却一片平静。",
    "掌柜笑着端上一壶热茶，", "窗外的雨声越来越急，", "城门口早已排起长队，", "她轻声说道：", "“明日再走也不迟。”",
};

// Paragraphs of a few hundred bytes, varied by a fixed sequence, `bytes` in all.
std::vector<std::string> paragraphs(std::size_t bytes) {
    std::vector<std::string> result;
    std::uint32_t sequence = 7;
    for (std::size_t total = 0; total < bytes;) {
        std::string paragraph;
        for (std::size_t phrase = 0; phrase < 12 + sequence % 20; ++phrase) {
            sequence = sequence * 1103515245u + 12345u;
            paragraph += kPhrases[(sequence >> 16) % std::size(kPhrases)];
        }
        total += paragraph.size();
        result.push_back(std::move(paragraph));
    }
    return result;
}

std::string chapterPath(std::size_t index) { return "/c/" + std::to_string(index) + ".html"; }

// Every ".json" file in the work folders inside `saveFolder`.
std::size_t spilledChapters(const fs::path& saveFolder) {
    std::size_t count = 0;
    std::error_code error;
    for (const auto& work : fs::directory_iterator(saveFolder, error)) {
        if (!work.path().filename().string().starts_with(".novawick-")) continue;
        for (const auto& file : fs::directory_iterator(work.path(), error)) count += file.path().extension() == ".json";
    }
    return count;
}

std::string outputOf(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
    pclose(pipe);
    return output;
}

TEST(ChapterMemory, ABookFarLargerThanTheBudgetIsSavedInBoundedMemory) {
    testing::TemporaryFolder save;
    RawTlsServer server({std::string(site::kHost)});
    server.route("/book/", ScriptedResponse::text(200, testing::bookPage("/read/")));
    server.route("/read/", ScriptedResponse::text(200, testing::entryPage({"/list/"})));
    std::vector<std::pair<std::string, std::string>> links;
    for (std::size_t i = 0; i < kChapters; ++i) links.emplace_back("第" + std::to_string(i + 1) + "章", chapterPath(i));
    server.route("/list/", ScriptedResponse::text(200, testing::listPage(links)));

    ScriptedResponse chapter = ScriptedResponse::text(200, "");
    chapter.body = testing::encodeBody(ContentCoding::Gzip, testing::chapterPage(paragraphs(kChapterBytes), "下一章", "/"));
    chapter.headers.emplace_back("Content-Encoding", std::string(testing::codingToken(ContentCoding::Gzip)));
    std::atomic<std::size_t> spilledBeforeLastChapter{0};
    server.setResponder([&](const testing::RecordedRequest& request) {
        if (request.target == chapterPath(kChapters - 1)) spilledBeforeLastChapter = spilledChapters(save.path());
        return request.target.starts_with("/c/") ? chapter : ScriptedResponse::text(404, "");
    });

    const std::string port = std::to_string(server.port());
    const std::string caFile = server.certificates().caFile().string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(kRunner.c_str(), kRunner.c_str(), port.c_str(), caFile.c_str(), save.path().c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    EXPECT_GT(spilledBeforeLastChapter.load(), 0u);
    EXPECT_EQ(save.entries(), std::vector<std::string>{"书.epub"});
    const std::string entries = outputOf("zipinfo -1 '" + (save / "书.epub").string() + "'");
    EXPECT_NE(entries.find("OPS/chapter-" + std::to_string(kChapters) + ".xhtml\n"), std::string::npos) << entries;
    RecordProperty("peak_resident_kibibytes", std::to_string(usage.ru_maxrss));
    if (kMeasured) {
        EXPECT_LT(usage.ru_maxrss, kPeakLimitKibibytes);
    }
}

}  // namespace
}  // namespace novawick
