// whole-job-bench: the whole download of a long book against a site on loopback, next to its floor:
// `curl` fetching the same addresses one after another over one connection, plus Info-ZIP's
// `zip -q -6 -r` packing the same book folder. The site runs in a child process forked before any thread
// exists, so the memory figures are the client's alone; it records the paths it serves, and curl is then
// given exactly the pages the job read. The book folder for `zip` is the finished book unpacked, the
// same files with the same bytes as the folder the job packed and removed.
//
// Chapter text is drawn from a few thousand distinct sentences (bench/chapter_text.h) with a fixed seed:
// repeatable, and no easier to pack than a real book, which the packing in both contenders depends on.
//
// Prints `key=value` lines (scripts/bench reads them): wall times of curl, of zip and of getContent +
// generate, TCP connections each used, and peak RSS of the job with chapters in memory and with chapters
// spilled to a temporary folder, beside the book's extracted text.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "QuilletApi/quillet_api.h"
#include "QuilletApi/site.h"
#include "base/uuid.h"
#include "bench/chapter_text.h"
#include "bench/process_memory.h"
#include "demo/cover_picture.h"
#include "demo/demo_pages.h"
#include "demo/loopback/loopback_site.h"
#include "epub/epub_gen.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using novawick::demo::SampleBook;

struct Settings {
    std::size_t chapters = 2000;
    std::size_t pagesPerChapter = 2;
    std::size_t pageBytes = 20 * 1024;
    int repeats = 3;
};

SampleBook makeBook(const Settings& settings) {
    SampleBook book;
    book.slug = "bench";
    book.title = "长夜行";
    book.author = "基准";
    book.introduction = {"一本为测量而写的书。"};
    book.coverColour = 0x334455;
    book.accentColour = 0xddaa33;
    novawick::bench::ChapterText text;
    constexpr std::size_t kMarkupPerParagraph = 12;  // "<p>\n  " ... "\n</p>\n"
    constexpr std::size_t kPageFurniture = 1200;      // head, heading, navigation
    for (std::size_t chapter = 0; chapter < settings.chapters; ++chapter) {
        novawick::demo::SampleChapter model;
        model.title = "第" + std::to_string(chapter + 1) + "章 夜行";
        for (std::size_t page = 0; page < settings.pagesPerChapter; ++page) {
            std::vector<std::string> lines;
            std::size_t bytes = kPageFurniture;
            while (bytes < settings.pageBytes) {
                lines.push_back(text.paragraph());
                bytes += lines.back().size() + kMarkupPerParagraph;
            }
            model.pages.push_back(std::move(lines));
        }
        book.chapters.push_back(std::move(model));
    }
    return book;
}

std::size_t textBytes(const SampleBook& book) {
    std::size_t bytes = 0;
    for (const auto& chapter : book.chapters)
        for (const auto& page : chapter.pages)
            for (const auto& line : page) bytes += line.size();
    return bytes;
}

// ---- the site, in a child process ----------------------------------------------------------------

struct SiteProcess {
    pid_t pid = -1;
    int toSite = -1;    // commands: one letter and a newline
    int fromSite = -1;  // answers: lines
    std::uint16_t port = 0;
    std::string caFile;
    std::size_t textBytes = 0;  // the book's paragraphs, as the site's model holds them
};

bool readLine(int fd, std::string& line) {
    line.clear();
    char c = 0;
    while (true) {
        const ssize_t got = read(fd, &c, 1);
        if (got <= 0) return false;
        if (c == '\n') return true;
        line += c;
    }
}

void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote <= 0) return;
        done += static_cast<std::size_t>(wrote);
    }
}

// The server library brotli-compresses any text type for a client that accepts it, at a cost per page
// far above the client's whole work, and curl does not ask for it while the site client does: pages go
// out under a type it leaves alone, so both contenders get the same bytes. The client ignores the type.
constexpr const char* kUncompressedType = "application/octet-stream";

// Serves the book until the parent closes the command pipe. Commands: 'c' answers the connection and
// request counts; 'p' answers the paths served since the last 'p', then an empty line.
void runSite(const Settings& settings, int commands, int answers) {
    namespace demo = novawick::demo;
    const SampleBook book = makeBook(settings);
    novawick::loopback::LoopbackSite site({std::string(novawick::site::kHost)});
    std::mutex pathsMutex;
    std::vector<std::string> paths;
    auto serve = [&](const std::string& path, std::function<std::string()> render) {
        site.get(path, [&, path, render = std::move(render)](const novawick::loopback::SiteRequest&,
                                                              novawick::loopback::SiteResponse& response) {
            response.contentType = kUncompressedType;
            response.body = render();
            std::lock_guard lock(pathsMutex);
            paths.push_back(path);
        });
    };
    serve(demo::bookPath(book), [&book] { return demo::bookPage(book); });
    for (std::size_t list = 0; list < demo::listPageCount(book); ++list)
        serve(demo::listPagePath(book, list), [&book, list] { return demo::listPage(book, list); });
    for (std::size_t chapter = 0; chapter < book.chapters.size(); ++chapter)
        for (std::size_t page = 0; page < book.chapters[chapter].pages.size(); ++page)
            serve(demo::chapterPagePath(book, chapter, page),
                  [&book, chapter, page] { return demo::chapterPage(book, chapter, page); });
    const std::string cover = demo::coverPicture(book);
    site.get(demo::coverPath(book), [&](const novawick::loopback::SiteRequest&, novawick::loopback::SiteResponse& response) {
        response.contentType = "image/png";
        response.body = cover;
        std::lock_guard lock(pathsMutex);
        paths.push_back(demo::coverPath(book));
    });
    writeAll(answers, std::to_string(site.port()) + "\n" + site.certificates().caFile().string() + "\n" +
                          std::to_string(textBytes(book)) + "\n");
    std::string command;
    while (readLine(commands, command)) {
        if (command == "c") {
            writeAll(answers, std::to_string(site.connectionsAccepted()) + " " + std::to_string(site.requestsServed()) + "\n");
        } else if (command == "p") {
            std::string text;
            {
                std::lock_guard lock(pathsMutex);
                for (const std::string& path : paths) text += path + "\n";
                paths.clear();
            }
            writeAll(answers, text + "\n");
        }
    }
}

SiteProcess startSite(const Settings& settings) {
    int down[2];
    int up[2];
    if (pipe(down) != 0 || pipe(up) != 0) throw std::runtime_error("pipe failed");
    SiteProcess process;
    process.pid = fork();
    if (process.pid < 0) throw std::runtime_error("fork failed");
    if (process.pid == 0) {
        close(down[1]);
        close(up[0]);
        int status = 0;
        try {
            runSite(settings, down[0], up[1]);
        } catch (const std::exception& error) {
            std::cerr << "whole-job-bench: site: " << error.what() << '\n';
            status = 1;
        }
        std::_Exit(status);
    }
    close(down[0]);
    close(up[1]);
    process.toSite = down[1];
    process.fromSite = up[0];
    std::string port;
    std::string text;
    if (!readLine(process.fromSite, port) || !readLine(process.fromSite, process.caFile) ||
        !readLine(process.fromSite, text))
        throw std::runtime_error("the site did not start");
    process.port = static_cast<std::uint16_t>(std::stoul(port));
    process.textBytes = std::stoul(text);
    return process;
}

std::size_t connectionsSoFar(const SiteProcess& site) {
    writeAll(site.toSite, "c\n");
    std::string line;
    if (!readLine(site.fromSite, line)) throw std::runtime_error("the site went away");
    return std::stoul(line);
}

std::vector<std::string> servedPaths(const SiteProcess& site) {
    writeAll(site.toSite, "p\n");
    std::vector<std::string> paths;
    for (std::string line; readLine(site.fromSite, line) && !line.empty();) paths.push_back(line);
    return paths;
}

void stopSite(SiteProcess& site) {
    close(site.toSite);
    close(site.fromSite);
    int status = 0;
    waitpid(site.pid, &status, 0);
}

// ---- the two contenders ----------------------------------------------------------------------------

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a program to its end, in `folder` when one is given; returns its wall time in seconds.
double runProgram(std::vector<std::string> arguments, const std::optional<fs::path>& folder = std::nullopt) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (folder) posix_spawn_file_actions_addchdir_np(&actions, folder->c_str());
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot run " + arguments[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = secondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(arguments[0] + " failed");
    return seconds;
}

// curl with every address in one invocation: one process, one connection kept alive throughout.
double runCurl(const SiteProcess& site, const std::vector<std::string>& paths, const fs::path& work) {
    const std::string host(novawick::site::kHost);
    const fs::path config = work / "curl-urls.txt";
    {
        std::ofstream out(config);
        for (const std::string& path : paths) out << "url = \"https://" << host << path << "\"\noutput = \"/dev/null\"\n";
    }
    return runProgram({"curl", "--silent", "--show-error", "--fail", "--connect-to",
                       host + ":443:127.0.0.1:" + std::to_string(site.port), "--cacert", site.caFile, "--config",
                       config.string()});
}

// The one book file the job left in `saveFolder`.
fs::path finishedBook(const fs::path& saveFolder) {
    std::vector<fs::path> books;
    for (const fs::directory_entry& entry : fs::directory_iterator(saveFolder))
        if (entry.is_regular_file() && entry.path().extension() == ".epub") books.push_back(entry.path());
    if (books.size() != 1) throw std::runtime_error("the job did not leave one book in " + saveFolder.string());
    return books.front();
}

// The book folder the job packed, unpacked from its book; returns its top-level names in the order the
// job packs them ("mimetype" first, the folders after).
std::vector<std::string> unpackBook(const fs::path& book, const fs::path& folder) {
    runProgram({"unzip", "-q", book.string(), "-d", folder.string()});
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& left, const std::string& right) {
        return std::make_pair(left != "mimetype", left) < std::make_pair(right != "mimetype", right);
    });
    return names;
}

// Info-ZIP at deflate level 6, zlib's default, which the job packs with too.
double runZip(const fs::path& bookFolder, const std::vector<std::string>& names, const fs::path& archive) {
    std::vector<std::string> arguments = {"zip", "-q", "-6", "-r", archive.string()};
    arguments.insert(arguments.end(), names.begin(), names.end());
    fs::remove(archive);
    return runProgram(std::move(arguments), bookFolder);
}

novawick::SearchResult bookHit(const SampleBook& book) {
    const std::string base = "https://" + std::string(novawick::site::kHost);
    return novawick::SearchResult{book.title, book.author, *novawick::Url::parse(novawick::demo::coverUrl(book)),
                                  *novawick::Url::parse(base + novawick::demo::bookPath(book)),
                                  novawick::ResultType::vorune};
}

struct JobTimes {
    double download = 0;  // getContent
    double total = 0;     // getContent and generate
};

// getContent then EpubGen::generate, as genEpub runs them.
JobTimes runJob(novawick::net::Transport& transport, const novawick::SearchResult& hit,
                const std::optional<fs::path>& temp, const fs::path& saveFolder) {
    JobTimes times;
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<novawick::Content> chapters = novawick::QuilletApi::getContent(transport, hit, temp, {});
        times.download = secondsSince(start);
        novawick::epub::EpubGen book(transport, std::move(chapters), hit, novawick::newUuidString());
        book.generate(saveFolder, {});
    }
    times.total = secondsSince(start);
    return times;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool parseSettings(int argc, char** argv, Settings& settings) {
    for (int index = 1; index + 1 < argc; index += 2) {
        const std::string name = argv[index];
        const long value = std::strtol(argv[index + 1], nullptr, 10);
        if (value < 1) return false;
        if (name == "--chapters") settings.chapters = static_cast<std::size_t>(value);
        else if (name == "--page-bytes") settings.pageBytes = static_cast<std::size_t>(value);
        else if (name == "--repeats") settings.repeats = static_cast<int>(value);
        else return false;
    }
    return argc % 2 == 1;
}

void report(const char* key, double value) { std::printf("%s=%.3f\n", key, value); }
void report(const char* key, std::size_t value) { std::printf("%s=%zu\n", key, value); }

// The benchmark's temporary folder, removed however the run ends.
struct WorkFolder {
    fs::path path = fs::temp_directory_path() / ("whole-job-bench-" + std::to_string(getpid()));
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

int runBenchmark(const Settings& settings) {
    const WorkFolder workFolder;
    const fs::path& work = workFolder.path;
    fs::create_directories(work / "save");
    fs::create_directories(work / "spill");
    // Forked first, while this process is small and has no threads; the book's model lives there only.
    SiteProcess site = startSite(settings);

    novawick::net::ClientSettings clientSettings;
    clientSettings.routes.push_back({std::string(novawick::site::kHost), 443, site.port});
    clientSettings.caFile = site.caFile;
    // Dropped before the site stops: that closes the client's kept-alive connection, which the server
    // would otherwise wait out.
    std::optional<novawick::net::HttpClient> client(std::in_place, clientSettings);
    const novawick::SearchResult hit = bookHit(makeBook({1, 1, 1, 1}));

    // Spilled first, in a fresh process, so that no earlier run's freed memory is counted.
    const std::size_t connectionsBefore = connectionsSoFar(site);
    const long spillBaseline = novawick::bench::currentResidentKibibytes();
    novawick::bench::resetPeakResidentMemory();
    runJob(*client, hit, work / "spill", work / "save");
    const long spilledPeak = novawick::bench::peakResidentKibibytes();
    const fs::path book = finishedBook(work / "save");
    const std::size_t bookBytes = fs::file_size(book);
    const fs::path bookFolder = work / "book-folder";
    const std::vector<std::string> bookNames = unpackBook(book, bookFolder);
    fs::remove_all(work / "save");
    fs::create_directories(work / "save");
    servedPaths(site);
    malloc_trim(0);

    std::vector<double> curlSeconds;
    std::vector<double> zipSeconds;
    std::vector<double> floorSeconds;
    std::vector<double> jobSeconds;
    std::vector<double> downloadSeconds;
    std::size_t jobConnections = connectionsSoFar(site) - connectionsBefore;
    std::size_t curlConnections = 0;
    std::size_t requests = 0;
    long memoryPeak = 0;
    const long baseline = novawick::bench::currentResidentKibibytes();
    for (int repeat = 0; repeat < settings.repeats; ++repeat) {
        novawick::bench::resetPeakResidentMemory();
        std::size_t before = connectionsSoFar(site);
        const JobTimes times = runJob(*client, hit, std::nullopt, work / "save");
        jobSeconds.push_back(times.total);
        downloadSeconds.push_back(times.download);
        memoryPeak = std::max(memoryPeak, novawick::bench::peakResidentKibibytes());
        jobConnections = std::max(jobConnections, connectionsSoFar(site) - before);
        fs::remove_all(work / "save");
        fs::create_directories(work / "save");
        const std::vector<std::string> paths = servedPaths(site);
        requests = paths.size();
        before = connectionsSoFar(site);
        curlSeconds.push_back(runCurl(site, paths, work));
        servedPaths(site);
        curlConnections = std::max(curlConnections, connectionsSoFar(site) - before);
        zipSeconds.push_back(runZip(bookFolder, bookNames, work / "floor.zip"));
        floorSeconds.push_back(curlSeconds.back() + zipSeconds.back());
    }
    const std::size_t floorZipBytes = fs::file_size(work / "floor.zip");
    client.reset();
    stopSite(site);

    report("chapters", settings.chapters);
    report("requests", requests);
    report("text_bytes", site.textBytes);
    report("book_bytes", bookBytes);
    report("zip_bytes", floorZipBytes);
    report("curl_seconds", median(curlSeconds));
    report("zip_seconds", median(zipSeconds));
    report("floor_seconds", median(floorSeconds));  // curl and zip of the same repeat, added
    report("job_seconds", median(jobSeconds));
    report("download_seconds", median(downloadSeconds));
    // The most any one job used: the client keeps one connection alive. Not added up over the runs: the
    // site closes a connection left idle for 5 s, and the floor's packing leaves it idle that long.
    report("job_connections", jobConnections);
    report("curl_connections", curlConnections);
    std::printf("rss_baseline_kib=%ld\nrss_peak_memory_kib=%ld\nrss_spill_baseline_kib=%ld\nrss_peak_spilled_kib=%ld\n",
                baseline, memoryPeak, spillBaseline, spilledPeak);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parseSettings(argc, argv, settings)) {
        std::cerr << "usage: whole-job-bench [--chapters N] [--page-bytes N] [--repeats N]\n";
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    try {
        return runBenchmark(settings);
    } catch (const std::exception& error) {
        std::cerr << "whole-job-bench: " << error.what() << '\n';
        return 1;
    }
}
