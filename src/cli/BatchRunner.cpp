#include "BatchRunner.h"

#include "BatchManifest.h"
#include "CliOutput.h"
#include "CodePage.h"
#include "ExitStatus.h"
#include "OutputFile.h"
#include "OutputNamePlan.h"
#include "OutputPattern.h"
#include "PayloadSource.h"
#include "SymbolVerifier.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <system_error>
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
// Rows per window (at least, and per worker at least): large enough that the pause at the end
// of a window is small, small enough that the progress line moves and the window's symbols fit
// in memory.
constexpr std::size_t LinesPerWindow = 1024;
constexpr std::size_t LinesPerWorker = 16;
// The failed rows listed at the end, at most.
constexpr std::size_t MaxListedFailures = 1000;
// The colliding names shown when a run is refused, at most.
constexpr std::size_t MaxListedCollisions = 5;

unsigned WorkerCount(std::int32_t jobs) {
    if (jobs > 0) {
        return static_cast<unsigned>(jobs);
    }
    return std::max(1U, std::thread::hardware_concurrency());
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// A file the run reads or keeps, which no symbol may be written over.
struct KeptFile {
    std::string Name;
    const char* Role;
    std::filesystem::path Normal;
    bool Exists;
};

// The folders met so far, by their names made absolute, with those names resolved; and the
// working folder, asked for once (a batch's thousands of relative names then cost no call each).
struct Folders {
    std::map<std::filesystem::path, std::filesystem::path> Resolved;
    std::filesystem::path Working;
};

// The name absolute, with the links, "." and ".." of its folder resolved as far as the folders
// exist; the folders' results are kept, as the rows of a batch mostly share one.
std::filesystem::path NormalPath(const std::string& name, Folders& folders) {
    std::error_code ignored;
    const std::filesystem::path given = PathOf(name);
    // Only a plain relative name (no drive, no root) is the working folder's name and its own.
    const bool plain = !given.has_root_name() && !given.has_root_directory();
    if (plain && folders.Working.empty()) {
        folders.Working = std::filesystem::current_path(ignored);
    }
    const std::filesystem::path path = plain && !folders.Working.empty()
                                           ? folders.Working / given
                                           : std::filesystem::absolute(given, ignored);
    auto [folder, added] = folders.Resolved.try_emplace(path.parent_path());
    if (added) {
        folder->second = std::filesystem::weakly_canonical(folder->first, ignored);
    }
    return (folder->second / path.filename()).lexically_normal();
}

// True when name reaches the kept file: the same device and inode where both exist, else the
// same normalised path, letter case aside.
bool SameFile(const std::string& name, const KeptFile& kept, Folders& folders) {
    const std::filesystem::path normal = NormalPath(name, folders);
    if (normal == kept.Normal || OutputNamePlan::FoldCase(normal.string()) ==
                                     OutputNamePlan::FoldCase(kept.Normal.string())) {
        return true;
    }
    // A name that does not exist yet is not the kept file (one look, where comparing the two
    // would look at both).
    std::error_code error;
    return kept.Exists && std::filesystem::exists(PathOf(name), error) &&
           std::filesystem::equivalent(PathOf(name), PathOf(kept.Name), error) && !error;
}

std::string Plural(std::size_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace

BatchRunner::BatchRunner(const CliOptions& options) : m_Options(options) {}

bool BatchRunner::ReadInput(std::string& input, std::string& error) const {
    if (m_Options.BatchFile && *m_Options.BatchFile != "-") {
        const std::string& path = *m_Options.BatchFile;
        std::ifstream file(std::filesystem::path(std::u8string(
                               reinterpret_cast<const char8_t*>(path.data()), path.size())),
                           std::ios::binary);
        if (!file) {
            error = "cannot read '" + path + "': " + std::strerror(errno);
            return false;
        }
        // In blocks: a byte at a time through a stream iterator costs seconds for 100 MB.
        char block[65536];
        while (file.read(block, sizeof block) || file.gcount() > 0) {
            input.append(block, static_cast<std::size_t>(file.gcount()));
        }
        if (file.bad()) {
            error = "cannot read '" + path + "'";
            return false;
        }
        return true;
    }
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
        input.append(chunk, got);
    }
    if (std::ferror(stdin) != 0) {
        error = std::string("cannot read standard input: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool BatchRunner::PlanNames(std::vector<std::string>& names, std::size_t& renamed) const {
    const OutputPattern pattern(*m_Options.Output);
    const auto& rows = m_Table.Rows;
    std::vector<std::string> proposed(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Error.empty()) {
            const std::string_view text = NameText(i);
            // With structured append, the name of a line's first symbol stands for all of them.
            proposed[i] = pattern.Expand(rows[i].Number, Bytes(text), 1);
        }
    }
    const OutputNamePlan plan(std::move(proposed), m_Options.OnCollision == CollisionPolicy::Suffix
                                                       ? OutputNamePlan::Policy::Suffix
                                                       : OutputNamePlan::Policy::Refuse);
    names = plan.Names();
    renamed = plan.Renamed();
    const auto& collisions = plan.Collisions();
    if (!collisions.empty()) {
        std::string list;
        for (std::size_t i = 0; i < collisions.size() && i < MaxListedCollisions; ++i) {
            const std::string& first = names[collisions[i].First];
            const std::string& later = names[collisions[i].Later];
            list += "\n  " + m_Table.Where(rows[collisions[i].First]) + " and " +
                    m_Table.Where(rows[collisions[i].Later]) + ": '" + first + "'";
            if (first != later) {
                list += " and '" + later + "' (the same file where letter case is ignored)";
            }
        }
        if (collisions.size() > MaxListedCollisions) {
            list += "\n  and " + std::to_string(collisions.size() - MaxListedCollisions) + " more";
        }
        const std::string noun = m_Table.Header().empty() ? "line" : "row";
        std::fprintf(stderr,
                     "%s: %s would replace the file of an earlier %s; nothing is written:%s\n"
                     "Give every %s a name of its own (%%d in -o), or add --on-collision suffix "
                     "to keep them all (name-2.png, name-3.png, ...)\n",
                     Program, Plural(collisions.size(), noun).c_str(), noun.c_str(), list.c_str(),
                     noun.c_str());
        return false;
    }
    return true;
}

bool BatchRunner::WritesOverAnInput(const std::vector<std::string>& names) const {
    Folders folders;
    const auto kept = [&folders](const std::string& name, const char* role) {
        std::error_code ignored;
        return KeptFile{name, role, NormalPath(name, folders),
                        std::filesystem::exists(PathOf(name), ignored)};
    };
    std::vector<KeptFile> files;
    if (m_Options.BatchFile && *m_Options.BatchFile != "-") {
        files.push_back(kept(*m_Options.BatchFile, "the batch input"));
    }
    if (m_Options.Manifest) {
        if (!files.empty() && SameFile(*m_Options.Manifest, files.front(), folders)) {
            std::fprintf(stderr, "%s: the manifest '%s' is the batch input; nothing is written\n",
                         Program, m_Options.Manifest->c_str());
            return true;
        }
        files.push_back(kept(*m_Options.Manifest, "the manifest"));
    }
    for (const KeptFile& file : files) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!names[i].empty() && SameFile(names[i], file, folders)) {
                std::fprintf(stderr, "%s: %s would write over %s '%s'; nothing is written\n",
                             Program, m_Table.Where(m_Table.Rows[i]).c_str(), file.Role,
                             names[i].c_str());
                return true;
            }
        }
    }
    return false;
}

bool BatchRunner::PrepareFolders(const std::vector<std::string>& names) const {
    std::set<std::string> seen;
    std::vector<std::size_t> missing; // the first row of each missing folder
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string folder = FolderOf(names[i]);
        if (folder.empty() || !seen.insert(folder).second) {
            continue;
        }
        std::error_code error;
        const auto status = std::filesystem::status(PathOf(folder), error);
        if (std::filesystem::is_directory(status)) {
            continue;
        }
        if (std::filesystem::exists(status) && !m_Options.MakeDirs) {
            std::fprintf(stderr,
                         "%s: '%s', where the file of %s goes, is not a folder; nothing "
                         "is written\n",
                         Program, folder.c_str(), m_Table.Where(m_Table.Rows[i]).c_str());
            return false;
        }
        missing.push_back(i);
    }
    if (m_Options.MakeDirs) {
        std::string error = m_Options.Manifest ? MakeFolderOf(*m_Options.Manifest) : std::string();
        for (std::size_t k = 0; k < missing.size() && error.empty(); ++k) {
            error = MakeFolderOf(names[missing[k]]);
        }
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s; no symbol is written\n", Program, error.c_str());
        }
        return error.empty();
    }
    if (!missing.empty()) {
        const std::size_t first = missing.front();
        const std::string more = missing.size() == 1 ? ""
                                 : missing.size() == 2
                                     ? ", nor does 1 other folder"
                                     : ", nor do " + Plural(missing.size() - 1, "other folder");
        std::fprintf(stderr,
                     "%s: the folder '%s' (for the file of %s) does not exist%s; nothing is "
                     "written (add --make-dirs to make the missing folders)\n",
                     Program, FolderOf(names[first]).c_str(),
                     m_Table.Where(m_Table.Rows[first]).c_str(), more.c_str());
        return false;
    }
    return true;
}

void BatchRunner::ChooseShard() {
    const auto& rows = m_Table.Rows;
    const auto& skipped = m_Table.Skipped;
    const auto bound = [&](std::int32_t k) {
        return static_cast<std::size_t>(static_cast<std::uint64_t>(rows.size()) *
                                        static_cast<std::uint64_t>(k) /
                                        static_cast<std::uint64_t>(m_Options.Shards));
    };
    m_ShardBegin = m_Options.Shards > 0 ? bound(m_Options.Shard - 1) : 0;
    m_ShardEnd = m_Options.Shards > 0 ? bound(m_Options.Shard) : rows.size();
    // The first empty row after the given row's line.
    const auto after = [&](std::size_t row) {
        return static_cast<std::size_t>(
            std::upper_bound(
                skipped.begin(), skipped.end(), rows[row].Line,
                [](std::int64_t line, const BatchTable::Row& s) { return line < s.Line; }) -
            skipped.begin());
    };
    m_SkippedBegin = m_ShardBegin > 0 ? after(m_ShardBegin - 1) : 0;
    m_SkippedEnd = LastShard()                 ? skipped.size()
                   : m_ShardEnd > m_ShardBegin ? after(m_ShardEnd - 1)
                                               : m_SkippedBegin;
}

void BatchRunner::ShowProgress(std::size_t done, double seconds) const {
    const std::size_t total = m_ShardEnd - m_ShardBegin;
    done -= m_ShardBegin;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    const double left = rate > 0 ? static_cast<double>(total - done) / rate : 0.0;
    std::fprintf(stderr, "\r%s: %zu of %zu %s, %.0f a second, %.0f s left\x1b[K", Program, done,
                 total, m_Table.Header().empty() ? "lines" : "rows", rate, left);
    std::fflush(stderr);
}

void BatchRunner::RecordSkipped(BatchManifest& manifest, std::int64_t line, RunTally& tally) const {
    const auto& skipped = m_Table.Skipped;
    for (; tally.NextSkipped < skipped.size() && skipped[tally.NextSkipped].Line < line;
         ++tally.NextSkipped) {
        ManifestEntry entry;
        entry.Line = skipped[tally.NextSkipped].Line;
        entry.Row = skipped[tally.NextSkipped].Number;
        entry.Error = "empty";
        manifest.Add(entry);
    }
}

void BatchRunner::Record(BatchManifest& manifest, std::size_t index, const LineResult& result,
                         const std::string& path, const std::string& notTried) const {
    const BatchTable::Row& row = m_Table.Rows[index];
    ManifestEntry entry;
    entry.Line = row.Line;
    entry.Row = row.Number;
    entry.Gs1 = m_Options.Gs1;
    if (!row.Error.empty()) {
        entry.Error = row.Error;
        manifest.Add(entry);
        return;
    }
    if (result.Outcome == LineResult::Status::NotTried) {
        entry.Error = notTried;
        manifest.Add(entry);
        return;
    }
    entry.Bytes = result.DataBytes;
    entry.Sha256 = result.Sha256;
    entry.Kind = m_Options.Kind;
    if (result.Version > 0) {
        entry.Version = result.Version;
        entry.Level = result.Level;
        entry.Mask = result.Mask;
    }
    entry.Verified = result.Verified;
    entry.Detected = result.Detected;
    entry.ScanChecked = m_Options.Verify;
    if (result.Outcome == LineResult::Status::Written) {
        entry.File = path.empty() ? std::string("-") : path;
        entry.Files = result.Files;
        entry.Page = result.Page;
        entry.Cell = result.Cell;
    } else {
        entry.Error = result.Message;
    }
    manifest.Add(entry);
}

bool BatchRunner::BuildPayloads(const std::string& source) {
    const payload::PayloadKind kind = m_Options.Payload;
    const auto rules = payload::PayloadBuilder::Rules(kind);
    const std::string kindName(payload::PayloadBuilder::KindName(kind));
    std::vector<std::pair<std::string, std::string>> fields; // the row's, "file" left out
    std::vector<std::size_t> columns;
    const auto& header = m_Table.Header();
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (payload::PayloadFields::NormalName(header[i]) != "file") {
            columns.push_back(i);
            fields.emplace_back(payload::PayloadFields::NormalName(header[i]), std::string());
        }
    }
    std::string unknown;
    for (const auto& [name, value] : fields) {
        if (unknown.empty()) {
            unknown = payload::PayloadFields::Unknown(kindName, name, rules);
        }
    }
    for (const auto& [name, value] : m_Options.Fields) {
        if (unknown.empty()) {
            unknown = payload::PayloadFields::Unknown(kindName, name, rules);
        }
    }
    if (!unknown.empty()) {
        std::fprintf(stderr, "%s: %s: %s; nothing is written\n", Program, source.c_str(),
                     unknown.c_str());
        return false;
    }
    const PayloadSource payloads(m_Options);
    m_Payloads.assign(m_Table.Rows.size(), std::string());
    for (std::size_t i = 0; i < m_Table.Rows.size(); ++i) {
        BatchTable::Row& row = m_Table.Rows[i];
        if (!row.Error.empty()) {
            continue;
        }
        for (std::size_t k = 0; k < columns.size(); ++k) {
            fields[k].second = row.Fields[columns[k]];
        }
        payload::PayloadResult built = payloads.Build(fields);
        if (built.Ok()) {
            m_Payloads[i] = std::move(built.Bytes);
        } else {
            row.Error = std::move(built.Error);
        }
    }
    return true;
}

std::string_view BatchRunner::Data(std::size_t index) const {
    return m_Payloads.empty() ? m_Table.Data(m_Table.Rows[index]) : m_Payloads[index];
}

std::string_view BatchRunner::NameText(std::size_t i) const {
    return m_Table.HasFileColumn() ? m_Table.FileText(m_Table.Rows[i]) : Data(i);
}

int BatchRunner::LoadRows() {
    {
        std::string input;
        std::string error;
        if (!ReadInput(input, error)) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return ExitCannotWrite;
        }
        static constexpr BatchTable::Format Formats[] = {
            BatchTable::Format::Lines, BatchTable::Format::Csv, BatchTable::Format::Tsv};
        m_Table = BatchTable::Read(input, Formats[static_cast<int>(m_Options.BatchFormat)],
                                   !m_Options.BuildsPayload());
    }
    const std::string source = m_Options.BatchFile && *m_Options.BatchFile != "-"
                                   ? *m_Options.BatchFile
                                   : "standard input";
    if (!m_Table.Error().empty()) {
        std::fprintf(stderr, "%s: %s: %s; nothing is written\n", Program, source.c_str(),
                     m_Table.Error().c_str());
        return ExitUsage;
    }
    if (m_Options.BuildsPayload() && !BuildPayloads(source)) {
        return ExitUsage;
    }
    if (m_Options.Caption) {
        m_Caption.emplace(*m_Options.Caption, m_Table.Header());
        if (!m_Caption->Error().empty()) {
            std::fprintf(stderr, "%s: %s; nothing is written\n", Program,
                         m_Caption->Error().c_str());
            return ExitUsage;
        }
    }
    auto unused = m_Table.UnusedColumns();
    std::erase_if(unused,
                  [this](const std::string& name) { return m_Caption && m_Caption->Uses(name); });
    if (!unused.empty() && !m_Options.BuildsPayload()) {
        std::string names;
        for (const std::string& name : unused) {
            names += (names.empty() ? "'" : ", '") + name + "'";
        }
        std::fprintf(
            stderr, "%s: warning: %s: %s not used (only 'data', 'file' and the caption's are)\n",
            Program, source.c_str(),
            (unused.size() == 1 ? "the column " + names + " is" : "the columns " + names + " are")
                .c_str());
    }
    return ExitWritten;
}

void BatchRunner::Report(std::size_t i, LineResult& result, const std::string& name,
                         RunTally& tally, BatchManifest* manifest) const {
    const BatchTable::Row& row = m_Table.Rows[i];
    if (result.Outcome == LineResult::Status::DiskFull && !tally.StoppedAt) {
        tally.StoppedAt = i;
        tally.Failed.push_back(row.Number);
        tally.NotTriedReason =
            "not written: the run stopped at " + m_Table.Where(row) + " (" + result.Message + ")";
        std::fprintf(stderr,
                     "%s: %s: %s; the disk is full or read-only, so the run stops here "
                     "(the files written so far stay)\n",
                     Program, m_Table.Where(row).c_str(), result.Message.c_str());
    } else if (result.Outcome == LineResult::Status::DiskFull ||
               (result.Outcome == LineResult::Status::NotTried && row.Error.empty())) {
        // Refused or never started after the stop: not written, not a failure of its own.
        result = LineResult{};
        ++tally.NotTried;
    } else if (!row.Error.empty() || result.Outcome != LineResult::Status::Written) {
        tally.Failed.push_back(row.Number);
        std::fprintf(stderr, "%s: %s: %s\n", Program, m_Table.Where(row).c_str(),
                     (row.Error.empty() ? result.Message : row.Error).c_str());
    } else {
        ++tally.Written;
        if (!result.DataWarning.empty()) {
            std::fprintf(stderr, "%s: %s: warning: %s\n", Program, m_Table.Where(row).c_str(),
                         result.DataWarning.c_str());
        }
        if (!result.Warning.empty()) {
            std::fprintf(stderr, "%s: %s: warning: %s\n", Program, m_Table.Where(row).c_str(),
                         result.Warning.c_str());
        }
        for (const std::string& warning : result.ScanWarnings) {
            std::fprintf(stderr, "%s: %s: warning: %s\n", Program, m_Table.Where(row).c_str(),
                         warning.c_str());
        }
        tally.Undetected += result.Detected == false ? 1 : 0;
        if (name.empty() && !tally.OutputFailed) {
            // Symbols on standard output are separated by an empty line.
            if (tally.Written > 1) {
                result.Output.prepend('\n');
            }
            tally.OutputFailed = !WriteOutput(std::nullopt, result.Output).empty();
        }
    }
    if (manifest) {
        RecordSkipped(*manifest, row.Line, tally);
        Record(*manifest, i, result, name, tally.NotTriedReason);
    }
}

int BatchRunner::Finish(const RunTally& tally, std::size_t renamed, double seconds,
                        BatchManifest* manifest) const {
    const std::string noun = m_Table.Header().empty() ? "line" : "row";
    // "1 line", "2 lines".
    const auto counted = [](std::size_t count, const std::string& what) {
        return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
    };
    // With --verify every symbol that stays written has been read back.
    const char* unit = m_Options.PrintPayload ? "payloads" : "symbols";
    const std::string singular = m_Options.PrintPayload ? "payload" : "symbol";
    std::string counts = m_Options.Verify ? std::to_string(tally.Written) + " written, " +
                                                std::to_string(tally.Written) + " verified"
                                          : counted(tally.Written, singular) + " written";
    if (tally.Undetected > 0) {
        counts += " (" + std::to_string(tally.Undetected) + " not found by a scanner's search)";
    }
    if (renamed > 0) {
        counts += " (" + std::to_string(renamed) + (renamed == 1 ? " name" : " names") +
                  " given a suffix)";
    }
    std::fprintf(stderr, "%s: %s, %s failed, %s skipped, in %.2f s (%.0f %s a second)", Program,
                 counts.c_str(), counted(tally.Failed.size(), noun).c_str(),
                 counted(m_SkippedEnd - m_SkippedBegin, "empty " + noun).c_str(), seconds,
                 seconds > 0 ? static_cast<double>(tally.Written) / seconds : 0.0, unit);
    // A full or read-only disk that refuses the manifest too is said once, in the summary
    // after the stop, or alone.
    const std::string manifestError = manifest ? manifest->Commit() : std::string();
    const bool manifestRefused = !manifestError.empty() && manifest->DiskRefused();
    if (tally.StoppedAt) {
        std::fprintf(stderr, "; stopped at %s, %s not written%s",
                     m_Table.Where(m_Table.Rows[*tally.StoppedAt]).c_str(),
                     counted(tally.NotTried, noun).c_str(),
                     manifestRefused ? ", nor the manifest" : "");
    }
    std::fputc('\n', stderr);
    int status = tally.Failed.empty() ? ExitWritten : ExitWrittenButFailed;
    if (manifestRefused) {
        if (!tally.StoppedAt) {
            std::fprintf(stderr,
                         "%s: %s; the disk is full or read-only, so there is no manifest (the "
                         "files written stay)\n",
                         Program, manifestError.c_str());
        }
        status = ExitDiskFull;
    } else if (!manifestError.empty()) {
        std::fprintf(stderr, "%s: %s\n", Program, manifestError.c_str());
        status = ExitCannotWrite;
    }
    // After a stop the one message said it all, unless other rows failed too.
    if (tally.Failed.size() > (tally.StoppedAt ? 1U : 0U)) {
        std::string list;
        for (std::size_t i = 0; i < tally.Failed.size() && i < MaxListedFailures; ++i) {
            list += (i == 0 ? "" : ", ") + std::to_string(tally.Failed[i]);
        }
        if (tally.Failed.size() > MaxListedFailures) {
            list += " and " + std::to_string(tally.Failed.size() - MaxListedFailures) + " more";
        }
        std::fprintf(stderr, "%s: failed %ss: %s\n", Program, noun.c_str(), list.c_str());
    }
    return status;
}

void BatchRunner::Encode(std::size_t first, const std::vector<std::string>& names,
                         std::vector<LineResult>& results,
                         const std::vector<std::unique_ptr<LinePipeline>>& pipelines) const {
    const auto& rows = m_Table.Rows;
    const std::size_t end = first + results.size();
    // Set by the first file that a full or read-only disk refuses: no worker starts another.
    std::atomic<bool> diskRefused{false};
    const OutputPattern pattern(m_Options.Output.value_or(std::string()));
    std::atomic<std::size_t> next{first};
    auto work = [&](LinePipeline& pipeline) {
        for (std::size_t i = next++; i < end && !diskRefused; i = next++) {
            if (!rows[i].Error.empty()) {
                continue;
            }
            LineResult& result = results[i - first];
            LinePipeline::SymbolPath symbolPath;
            if (m_Options.StructuredAppend && !names[i].empty()) {
                // %d the line (or row) number, %s the line, %i the symbol's number.
                symbolPath = [&, i](std::int32_t number) {
                    return pattern.Expand(rows[i].Number, Bytes(NameText(i)), number);
                };
            }
            const std::string caption =
                m_Caption ? m_Caption->Expand(rows[i].Fields, NameText(i), rows[i].Number)
                          : std::string();
            result = pipeline.Run(Bytes(Data(i)), names[i], symbolPath, caption);
            if (result.Outcome == LineResult::Status::DiskFull) {
                diskRefused = true;
            }
        }
    };
    std::vector<std::jthread> threads;
    for (std::size_t i = 1; i < pipelines.size(); ++i) {
        threads.emplace_back(work, std::ref(*pipelines[i]));
    }
    work(*pipelines[0]);
}

int BatchRunner::Prepare(std::vector<std::string>& names, std::size_t& renamed,
                         std::unique_ptr<BatchManifest>& manifest) const {
    if (m_Options.Sheet) {
        // One file for every row.
        const std::vector<std::string> sheet{*m_Options.Output};
        if (WritesOverAnInput(sheet)) {
            return ExitUsage;
        }
        if (!PrepareFolders(sheet)) {
            return ExitCannotWrite;
        }
    } else {
        if ((!m_Options.WritesToStandardOutput() && !PlanNames(names, renamed)) ||
            WritesOverAnInput(names)) {
            return ExitUsage;
        }
        // A shard makes the folders of its own files only.
        std::vector<std::string> own(names.begin() + static_cast<std::ptrdiff_t>(m_ShardBegin),
                                     names.begin() + static_cast<std::ptrdiff_t>(m_ShardEnd));
        own.insert(own.begin(), m_ShardBegin, std::string());
        if (!PrepareFolders(own)) {
            return ExitCannotWrite;
        }
    }
    if (m_Options.Manifest) {
        manifest = std::make_unique<BatchManifest>(*m_Options.Manifest);
        if (const std::string error = manifest->Open(); !error.empty()) {
            std::fprintf(stderr, "%s: %s; nothing is written\n", Program, error.c_str());
            return manifest->DiskRefused() ? ExitDiskFull : ExitCannotWrite;
        }
    }
    return ExitWritten;
}

int BatchRunner::Run() {
    const auto started = std::chrono::steady_clock::now();
    if (const int status = LoadRows(); status != ExitWritten) {
        return status;
    }
    const auto& rows = m_Table.Rows;
    ChooseShard();

    std::vector<std::string> names(rows.size());
    std::size_t renamed = 0;
    std::unique_ptr<BatchManifest> manifest;
    if (const int status = Prepare(names, renamed, manifest); status != ExitWritten) {
        return status;
    }

    const int codePage = platform::CodePage::SystemAnsiCodePage();
    const unsigned workers = WorkerCount(m_Options.Jobs);
    std::vector<std::unique_ptr<LinePipeline>> pipelines;
    for (unsigned i = 0; i < workers; ++i) {
        pipelines.push_back(
            std::make_unique<LinePipeline>(m_Options, codePage, manifest != nullptr));
    }

    if (m_Options.Sheet) {
        return RunSheet(names, pipelines, manifest.get(), started);
    }
    const bool progress = OSTREL_ISATTY(OSTREL_FILENO(stderr)) != 0;
    const std::size_t window = std::max(LinesPerWindow, LinesPerWorker * workers);
    std::vector<LineResult> results;
    RunTally tally;
    tally.NextSkipped = m_SkippedBegin;
    auto elapsed = [&started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };

    for (std::size_t first = m_ShardBegin; first < m_ShardEnd; first += window) {
        const std::size_t end = std::min(m_ShardEnd, first + window);
        results.assign(end - first, LineResult{});
        if (!tally.StoppedAt) {
            Encode(first, names, results, pipelines);
        }

        if (progress && m_ProgressShown) {
            std::fputs("\r\x1b[K", stderr);
        }
        for (std::size_t i = first; i < end; ++i) {
            Report(i, results[i - first], names[i], tally, manifest.get());
        }
        if (tally.OutputFailed) {
            std::fprintf(stderr, "%s: cannot write to standard output: %s\n", Program,
                         std::strerror(errno));
            if (manifest) {
                for (std::size_t i = end; i < m_ShardEnd; ++i) {
                    RecordSkipped(*manifest, rows[i].Line, tally);
                    Record(*manifest, i, LineResult{}, names[i],
                           "not written: standard output could not be written");
                }
                if (LastShard()) {
                    RecordSkipped(*manifest, INT64_MAX, tally);
                }
                manifest->Commit();
            }
            return ExitCannotWrite;
        }
        if (progress && end < m_ShardEnd && !tally.StoppedAt) {
            ShowProgress(end, elapsed());
            m_ProgressShown = true;
        }
    }
    if (progress && m_ProgressShown) {
        std::fputs("\r\x1b[K", stderr);
    }
    if (manifest && LastShard()) {
        RecordSkipped(*manifest, INT64_MAX, tally);
    }
    return Finish(tally, renamed, elapsed(), manifest.get());
}

int BatchRunner::RunSheet(const std::vector<std::string>& names,
                          const std::vector<std::unique_ptr<LinePipeline>>& pipelines,
                          BatchManifest* manifest,
                          std::chrono::steady_clock::time_point started) const {
    const auto& rows = m_Table.Rows;
    std::vector<LineResult> results(rows.size());
    for (const auto& pipeline : pipelines) {
        pipeline->SetKeepSymbols(true);
    }
    Encode(0, names, results, pipelines);
    std::vector<label::SheetDocument::Label> labels;
    std::vector<std::size_t> rowOf;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Error.empty() && results[i].Symbol) {
            labels.push_back({&*results[i].Symbol, results[i].Caption});
            rowOf.push_back(i);
        }
    }
    const render::RenderSettings rendering = m_Options.Rendering();
    label::SheetDocument::Settings settings;
    settings.Margin = rendering.Margin;
    settings.Dark = rendering.Dark;
    settings.Light = rendering.Light;
    settings.CaptionPoints = m_Options.CaptionSize;
    if (m_Options.ModuleSize) {
        settings.ModulePoints =
            m_Options.EffectiveSize().ModuleInches(1) * PrintSize::PointsPerInch;
    }
    settings.CutMarks = m_Options.CutMarks;
    const label::SheetDocument::Result sheet =
        label::SheetDocument::Write(*m_Options.Sheet, labels, settings);
    const std::string& path = *m_Options.Output;
    if (!sheet.Error.empty()) {
        std::fprintf(stderr, "%s: %s; nothing is written\n", Program, sheet.Error.c_str());
        return ExitUsage;
    }
    int reason = 0;
    // Without a label left (every row failed) no file is made; the rows say why.
    if (const std::string error =
            sheet.Pdf.empty() ? std::string()
                              : WriteWholeFile(path, QByteArray::fromStdString(sheet.Pdf), &reason);
        !error.empty()) {
        std::fprintf(stderr, "%s: %s; nothing is written\n", Program, error.c_str());
        return IsDiskRefusal(reason) ? ExitDiskFull : ExitCannotWrite;
    }
    for (std::size_t k = 0; k < rowOf.size(); ++k) {
        LineResult& result = results[rowOf[k]];
        if (!sheet.Refused[k].empty()) {
            result.Outcome = LineResult::Status::BadText;
            result.Message = sheet.Refused[k];
            continue;
        }
        const label::SheetGeometry::Cell cell =
            m_Options.Sheet->At(static_cast<std::size_t>(sheet.CellOf[k]));
        result.Page = cell.Page;
        result.Cell = cell.Number;
    }
    if (m_Options.Verify) {
        VerifySheet(sheet, rowOf, results);
    }
    RunTally tally;
    tally.NextSkipped = m_SkippedBegin;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Report(i, results[i], path, tally, manifest);
    }
    if (manifest) {
        RecordSkipped(*manifest, INT64_MAX, tally);
    }
    return Finish(tally, 0,
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                  manifest);
}

void BatchRunner::VerifySheet(const label::SheetDocument::Result& sheet,
                              const std::vector<std::size_t>& rowOf,
                              std::vector<LineResult>& results) const {
    const std::string& path = *m_Options.Output;
    QFile file(QString::fromStdString(path));
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // At least four dots a module, as --verify renders other drawings.
    constexpr double ReadablePixels = 4.0;
    const double dpi =
        std::clamp(std::ceil(ReadablePixels * PrintSize::PointsPerInch / sheet.ModulePoints), 150.0,
                   static_cast<double>(PrintSize::MaxDpi));
    const std::vector<QImage> pages = SymbolVerifier::PdfPages(data, dpi);
    const double scale = dpi / PrintSize::PointsPerInch;
    for (std::size_t k = 0; k < rowOf.size(); ++k) {
        LineResult& result = results[rowOf[k]];
        if (result.Page == 0) {
            continue;
        }
        const label::SheetDocument::Result::Place& place = sheet.Places[k];
        const auto page = static_cast<std::size_t>(place.Page - 1);
        const QImage picture =
            page < pages.size()
                ? pages[page].copy(static_cast<int>(std::lround(place.X * scale)),
                                   static_cast<int>(std::lround(place.Y * scale)),
                                   static_cast<int>(std::lround(place.Width * scale)),
                                   static_cast<int>(std::lround(place.Height * scale)))
                : QImage();
        const SymbolVerifier::Outcome outcome =
            SymbolVerifier::VerifyPicture(picture, result.Encoded);
        const bool passes =
            outcome == SymbolVerifier::Outcome::Verified ||
            (outcome == SymbolVerifier::Outcome::Undetected && !m_Options.VerifyStrict);
        result.Verified = passes;
        result.Detected = outcome == SymbolVerifier::Outcome::Verified;
        const std::string where = "the label on page " + std::to_string(result.Page) + ", cell " +
                                  std::to_string(result.Cell) + " of '" + path + "'";
        if (!passes) {
            result.Outcome = LineResult::Status::Unreadable;
            result.Message = where + " does not read back (" +
                             std::string(SymbolVerifier::Reason(outcome)) +
                             "); the sheet is kept with its other labels";
            result.Page = result.Cell = 0;
        } else if (outcome != SymbolVerifier::Outcome::Verified) {
            result.ScanWarnings.push_back(where + " is " +
                                          std::string(SymbolVerifier::Reason(outcome)));
        }
    }
}

} // namespace ostrel::cli
