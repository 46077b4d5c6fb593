#include "OutputFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ostrel::cli {

namespace {

// The name of the temporary file for a file name: hidden, and unique to this process and call.
// The file name is cut (between UTF-8 characters) so that the whole stays within the 255 bytes a
// file system takes: a batch may make names of that length, and must be able to replace them.
std::string TemporaryName(const std::string& fileName, std::uint64_t serial) {
    constexpr std::size_t MaxBytes = 255;
    const std::string tail =
        ".part" + std::to_string(QCoreApplication::applicationPid()) + '-' + std::to_string(serial);
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
std::optional<std::string> WriteUnnamedFile(const std::string& path, const QByteArray& data,
                                            std::uint64_t serial, int& reason) {
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return std::nullopt;
    }
    const char* next = data.constData();
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

#ifdef OSTREL_VERIFY_FAULTS
// With OSTREL_DISK_ERROR, the error is EROFS or EDQUOT instead of ENOSPC.
int SimulatedDiskError(bool manifest) {
    static const char* after = std::getenv("OSTREL_DISK_FULL_AFTER");
    static const char* onDisk = std::getenv("OSTREL_DISK_FULL_MANIFEST");
    static std::atomic<long long> written{0};
    if (after == nullptr || *after == '\0') {
        return 0;
    }
    if (manifest ? onDisk == nullptr || written < std::atoll(after)
                 : written++ < std::atoll(after)) {
        return 0;
    }
    const char* kind = std::getenv("OSTREL_DISK_ERROR");
    const std::string name = kind == nullptr ? "" : kind;
    return name == "EROFS" ? EROFS : name == "EDQUOT" ? EDQUOT : ENOSPC;
}
#endif

bool IsDiskRefusal(int reason) {
    return reason == ENOSPC || reason == EROFS
#ifdef EDQUOT
           || reason == EDQUOT
#endif
        ;
}

std::string FolderOf(const std::string& path) {
#ifdef _WIN32
    constexpr std::string_view Separators = "/\\";
#else
    constexpr std::string_view Separators = "/";
#endif
    const std::size_t slash = path.find_last_of(Separators);
    if (slash == std::string::npos) {
        return {};
    }
    // "/name" lies in the root folder, "a//name" in "a".
    const std::size_t end = path.find_last_not_of(Separators, slash);
    return end == std::string::npos ? std::string("/") : path.substr(0, end + 1);
}

std::string MakeFolderOf(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string folder = path == "-" ? std::string() : FolderOf(path);
    if (folder.empty()) {
        return {};
    }
    std::error_code error;
    const fs::path target(
        std::u8string(reinterpret_cast<const char8_t*>(folder.data()), folder.size()));
    if (fs::is_directory(target, error)) {
        return {};
    }
    fs::create_directories(target, error);
    if (error || !fs::is_directory(target, error)) {
        const std::string reason = error ? error.message() : std::string("a file is in the way");
        return "cannot make the folder '" + folder + "': " + reason;
    }
    return {};
}

std::string WriteWholeFile(const std::string& path, const QByteArray& data, int* reasonOut) {
    namespace fs = std::filesystem;
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t serial = ++counter;
    int ignoredReason = 0;
    int& reason = reasonOut != nullptr ? *reasonOut : ignoredReason;
    reason = 0;
#ifdef OSTREL_VERIFY_FAULTS
    if (const int refused = SimulatedDiskError(); refused != 0) {
        reason = refused;
        return "cannot write '" + path + "': " + std::strerror(refused);
    }
#endif
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
        file.write(data.constData(), static_cast<std::streamsize>(data.size()));
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

std::string WriteOutput(const std::optional<std::string>& path, const QByteArray& data) {
    if (!path || *path == "-") {
        if (std::fwrite(data.constData(), 1, static_cast<std::size_t>(data.size()), stdout) !=
                static_cast<std::size_t>(data.size()) ||
            std::fflush(stdout) != 0) {
            return std::string("cannot write to standard output: ") + std::strerror(errno);
        }
        return {};
    }
    const QString name = QString::fromStdString(*path);
    const QFileInfo info(name);
    if (info.exists() && info.isDir()) {
        return "cannot write '" + *path + "': it is a folder";
    }
    if (info.exists() && !info.isFile()) {
        // A device or a pipe (/dev/stdout, a FIFO): nothing to replace, so write straight to it.
        QFile device(name);
        if (!device.open(QIODevice::WriteOnly) || device.write(data) != data.size() ||
            !device.flush()) {
            return "cannot write '" + *path + "': " + device.errorString().toStdString();
        }
        return {};
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        return "cannot write '" + *path + "': " + file.errorString().toStdString();
    }
    if (file.write(data) != data.size()) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return "cannot write '" + *path + "': " + reason;
    }
    if (!file.commit()) {
        return "cannot write '" + *path + "': " + file.errorString().toStdString();
    }
    return {};
}

} // namespace ostrel::cli
