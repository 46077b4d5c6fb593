#pragma once

namespace ostrel::cli {

// The exit statuses of ostrel-qr-cli, as its help lists them.
enum ExitStatus : int {
    ExitWritten = 0,
    ExitTooLong = 1,
    ExitUsage = 2,
    ExitCannotWrite = 3,
};

} // namespace ostrel::cli
