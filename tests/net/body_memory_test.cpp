// Peak memory of a transfer stopped at the body cap, for compression bombs in every coding. It runs
// with the real 256 MiB cap, because the faults it guards against only show at that size: a whole
// network chunk decoded before the cap is looked at (4 GiB from 50 KB of Brotli), or a body string
// doubling its room just below the cap. Each fetch runs in a fresh process (this program started again
// for the one test), so that the peak the kernel reports through wait4 is that fetch's alone; it runs
// under an address-space limit, so that a regression fails here instead of taking the memory of the
// machine. The sanitizers make memory several times dearer, so there only the outcome is checked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "net/errors.h"
#include "pages/requests.h"
#include "tests/support/raw_tls_server.h"

#if defined(__SANITIZE_ADDRESS__)
#define NOVAWICK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NOVAWICK_SANITIZED 1
#endif
#endif

namespace {

#ifdef NOVAWICK_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

using novawick::testing::ContentCoding;
using novawick::testing::RawTlsServer;
using novawick::testing::ScriptedResponse;

constexpr std::uint64_t kMebibyte = 1024 * 1024;
// What a capped transfer may hold at its peak, the process's own few megabytes included.
constexpr std::uint64_t kPeakAllowance = novawick::net::kMaximumBodyBytes + 64 * kMebibyte;
// Room for the libraries, thread stacks and malloc arenas besides the body; far below what the faults took.
constexpr rlim_t kAddressSpaceLimit = 2048 * kMebibyte;

// Set in the environment of the started copy, which then only fetches.
constexpr const char* kChildVariable = "NOVAWICK_BODY_MEMORY_CHILD";

// How the child's fetch ended, as its exit status.
enum ChildOutcome : int { kCapReported = 0, kAccepted = 1, kOtherFailure = 2, kOutOfMemory = 3 };

int fetchBombInChild(ContentCoding coding, std::uint64_t decodedMebibytes) {
    const rlimit limit{kAddressSpaceLimit, kAddressSpaceLimit};
    if (!kSanitized && setrlimit(RLIMIT_AS, &limit) != 0) return kOtherFailure;
    try {
        const std::string bomb = novawick::testing::encodeZeros(coding, decodedMebibytes);
        RawTlsServer server;
        ScriptedResponse response = ScriptedResponse::text(200, bomb);
        response.headers.emplace_back("Content-Encoding", std::string(novawick::testing::codingToken(coding)));
        server.route("/bomb", response);
        try {
            novawick::pages::pageFetch(server.client(), server.url("/bomb"));
            return kAccepted;
        } catch (const novawick::net::TransportError& error) {
            return error.failure() == novawick::net::TransportFailure::BodyTooLarge ? kCapReported : kOtherFailure;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kOtherFailure;
    }
}

struct BombCase {
    const char* name;
    ContentCoding coding;
    std::uint64_t decodedMebibytes;
};

void PrintTo(const BombCase& item, std::ostream* out) { *out << item.name; }

class BodyMemoryTest : public testing::TestWithParam<BombCase> {};

// Starts this program again for the running test alone, with its output silenced; returns its id.
pid_t startChild() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::string program = "/proc/self/exe";
    std::vector<char*> arguments{program.data(), const_cast<char*>(filter.c_str()), nullptr};
    std::string marker = std::string(kChildVariable) + "=1";
    std::vector<char*> environment{marker.data()};
    for (char** variable = environ; *variable != nullptr; ++variable) environment.push_back(*variable);
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int error = posix_spawn(&child, program.c_str(), &actions, nullptr, arguments.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? child : -1;
}

TEST_P(BodyMemoryTest, CappedTransferPeaksBelowTheCapPlus64MiB) {
    const BombCase& bomb = GetParam();
    if (std::getenv(kChildVariable) != nullptr) _exit(fetchBombInChild(bomb.coding, bomb.decodedMebibytes));
    const pid_t child = startChild();
    ASSERT_GT(child, 0);

    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kCapReported);
    const auto peakKibibytes = static_cast<std::uint64_t>(usage.ru_maxrss);
    // The figures, for a look with --gtest_output=xml.
    RecordProperty("bomb_bytes",
                   std::to_string(novawick::testing::encodeZeros(bomb.coding, bomb.decodedMebibytes).size()));
    RecordProperty("peak_kib", std::to_string(peakKibibytes));
    if (!kSanitized) {
        EXPECT_LE(peakKibibytes * 1024, kPeakAllowance) << "peak " << peakKibibytes / 1024 << " MiB";
    }
}

INSTANTIATE_TEST_SUITE_P(Bombs, BodyMemoryTest,
                         testing::Values(BombCase{"brotli4GiB", ContentCoding::Brotli, 4096},
                                         BombCase{"gzip1GiB", ContentCoding::Gzip, 1024},
                                         BombCase{"deflate1GiB", ContentCoding::Deflate, 1024}),
                         [](const testing::TestParamInfo<BombCase>& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
