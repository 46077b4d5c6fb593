#include "ProgramEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ostrel::platform {

namespace {
ProgramEnvironment* installedEnvironment = nullptr;
} // namespace

QString ProgramEnvironment::ProgramFolder() const {
    return QCoreApplication::applicationDirPath();
}

QString ProgramEnvironment::DataFile(const QString& name) const {
    const QDir folder(ProgramFolder());
    QString beside = folder.filePath(name);
    if (QFileInfo(beside).isFile()) {
        return beside;
    }
    const QString shared =
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/ostrel-qr/") + name));
    return QFileInfo(shared).isFile() ? shared : beside;
}

QString ProgramEnvironment::SaveFolder() const {
    QString program = ProgramFolder();
    if (!QDir(program).exists(QStringLiteral("../share/ostrel-qr"))) {
        return program;
    }
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir().mkpath(pictures)) {
        return pictures;
    }
    return QDir::homePath();
}

QString ProgramEnvironment::ProgramFile() const {
    return QCoreApplication::applicationFilePath();
}

bool ProgramEnvironment::StartProgram(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QProcess::startDetached(path, {});
}

void ProgramEnvironment::EndProgram() {
    QCoreApplication::exit(0);
}

ProgramEnvironment& ProgramEnvironment::Current() {
    static ProgramEnvironment realEnvironment;
    return installedEnvironment != nullptr ? *installedEnvironment : realEnvironment;
}

void ProgramEnvironment::Install(ProgramEnvironment* environment) {
    installedEnvironment = environment;
}

} // namespace ostrel::platform
