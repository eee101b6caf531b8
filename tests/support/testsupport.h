#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QProcess;

namespace TestSupport {

// A fresh data root for one test: MARLUX_HOME points at it while the object lives.
class TempDataRoot
{
public:
    TempDataRoot();
    ~TempDataRoot();
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

// A folder of stand-in programs that PATH holds alone while the object lives: a test finds
// only the programs it made, never a desktop program of the machine.
class FakePrograms
{
public:
    FakePrograms();
    ~FakePrograms();
    // A program of that name that ends at once with the exit code; its full path.
    QString add(const QString &name, int exitCode = 0);

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// The source tree and the build tree, as ctest hands them to every test.
QString sourceDir();
QString buildDir();

// Starts one copy of this test program per argument list, all at once, and waits for them;
// true when every copy ended with 0. The test's main() acts on those arguments.
bool runSideBySide(const QList<QStringList> &arguments, QString *failure = nullptr);

// A peer the test starts (a server, a recorder) ends when the test process does, even one that
// crashes or is killed at its time-out: a peer left running keeps ctest's output pipe open.
void endWithThisProcess(QProcess &process);

} // namespace TestSupport
