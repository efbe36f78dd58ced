// The real program on a Wayland desktop: started under a headless Weston of
// the test's own (its own XDG_RUNTIME_DIR and socket) with
// QT_QPA_PLATFORM=wayland, its window maps and shows C major.
//
// What the compositor shows is read back through Weston's screenshooter
// (allowed to any client with --debug), drawn by the pixman renderer. The
// window is taken as mapped and showing C major when the screenshot holds,
// pixel for pixel, the window this test builds itself on the offscreen
// platform from the same code and data, once that one shows C major with its
// first stored position: no pixel of it is written down here, and anything
// missing, misdrawn or another chord on the Wayland side fails the match.

#include "app/frmMain.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <memory>
#include <optional>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

constexpr auto SocketName = "lyrovan-test";

// Where image lies in screen, pixel for pixel (both RGB32).
std::optional<QPoint> Find(const QImage& screen, const QImage& image)
{
    const qsizetype rowBytes = qsizetype(image.width()) * 4;
    for (int y = 0; y + image.height() <= screen.height(); ++y) {
        for (int x = 0; x + image.width() <= screen.width(); ++x) {
            int row = 0;
            while (row < image.height()
                   && std::memcmp(screen.constScanLine(y + row) + qsizetype(x) * 4, image.constScanLine(row),
                                  rowBytes) == 0)
                ++row;
            if (row == image.height())
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

} // namespace

class TestWayland : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowMapsShowingCMajor();

private:
    QImage screenshot();
    QProcessEnvironment waylandEnvironment() const;

    QTemporaryDir m_folder;
    QProcess m_weston;
    QProcess m_program;
};

void TestWayland::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
    for (const char* tool : {"weston", "weston-screenshooter"}) {
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is not installed (tools/setup.sh installs weston)").arg(tool)));
    }
    QDir folder(m_folder.path());
    QVERIFY(folder.mkdir(QStringLiteral("runtime")) && folder.mkdir(QStringLiteral("shots")));
    QVERIFY(QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    // No panel and no on-screen keyboard: nothing of the compositor's own
    // can cover the window.
    QFile config(folder.filePath(QStringLiteral("weston.ini")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("[shell]\npanel-position=none\n\n[input-method]\npath=\n");
    config.close();

    m_weston.setProcessEnvironment(waylandEnvironment());
    m_weston.setProcessChannelMode(QProcess::MergedChannels);
    m_weston.setStandardOutputFile(folder.filePath(QStringLiteral("weston.log")));
    m_weston.start(QStringLiteral("weston"),
                   {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--use-pixman"),
                    QStringLiteral("--width=1024"), QStringLiteral("--height=768"),
                    QStringLiteral("--socket=%1").arg(QLatin1String(SocketName)),
                    QStringLiteral("--config=%1").arg(config.fileName()),
                    QStringLiteral("--idle-time=0"), QStringLiteral("--debug")});
    QVERIFY2(m_weston.waitForStarted(10000), qPrintable(m_weston.errorString()));
    const QString socket = folder.filePath(QStringLiteral("runtime/%1").arg(QLatin1String(SocketName)));
    const QDeadlineTimer deadline(30000);
    while (!QFileInfo::exists(socket) && !deadline.hasExpired() && m_weston.state() == QProcess::Running)
        QThread::msleep(50);
    QFile log(folder.filePath(QStringLiteral("weston.log")));
    log.open(QIODevice::ReadOnly);
    QVERIFY2(QFileInfo::exists(socket), log.readAll().right(2000).constData());
}

void TestWayland::cleanupTestCase()
{
    for (QProcess* process : {&m_program, &m_weston}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
}

// The environment of a client of the test's compositor, and of the
// compositor itself: nothing of a desktop the tests may run on.
QProcessEnvironment TestWayland::waylandEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QDir(m_folder.path()).filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(SocketName));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    return environment;
}

// What the compositor shows now, as RGB32; null when no shot could be taken.
QImage TestWayland::screenshot()
{
    QDir shots(QDir(m_folder.path()).filePath(QStringLiteral("shots")));
    QProcess shooter;
    shooter.setProcessEnvironment(waylandEnvironment());
    shooter.setWorkingDirectory(shots.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(30000) || shooter.exitStatus() != QProcess::NormalExit || shooter.exitCode() != 0)
        return {};
    QImage image;
    for (const QString& name : shots.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        image.load(shots.filePath(name));
        shots.remove(name);
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

void TestWayland::windowMapsShowingCMajor()
{
    // The window as the program builds it from the data beside it, on C major.
    const QString program = QStringLiteral(LYROVAN_PROGRAM);
    RecordingPresenter recorder;
    RecordingMidiOut midi;
    frmMain reference(MainWindowParts{QFileInfo(program).absolutePath(), &midi});
    reference.Form_Load();
    QTRY_VERIFY_WITH_TIMEOUT(reference.CurrentChord() != nullptr, 30000);
    // The neck picture arrives from the background.
    QTRY_VERIFY(!named<QLabel>(&reference, QStringLiteral("imgNeck"))->pixmap().isNull());
    QCOMPARE(named<QComboBox>(&reference, QStringLiteral("cboKey"))->currentText(), QStringLiteral("C"));
    QCOMPARE(named<QComboBox>(&reference, QStringLiteral("cboChord"))->currentText(), QStringLiteral("major"));
    QVERIFY2(recorder.messages.isEmpty(), qPrintable(recorder.messages.value(0).text));
    const QImage expected = reference.grab().toImage().convertToFormat(QImage::Format_RGB32);

    m_program.setProcessEnvironment(waylandEnvironment());
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.setStandardOutputFile(QDir(m_folder.path()).filePath(QStringLiteral("program.log")));
    m_program.start(program, {});
    QVERIFY2(m_program.waitForStarted(10000), qPrintable(m_program.errorString()));

    QImage shown;
    std::optional<QPoint> at;
    const QDeadlineTimer deadline(60000);
    while (!at && !deadline.hasExpired() && m_program.state() == QProcess::Running) {
        QThread::msleep(250);
        shown = screenshot();
        if (!shown.isNull())
            at = Find(shown, expected);
    }
    if (!at) {
        // Left beside the test for a look at what went wrong.
        shown.save(QStringLiteral("tst_wayland-shown.png"));
        expected.save(QStringLiteral("tst_wayland-expected.png"));
        QFile log(QDir(m_folder.path()).filePath(QStringLiteral("program.log")));
        log.open(QIODevice::ReadOnly);
        QFAIL(qPrintable(QStringLiteral("the window did not show C major on the compositor (%1; see "
                                        "tst_wayland-shown.png and tst_wayland-expected.png in %2); "
                                        "the program said:\n%3")
                             .arg(m_program.state() == QProcess::Running ? QStringLiteral("still running")
                                                                         : QStringLiteral("it ended"),
                                  QDir::currentPath(), QString::fromLocal8Bit(log.readAll().right(3000)))));
    }
    QVERIFY(m_program.state() == QProcess::Running);
}

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
