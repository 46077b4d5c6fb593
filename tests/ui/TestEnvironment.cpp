#include "TestEnvironment.h"

#include <QCoreApplication>

namespace ostrel::test {

TestEnvironment::TestEnvironment() : m_Folder(m_Temporary.path()) {
    platform::ProgramEnvironment::Install(this);
}

TestEnvironment::~TestEnvironment() {
    platform::ProgramEnvironment::Install(nullptr);
}

QString TestEnvironment::ProgramFile() const {
    return QCoreApplication::applicationFilePath();
}

bool TestEnvironment::StartProgram(const QString& path) {
    m_Started.push_back(path);
    return m_StartSucceeds;
}

} // namespace ostrel::test
