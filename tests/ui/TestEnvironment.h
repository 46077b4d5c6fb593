#pragma once

#include "ProgramEnvironment.h"

#include <QStringList>
#include <QTemporaryDir>

namespace ostrel::test {

// The program's folder is a fresh temporary folder (or any folder a test chooses); starting a
// program and ending this one are recorded, and a start succeeds or fails as the test says.
class TestEnvironment : public platform::ProgramEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment() override;

    QString ProgramFolder() const override { return m_Folder; }
    QString ProgramFile() const override;
    bool StartProgram(const QString& path) override;
    void EndProgram() override { ++m_EndCount; }

    void SetFolder(const QString& folder) { m_Folder = folder; }
    QString TemporaryFolder() const { return m_Temporary.path(); }
    void SetStartSucceeds(bool succeeds) { m_StartSucceeds = succeeds; }

    const QStringList& Started() const { return m_Started; }
    int EndCount() const { return m_EndCount; }

private:
    QTemporaryDir m_Temporary;
    QString m_Folder;
    QStringList m_Started;
    int m_EndCount = 0;
    bool m_StartSucceeds = true;
};

} // namespace ostrel::test
