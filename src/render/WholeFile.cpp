#include "WholeFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif
#ifdef __linux__
#include <fcntl.h>
#endif

namespace ostrel::render {

namespace {

long long ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

// The name of the temporary file for a file name: hidden, and unique to this process and call.
// The file name is cut (between UTF-8 characters) so that the whole stays within the 255 bytes a
// file system takes: a batch may make names of that length, and must be able to replace them.
std::string TemporaryName(const std::string& fileName, std::uint64_t serial) {
    constexpr std::size_t MaxBytes = 255;
    std::string tail = ".part";
    tail += std::to_string(ProcessId());
    tail += '-';
    tail += std::to_string(serial);
    std::size_t keep = std::min(fileName.size(), MaxBytes - 1 - tail.size());
    while (keep > 0 && keep < fileName.size() &&
           (static_cast<unsigned char>(fileName[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    std::string name(1, '.');
    name.append(fileName, 0, keep);
    name += tail;
    return name;
}

#ifdef __linux__
// Writes data into an unnamed file in path's folder (O_TMPFILE) and gives it its name only when
// it is complete: cheaper than a named temporary file and a rename, and nothing is left behind
// if the program dies. An existing file is replaced through a temporary name and a rename.
// Returns nullopt when the system cannot do this (no O_TMPFILE, no /proc), so that the caller
// takes the portable way.
std::optional<std::string> WriteUnnamedFile(const std::string& path, std::string_view data,
                                            std::uint64_t serial, int& reason) {
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return std::nullopt;
    }
    const char* next = data.data();
    auto left = static_cast<std::size_t>(data.size());
    while (left > 0) {
        const ssize_t done = write(fd, next, left);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            reason = done < 0 ? errno : EIO;
            close(fd);
            return "cannot write '" + path + "': " + std::strerror(reason);
        }
        next += done;
        left -= static_cast<std::size_t>(done);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::optional<std::string> result;
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        result = std::string();
    } else if (errno == EEXIST) {
        std::string temporary = folder;
        temporary += TemporaryName(path.substr(slash + 1), serial);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (rename(temporary.c_str(), path.c_str()) == 0) {
                result = std::string();
            } else {
                reason = errno;
                unlink(temporary.c_str());
                result = "cannot write '" + path + "': " +
                         (reason == EISDIR ? std::string("it is a folder") : std::strerror(reason));
            }
        }
    }
    close(fd);
    return result;
}
#endif

} // namespace

std::string WriteWholeFile(const std::string& path, std::string_view data, int* reasonOut) {
    namespace fs = std::filesystem;
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t serial = ++counter;
    int ignoredReason = 0;
    int& reason = reasonOut != nullptr ? *reasonOut : ignoredReason;
    reason = 0;
#ifdef __linux__
    if (auto result = WriteUnnamedFile(path, data, serial, reason)) {
        return *result;
    }
#endif
    const fs::path target(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    fs::path temporary = target;
    temporary.replace_filename(TemporaryName(target.filename().string(), serial));
    std::error_code error;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            reason = errno;
            return "cannot write '" + path + "': " + std::strerror(reason);
        }
        file.write(data.data(), static_cast<std::streamsize>(data.size()));
        file.close();
        if (!file) {
            reason = errno;
            fs::remove(temporary, error);
            return "cannot write '" + path + "': " + std::strerror(reason);
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        reason = error.value();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (fs::is_directory(target, ignored)) {
            return "cannot write '" + path + "': it is a folder";
        }
        return "cannot write '" + path + "': " + error.message();
    }
    return {};
}

} // namespace ostrel::render
