#include "BatchRunner.h"

#include "CliOutput.h"
#include "CodePage.h"
#include "ExitStatus.h"
#include "LinePipeline.h"
#include "OutputPattern.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <io.h>
#define OSTREL_ISATTY _isatty
#define OSTREL_FILENO _fileno
#else
#include <unistd.h>
#define OSTREL_ISATTY isatty
#define OSTREL_FILENO fileno
#endif

namespace ostrel::cli {

namespace {

constexpr const char* Program = "ostrel-qr-cli";
// Lines per window (at least, and per worker at least): large enough that the pause at the end
// of a window is small, small enough that the progress line moves and the window's symbols fit
// in memory.
constexpr std::size_t LinesPerWindow = 1024;
constexpr std::size_t LinesPerWorker = 16;
// The failed lines listed at the end, at most.
constexpr std::size_t MaxListedFailures = 1000;

unsigned WorkerCount() {
    return std::max(1U, std::thread::hardware_concurrency());
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One pipeline for each worker.
std::vector<std::unique_ptr<LinePipeline>>
Pipelines(const CliOptions& options, const OutputPattern* pattern, int codePage, unsigned workers) {
    std::vector<std::unique_ptr<LinePipeline>> pipelines;
    for (unsigned i = 0; i < workers; ++i) {
        pipelines.push_back(std::make_unique<LinePipeline>(options, pattern, codePage));
    }
    return pipelines;
}

// The summary on standard error: the counts, then the failed lines; returns the exit status.
int Summarise(const CliOptions& options, std::size_t written,
              const std::vector<std::int64_t>& failed, std::int64_t emptyLines, double seconds) {
    // With --verify every symbol that stays written has been read back.
    const std::string counts = options.Verify ? std::to_string(written) + " written, " +
                                                    std::to_string(written) + " verified"
                                              : std::to_string(written) + " symbols written";
    std::fprintf(stderr,
                 "%s: %s, %zu lines failed, %lld empty lines skipped, in %.2f s "
                 "(%.0f symbols a second)\n",
                 Program, counts.c_str(), failed.size(), static_cast<long long>(emptyLines),
                 seconds, seconds > 0 ? static_cast<double>(written) / seconds : 0.0);
    if (failed.empty()) {
        return ExitWritten;
    }
    std::string list;
    for (std::size_t i = 0; i < failed.size() && i < MaxListedFailures; ++i) {
        list += (i == 0 ? "" : ", ") + std::to_string(failed[i]);
    }
    if (failed.size() > MaxListedFailures) {
        list += " and " + std::to_string(failed.size() - MaxListedFailures) + " more";
    }
    std::fprintf(stderr, "%s: failed lines: %s\n", Program, list.c_str());
    return ExitWrittenButFailed;
}

} // namespace

BatchRunner::BatchRunner(const CliOptions& options) : m_Options(options) {}

bool BatchRunner::ReadInput(std::string& error) {
    if (m_Options.BatchFile && *m_Options.BatchFile != "-") {
        const std::string& path = *m_Options.BatchFile;
        std::ifstream file(std::filesystem::path(std::u8string(
                               reinterpret_cast<const char8_t*>(path.data()), path.size())),
                           std::ios::binary);
        if (!file) {
            error = "cannot read '" + path + "': " + std::strerror(errno);
            return false;
        }
        m_Input.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (file.bad()) {
            error = "cannot read '" + path + "'";
            return false;
        }
    } else {
        char chunk[65536];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
            m_Input.append(chunk, got);
        }
        if (std::ferror(stdin) != 0) {
            error = std::string("cannot read standard input: ") + std::strerror(errno);
            return false;
        }
    }
    std::size_t start = 0;
    std::int64_t number = 0;
    while (start < m_Input.size()) {
        std::size_t end = m_Input.find('\n', start);
        const std::size_t next = end == std::string::npos ? m_Input.size() : end + 1;
        if (end == std::string::npos) {
            end = m_Input.size();
        }
        if (end > start && m_Input[end - 1] == '\r') {
            --end;
        }
        ++number;
        if (end == start) {
            ++m_EmptyLines;
        } else {
            m_Lines.push_back(Line{number, start, end - start});
        }
        start = next;
    }
    return true;
}

void BatchRunner::ShowProgress(std::size_t done, double seconds) const {
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    const double left = rate > 0 ? static_cast<double>(m_Lines.size() - done) / rate : 0.0;
    std::fprintf(stderr, "\r%s: %zu of %zu lines, %.0f a second, %.0f s left\x1b[K", Program, done,
                 m_Lines.size(), rate, left);
    std::fflush(stderr);
}

int BatchRunner::Run() {
    const auto started = std::chrono::steady_clock::now();
    std::string error;
    if (!ReadInput(error)) {
        std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
        return ExitCannotWrite;
    }

    const auto pattern = m_Options.WritesToStandardOutput()
                             ? std::unique_ptr<OutputPattern>()
                             : std::make_unique<OutputPattern>(*m_Options.Output);
    const int codePage = platform::CodePage::SystemAnsiCodePage();
    const unsigned workers = WorkerCount();
    const auto pipelines = Pipelines(m_Options, pattern.get(), codePage, workers);

    const bool progress = OSTREL_ISATTY(OSTREL_FILENO(stderr)) != 0;
    const std::size_t window = std::max(LinesPerWindow, LinesPerWorker * workers);
    std::vector<LineResult> results;
    std::vector<std::int64_t> failed;
    std::size_t written = 0;
    bool outputFailed = false;

    for (std::size_t first = 0; first < m_Lines.size(); first += window) {
        const std::size_t end = std::min(m_Lines.size(), first + window);
        results.assign(end - first, LineResult{});
        std::atomic<std::size_t> next{first};
        auto work = [&](LinePipeline& pipeline) {
            for (std::size_t i = next++; i < end; i = next++) {
                const Line& line = m_Lines[i];
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_Input.data());
                results[i - first] =
                    pipeline.Run(line.Number, std::span(bytes + line.Start, line.Length));
            }
        };
        {
            std::vector<std::jthread> threads;
            for (unsigned i = 1; i < workers; ++i) {
                threads.emplace_back(work, std::ref(*pipelines[i]));
            }
            work(*pipelines[0]);
        }

        if (progress && m_ProgressShown) {
            std::fputs("\r\x1b[K", stderr);
        }
        for (std::size_t i = first; i < end; ++i) {
            LineResult& result = results[i - first];
            if (result.Outcome != LineResult::Status::Written) {
                failed.push_back(m_Lines[i].Number);
                std::fprintf(stderr, "%s: line %lld: %s\n", Program,
                             static_cast<long long>(m_Lines[i].Number), result.Message.c_str());
                continue;
            }
            ++written;
            if (!pattern && !outputFailed) {
                // Symbols on standard output are separated by an empty line.
                if (written > 1) {
                    result.Output.prepend('\n');
                }
                outputFailed = !WriteOutput(std::nullopt, result.Output).empty();
            }
        }
        if (outputFailed) {
            std::fprintf(stderr, "%s: cannot write to standard output: %s\n", Program,
                         std::strerror(errno));
            return ExitCannotWrite;
        }
        if (progress && end < m_Lines.size()) {
            ShowProgress(end, SecondsSince(started));
            m_ProgressShown = true;
        }
    }
    if (progress && m_ProgressShown) {
        std::fputs("\r\x1b[K", stderr);
    }

    return Summarise(m_Options, written, failed, m_EmptyLines, SecondsSince(started));
}

} // namespace ostrel::cli
