#pragma once

#include "BatchTable.h"
#include "CaptionPattern.h"
#include "CliOptions.h"
#include "LinePipeline.h"
#include "SheetDocument.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::cli {

class BatchManifest;

// A batch run: every row of a file or of standard input (a line, or a CSV or TSV row under its
// header; see BatchTable) becomes one symbol.
//
// Before anything is written, the name of every file is settled (OutputNamePlan): names that
// collide, also only by letter case, refuse the run, or with --on-collision suffix get -2, -3,
// ... The rows are then shared out in windows among the workers (--jobs, one per core by
// default), each with its own LinePipeline; after every window the symbols for standard output
// are written in row order, the failures reported with their row and the progress line redrawn.
// A full or read-only disk stops the run at the first file it refuses. The files depend on the
// rows alone, so they are the same bytes whatever the number of workers. Memory holds the rows
// and one window.
class BatchRunner {
public:
    explicit BatchRunner(const CliOptions& options);

    // Runs the batch; returns the exit status: 0 when every row was written, 1 when a row failed
    // or a full or read-only disk refused a file or the manifest, 2 when the rows cannot be used
    // (a table without a data column, names that collide), 3 when the input cannot be read, a
    // folder of the files is missing (without --make-dirs) or cannot be made, or standard output
    // or the manifest cannot be written for another reason.
    int Run();

private:
    // What the run has seen of the rows so far.
    struct RunTally {
        std::vector<std::int64_t> Failed; // row numbers
        std::size_t Written = 0;
        std::size_t Undetected = 0; // written, but a scanner's search missed a symbol (--verify)
        std::size_t NotTried = 0;   // after a stop
        bool OutputFailed = false;
        std::optional<std::size_t> StoppedAt; // the row a full or read-only disk refused
        std::string NotTriedReason;
        std::size_t NextSkipped = 0; // the first empty row not yet in the manifest
    };

    // Reads and checks the table (and with --payload builds the payloads); ExitWritten when the
    // run can go on, else the exit status after saying why.
    int LoadRows();
    // Says what became of the row at index i, writes its symbol to standard output when it goes
    // there, and records it in the manifest.
    void Report(std::size_t i, LineResult& result, const std::string& name, RunTally& tally,
                BatchManifest* manifest) const;
    // The summary line, the manifest committed and the failed rows listed; the exit status.
    int Finish(const RunTally& tally, std::size_t renamed, double seconds,
               BatchManifest* manifest) const;
    // The symbols of the rows from first on, one result each, shared out among the pipelines.
    void Encode(std::size_t first, const std::vector<std::string>& names,
                std::vector<LineResult>& results,
                const std::vector<std::unique_ptr<LinePipeline>>& pipelines) const;
    bool ReadInput(std::string& input, std::string& error) const;
    // The file of every row, checked for collisions; false (after saying why) when the run
    // must not start.
    bool PlanNames(std::vector<std::string>& names, std::size_t& renamed) const;
    // True (after saying why) when a planned file is the batch input or the manifest, or the
    // manifest is the batch input.
    bool WritesOverAnInput(const std::vector<std::string>& names) const;
    // The names of the files settled (names, and how many got a suffix in renamed), their
    // folders there and the manifest opened: ExitWritten when the run can start, else the exit
    // status after saying why.
    int Prepare(std::vector<std::string>& names, std::size_t& renamed,
                std::unique_ptr<BatchManifest>& manifest) const;
    // Every folder that the planned files (and with --make-dirs the manifest) go into exists,
    // or with --make-dirs has been made; false after one message naming the first folder that
    // is missing, is no folder or cannot be made.
    bool PrepareFolders(const std::vector<std::string>& names) const;
    void ShowProgress(std::size_t done, double seconds) const;
    // With --shard K/N: the rows of shard K ([m_ShardBegin, m_ShardEnd): the K-th of N
    // contiguous ranges) and the empty rows recorded with them ([m_SkippedBegin,
    // m_SkippedEnd) of the table's Skipped: those before one of the shard's rows, and for the
    // last shard those after the last row), so that the shards' manifests concatenated in
    // order are one run's. Without it, every row.
    void ChooseShard();
    bool LastShard() const { return m_Options.Shard == m_Options.Shards; } // also 0/0
    // With --payload: every column but 'file' and every --field known to the payload kind
    // (false, after saying why, when one is not), then the payload of every row; a row whose
    // fields make no payload gets the reason as its error.
    bool BuildPayloads(const std::string& source);
    // The data of the row at index: its payload, or the data column (the line).
    std::string_view Data(std::size_t index) const;
    // What %s stands for in the names of the row at index: its 'file' column, else its data.
    std::string_view NameText(std::size_t index) const;
    // The manifest's records of the empty rows that start before line (error "empty"), from
    // tally.NextSkipped on, so that they stand in input order among the others.
    void RecordSkipped(BatchManifest& manifest, std::int64_t line, RunTally& tally) const;
    // The manifest's record of the row at index.
    void Record(BatchManifest& manifest, std::size_t index, const LineResult& result,
                const std::string& path, const std::string& notTried) const;

    // --sheet: every row's symbol made and kept, then laid out as labels on the pages of one PDF
    // file, written whole; the rows reported with their page and cell. Returns the exit status.
    int RunSheet(const std::vector<std::string>& names,
                 const std::vector<std::unique_ptr<LinePipeline>>& pipelines,
                 BatchManifest* manifest, std::chrono::steady_clock::time_point started) const;

    // --sheet --verify: every label read back from the written file, rendered by Poppler and cut
    // out at its place; a label that does not read back fails its row (the sheet stays).
    void VerifySheet(const label::SheetDocument::Result& sheet,
                     const std::vector<std::size_t>& rowOf, std::vector<LineResult>& results) const;

    const CliOptions& m_Options;
    BatchTable m_Table;
    std::optional<CaptionPattern> m_Caption; // --caption's pattern, checked against the header
    std::vector<std::string> m_Payloads;     // by row; empty without --payload
    bool m_ProgressShown = false;
    std::size_t m_ShardBegin = 0;
    std::size_t m_ShardEnd = 0;
    std::size_t m_SkippedBegin = 0;
    std::size_t m_SkippedEnd = 0;
};

} // namespace ostrel::cli
