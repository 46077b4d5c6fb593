#pragma once

#include <QString>

namespace ostrel::platform {

// The program's place in the system: its folder, starting a program, and ending this one. The
// default object uses the running executable; a test installs its own object to redirect the
// folder and to record starts and ends.
class ProgramEnvironment {
public:
    ProgramEnvironment() = default;
    ProgramEnvironment(const ProgramEnvironment&) = delete;
    ProgramEnvironment& operator=(const ProgramEnvironment&) = delete;
    virtual ~ProgramEnvironment() = default;

    // The folder that holds the program's executable (no trailing separator).
    virtual QString ProgramFolder() const;
    // Where the program's data file name lies: beside the executable (the portable archive, a
    // build tree), else in ../share/ostrel-qr/ from it (the standard layout of an installed
    // program, bin/ beside share/). When neither holds the file, the path beside the executable,
    // so that a missing file is reported as it always was.
    QString DataFile(const QString& name) const;
    // The folder the save window writes pictures into: the program's own folder (a portable copy,
    // a build tree). An installed program (bin/ beside share/ostrel-qr/) has a system folder
    // there that users cannot write into, so it writes into the user's picture folder instead
    // (made when missing), else the home folder.
    QString SaveFolder() const;
    // The program's own executable file.
    virtual QString ProgramFile() const;
    // Starts the executable at path as a separate process, without a shell and without
    // waiting for it. False when it could not be started.
    virtual bool StartProgram(const QString& path);
    // Ends the program at once: the event loop stops and no window gets a close request.
    virtual void EndProgram();

    static ProgramEnvironment& Current();
    // Install(nullptr) goes back to the real environment; the object is not owned.
    static void Install(ProgramEnvironment* environment);
};

} // namespace ostrel::platform
