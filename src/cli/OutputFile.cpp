#include "OutputFile.h"
#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace ostrel::cli {

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
#ifdef OSTREL_VERIFY_FAULTS
    if (const int refused = SimulatedDiskError(); refused != 0) {
        if (reasonOut != nullptr) {
            *reasonOut = refused;
        }
        return "cannot write '" + path + "': " + std::strerror(refused);
    }
#endif
    return render::WriteWholeFile(path, std::string_view(data.constData(), data.size()), reasonOut);
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
