#include "CliRunner.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace ostrel::test {

QString CliProgram() {
    return QStringLiteral(OSTREL_QR_CLI);
}

CliRun RunCli(const QStringList& arguments, const QByteArray& input, const CliSetting& setting) {
    const QString program = setting.Program.isEmpty() ? CliProgram() : setting.Program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), setting.Locale);
    environment.remove(QStringLiteral("LC_CTYPE"));
    environment.remove(QStringLiteral("LANG"));
    for (const auto& [name, value] : setting.Environment) {
        if (value.isEmpty()) {
            environment.remove(name);
        } else {
            environment.insert(name, value);
        }
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    CliRun result;
    if (!process.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.Crashed = process.exitStatus() != QProcess::NormalExit;
    result.ExitCode = result.Crashed ? -1 : process.exitCode();
    result.Out = process.readAllStandardOutput();
    result.Err = process.readAllStandardError();
    return result;
}

CliRun RunCli(const QStringList& arguments, const QByteArray& input, const QString& locale) {
    CliSetting setting;
    setting.Locale = locale;
    return RunCli(arguments, input, setting);
}

CliRun Tool(const QString& program, const QStringList& arguments) {
    CliSetting setting;
    setting.Program = program;
    CliRun run = RunCli(arguments, {}, setting);
    EXPECT_EQ(run.ExitCode, 0) << program.toStdString() << " " << arguments.join(' ').toStdString()
                               << ": " << run.Err.toStdString();
    return run;
}

QImage Render(const QString& path, int dpi, bool ghostscript) {
    const QString out = path + (ghostscript ? ".gs.png" : ".poppler");
    const QString resolution = QString::number(dpi);
    const CliRun run =
        ghostscript ? Tool(QStringLiteral("gs"),
                           {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop",
                            "-sDEVICE=pnggray", "-r" + resolution, "-sOutputFile=" + out, path})
                    : Tool(QStringLiteral("pdftoppm"),
                           {"-r", resolution, "-gray", "-png", "-singlefile", path, out});
    EXPECT_EQ(run.Out + run.Err, "") << path.toStdString();
    return QImage(ghostscript ? out : out + ".png");
}

} // namespace ostrel::test
