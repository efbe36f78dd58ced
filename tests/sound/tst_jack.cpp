// A strum through JACK: the test starts a JACK server of its own (the dummy
// driver, a private server name, stopped by its process id), never lets
// the program start one, strums through the window and the built-in
// synthesizer with --audio-driver jack, and checks that the program's JACK
// client "Lyrovan" connected its outputs to the system's playback ports and
// that the strum reached them: a client of the test's own listens to the
// same outputs.

#include "app/frmMain.h"
#include "library/ChordDb.h"
#include "sound/FluidSynthOut.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <jack/jack.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <atomic>
#include <cmath>
#include <csignal>
#include <unistd.h>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

// A JACK client of the test's own with two inputs; remembers the loudest
// sample it heard.
class Listener {
public:
    explicit Listener(const QByteArray& server)
    {
        jack_status_t status{};
        m_client = jack_client_open("LyrovanTest", jack_options_t(JackNoStartServer | JackServerName), &status,
                                    server.constData());
        if (!m_client)
            return;
        for (int k = 0; k < 2; ++k)
            m_inputs[k] = jack_port_register(m_client, k == 0 ? "in_l" : "in_r", JACK_DEFAULT_AUDIO_TYPE,
                                             JackPortIsInput, 0);
        jack_set_process_callback(m_client, &Listener::process, this);
        jack_activate(m_client);
    }
    ~Listener()
    {
        if (m_client)
            jack_client_close(m_client);
    }
    bool isOpen() const { return m_client != nullptr; }
    jack_client_t* client() const { return m_client; }

    // Listens to the outputs of the client named name too.
    bool listenTo(const char* name)
    {
        const char** ports = jack_get_ports(m_client, name, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        int connected = 0;
        for (int k = 0; ports && ports[k] && k < 2; ++k)
            connected += jack_connect(m_client, ports[k], jack_port_name(m_inputs[k])) == 0;
        jack_free(ports);
        return connected == 2;
    }

    std::atomic<float> loudest{0.0f};

private:
    static int process(jack_nframes_t frames, void* data)
    {
        auto* self = static_cast<Listener*>(data);
        for (jack_port_t* port : self->m_inputs) {
            const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
            for (jack_nframes_t i = 0; i < frames; ++i)
                self->loudest = std::max(self->loudest.load(), std::abs(samples[i]));
        }
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_inputs[2] = {};
};

} // namespace

class TestJack : public QObject {
    Q_OBJECT
private slots:
    void strumReachesThePlaybackPorts();
};

void TestJack::strumReachesThePlaybackPorts()
{
    const QString jackd = QStandardPaths::findExecutable(QStringLiteral("jackd"));
    QVERIFY2(!jackd.isEmpty(), "jackd is not installed (tools/setup.sh installs jackd1)");
    LoadBundledFonts();
    QTemporaryDir folder;
    const QVector<ChordRow> rows = {
        {QStringLiteral("C "), 0, 0, Fingering("O O  X", " 1    ", "   2  ", "    3 ")},
        {QStringLiteral("C "), 0, 5, Fingering("      ", "1    1")},
    };
    QCOMPARE(WriteChordDb(folder.filePath(QStringLiteral("Chords.mdb")), rows), QString());

    qputenv("JACK_NO_START_SERVER", "1");
    // One name for every run: JACK keeps at most 8 servers in a registry
    // shared by the machine, and frees a slot only for a server of the same
    // name whose process is gone.
    const QByteArray name = "lyrovan-test";
    const QString folderOfServer = QStringLiteral("/dev/shm/jack-%1/%2").arg(::getuid()).arg(QString::fromLatin1(name));
    QDir(folderOfServer).removeRecursively();
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(jackd, {QStringLiteral("--name"), QString::fromLatin1(name), QStringLiteral("--no-realtime"),
                         QStringLiteral("-d"), QStringLiteral("dummy"), QStringLiteral("-r"),
                         QStringLiteral("44100"), QStringLiteral("-p"), QStringLiteral("256")});
    QVERIFY(server.waitForStarted(10000));
    // Stopped by its own process id, and only while it runs: a server that
    // already ended has id 0, which kill() reads as the whole group.
    const pid_t serverPid = pid_t(server.processId());
    QVERIFY(serverPid > 0);
    const auto stop = qScopeGuard([&] {
        if (server.state() == QProcess::NotRunning)
            return;
        ::kill(serverPid, SIGTERM);
        if (!server.waitForFinished(5000)) {
            ::kill(serverPid, SIGKILL);
            server.waitForFinished(5000);
        }
    });
    // A client knocking before the server is up can bring this JACK server
    // down: clients wait until it has made its FIFOs, named after its
    // process id, in its folder (emptied of an earlier run's files above).
    const QDir files(folderOfServer);
    QTRY_VERIFY2_WITH_TIMEOUT(
        files.exists(QStringLiteral("jack_0"))
            && !files.entryList({QStringLiteral("jack-ack-fifo-%1-*").arg(serverPid)}, QDir::System).isEmpty(),
        qPrintable(server.readAll()), 15000);
    std::signal(SIGPIPE, SIG_IGN); // as the program does
    auto listener = std::make_unique<Listener>(name);
    QVERIFY2(listener->isOpen(), qPrintable(server.readAll()));

    RecordingPresenter boxes;
    QStringList told;
    FluidSynthOptions options;
    options.audioDrivers = {QStringLiteral("jack")};
    options.audioDevice = QString::fromLatin1(name); // the server to play on
    options.report = [&](const QString& text) { told << text; };
    FluidSynthOut out(options);
    frmMain window(MainWindowParts{folder.path(), &out});
    window.Form_Load();
    auto* toggle = named<QToolButton>(&window, QStringLiteral("chkStrum"));
    toggle->click();
    QVERIFY2(boxes.messages.isEmpty(), qPrintable(boxes.messages.value(0).details));
    QVERIFY2(listener->listenTo("Lyrovan:"), qPrintable(server.readAll()));

    // The program's outputs go to the speakers without anyone connecting them.
    const char** ports = jack_get_ports(listener->client(), "Lyrovan:", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    QVERIFY(ports && ports[0] && ports[1]);
    QStringList connections;
    for (int k = 0; ports[k]; ++k) {
        const char** to = jack_port_get_all_connections(listener->client(), jack_port_by_name(listener->client(), ports[k]));
        for (int j = 0; to && to[j]; ++j)
            connections << QString::fromLatin1(ports[k]) + QStringLiteral(" -> ") + QString::fromLatin1(to[j]);
        jack_free(to);
    }
    jack_free(ports);
    QVERIFY2(connections.filter(QStringLiteral("system:playback_1")).size() == 1, qPrintable(connections.join(", ")));
    QVERIFY2(connections.filter(QStringLiteral("system:playback_2")).size() == 1, qPrintable(connections.join(", ")));

    QTRY_VERIFY_WITH_TIMEOUT(!toggle->isChecked(), 20000);
    QVERIFY2(listener->loudest > 0.01f, qPrintable(QString::number(listener->loudest.load())));
    QVERIFY2(told.isEmpty(), qPrintable(told.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestJack)
#include "tst_jack.moc"
