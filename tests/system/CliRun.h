#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

// One run of trevasel-cli (TREVASEL_CLI_PATH) as a separate program, for the command-line tests.
struct CliRun
{
    int exitCode = -1; // -1 when the program crashed or did not end in time
    QByteArray out;
    QByteArray err;

    std::string lastLine() const { return out.trimmed().split('\n').last().toStdString(); }
};

// Runs the program with the arguments; with home given, HOME and XDG_DATA_HOME point below it so
// that the program never touches the real user's folders.
inline CliRun runTrevaselCli(const QStringList& arguments, const QString& home = QString())
{
    QProcess process;
    if (!home.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(TREVASEL_CLI_PATH), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}
