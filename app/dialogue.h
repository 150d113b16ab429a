// The interactive program as a user meets it: banner, search prompt, hit list, choice, save path,
// download, "Finish". It owns no network or file-format logic: a BookSource does the work, so that the
// same dialogue runs against the real site, the embedded demo site or a stand-in in tests.
#pragma once

#include "QuilletApi/records/records.h"
#include "net/transport.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novawick {

class BookSource {
public:
    virtual ~BookSource() = default;
    virtual std::vector<SearchResult> search(std::string_view name) = 0;
    virtual void genEpub(const std::filesystem::path& at, const SearchResult& with) = 0;
};

/// The novel-site client as a book source, called as the dialogue calls it: no temporary folder, no progress.
class QuilletSource : public BookSource {
public:
    /// Through the program's shared HTTP client.
    QuilletSource() = default;
    /// Through `transport` (the demo's), which must outlive the source.
    explicit QuilletSource(net::Transport& transport) : transport_(&transport) {}

    std::vector<SearchResult> search(std::string_view name) override;
    void genEpub(const std::filesystem::path& at, const SearchResult& with) override;

private:
    net::Transport& transport() const;

    net::Transport* transport_ = nullptr;  // null: the shared client, made at the first request
};

inline constexpr std::string_view kBannerTitle = "Novawick";
inline constexpr std::string_view kBannerCredit = "Made by Zentor";
inline constexpr std::string_view kSearchPrompt = "Search: ";
inline constexpr std::string_view kIdPrompt = "ID: ";
inline constexpr std::string_view kSavePathPrompt = "Save Path: ";
inline constexpr std::string_view kNoSuchBook = "No such book";
inline constexpr std::string_view kDownloading = "Downloading...";
inline constexpr std::string_view kFinish = "Finish";

/// Parses a whole line as a decimal integer: optional sign, ASCII digits, nothing else, in signed 64-bit range.
std::optional<std::int64_t> parseChoice(std::string_view line);

/// Makes a remote text safe for a terminal: C0 and C1 controls, DEL and the bidirectional embedding,
/// override and isolate controls become U+FFFD (so a page can never send escape sequences or reorder a
/// line), as does any byte that is not part of valid UTF-8.
std::string terminalSafe(std::string_view text);

/// Reads one line without its line end (LF or CR LF); absent at end of input.
std::optional<std::string> readLine(std::FILE* in);

/// Runs the dialogue once, top to bottom. The terminal width is read from `terminalFd`; when that fails
/// nothing is written. Returns the exit status. Errors of the source propagate to the caller.
int runDialogue(BookSource& source, std::FILE* in, std::FILE* out, int terminalFd);

}  // namespace novawick
