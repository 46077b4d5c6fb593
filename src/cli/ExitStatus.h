#pragma once

namespace ostrel::cli {

// The exit statuses of ostrel-qr-cli, as its help lists them.
enum ExitStatus : int {
    // The symbol was written (with --batch: every line's symbol).
    ExitWritten = 0,
    // Nothing written: the data does not fit in the version asked for, or in version 40.
    ExitDoesNotFit = 1,
    // The run went on to the end, but not everything it wrote holds: a line of a batch failed,
    // or a symbol did not read back with --verify (its file removed). The same number as
    // ExitDoesNotFit, for the same reason: the data did not make a good symbol.
    ExitWrittenButFailed = 1,
    // A batch met a full or read-only disk (ENOSPC, EDQUOT, EROFS), at a symbol's file or at the
    // manifest: the run stopped there, the files before it stay, the manifest is whole or absent.
    ExitDiskFull = 1,
    // Bad usage: an unknown option, a missing or invalid value; nothing read, nothing written.
    ExitUsage = 2,
    // The output could not be written (nothing is left behind), a batch's FILE not read, or a
    // folder that a batch's files need does not exist (without --make-dirs) or cannot be made.
    ExitCannotWrite = 3,
};

} // namespace ostrel::cli
