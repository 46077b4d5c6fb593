#pragma once

#include "CliOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::cli {

// A batch run: every line of a file or of standard input becomes one symbol. Lines end in LF or
// CR LF (the break is not encoded); empty lines are skipped and counted. The lines are shared out
// in windows among one worker thread per core, each with its own LinePipeline; after every
// window the symbols for standard output are written in line order, the failures reported with
// their line numbers and the progress line redrawn. Memory holds the input and one window.
class BatchRunner {
public:
    explicit BatchRunner(const CliOptions& options);

    // Runs the batch; returns the exit status: 0 when every line was written, 1 when a line
    // failed, 3 when the input cannot be read or standard output cannot be written.
    int Run();

private:
    struct Line {
        std::int64_t Number = 0;
        std::size_t Start = 0;
        std::size_t Length = 0;
    };

    bool ReadInput(std::string& error);
    void ShowProgress(std::size_t done, double seconds) const;

    const CliOptions& m_Options;
    std::string m_Input;
    std::vector<Line> m_Lines;
    std::int64_t m_EmptyLines = 0;
    bool m_ProgressShown = false;
};

} // namespace ostrel::cli
