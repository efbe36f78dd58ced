#include "PulseServer.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <ctime>
#include <limits>

namespace lyrovan::test {

PrivatePulseServer::PrivatePulseServer() : m_dir(QDir::tempPath() + QStringLiteral("/lyrovan-pa-XXXXXX"))
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (program.isEmpty()) {
        m_error = QStringLiteral("pulseaudio is not installed (tools/setup.sh installs it)");
        return;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    for (const char* sub : {"home", "run", "config", "state"})
        QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));

    // The server's whole world lies in the temporary folder; with -n it
    // loads no configuration script, only the null sink and the socket.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), m_dir.filePath(QStringLiteral("state")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("DISPLAY"));
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(m_dir.filePath(QStringLiteral("server.log")));
    m_server.start(program,
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--system=no"),
                    // Ends by itself once idle, should its owner die without stopping it.
                    QStringLiteral("--exit-idle-time=20"), QStringLiteral("--log-target=stderr"),
                    QStringLiteral("-L"),
                    // Without rewinds what the monitor hears is what was played.
                    QStringLiteral("module-null-sink sink_name=%1 rate=%2 norewinds=1").arg(sinkName()).arg(SampleRate),
                    QStringLiteral("-L"),
                    QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1")
                        .arg(m_dir.filePath(QStringLiteral("native")))});
    if (!m_server.waitForStarted(5000)) {
        m_error = QStringLiteral("pulseaudio did not start: ") + m_server.errorString();
        return;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_server.state() == QProcess::Running) {
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("-s"), address(), QStringLiteral("info")});
        if (info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0) {
            m_running = true;
            return;
        }
        QThread::msleep(50);
    }
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    log.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("pulseaudio did not come up: ") + QString::fromLocal8Bit(log.readAll().right(2000));
}

void PrivatePulseServer::hang(bool hung)
{
    if (m_server.state() != QProcess::NotRunning)
        ::kill(pid_t(m_server.processId()), hung ? SIGSTOP : SIGCONT);
}

PrivatePulseServer::~PrivatePulseServer()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    hang(false);
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

QString PrivatePulseServer::address() const
{
    return QStringLiteral("unix:") + m_dir.filePath(QStringLiteral("native"));
}

void PrivatePulseServer::useInThisProcess() const
{
    const QString clientConfig = m_dir.filePath(QStringLiteral("client.conf"));
    QFile conf(clientConfig);
    if (conf.open(QIODevice::WriteOnly))
        conf.write("autospawn = no\n");
    conf.close();
    const QString alsaConfig = m_dir.filePath(QStringLiteral("alsa.conf"));
    QFile alsa(alsaConfig);
    if (alsa.open(QIODevice::WriteOnly))
        alsa.write("# hidden for the tests\n");
    alsa.close();
    qputenv("PULSE_SERVER", address().toLocal8Bit());
    qputenv("PULSE_CLIENTCONFIG", clientConfig.toLocal8Bit());
    qputenv("PULSE_COOKIE", m_dir.filePath(QStringLiteral("cookie")).toLocal8Bit());
    qputenv("ALSA_CONFIG_PATH", alsaConfig.toLocal8Bit());
}

QString PrivatePulseServer::pactl(const QStringList& arguments) const
{
    QProcess process;
    process.start(QStringLiteral("pactl"), QStringList{QStringLiteral("-s"), address()} + arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

MonitorRecorder::MonitorRecorder()
{
    pa_sample_spec format{};
    format.format = PA_SAMPLE_FLOAT32NE;
    format.rate = PrivatePulseServer::SampleRate;
    format.channels = 1;
    // Small fragments: each read returns soon after its samples were played.
    pa_buffer_attr buffer{};
    buffer.maxlength = std::numeric_limits<std::uint32_t>::max();
    buffer.fragsize = 128 * sizeof(float);
    int code = 0;
    const QByteArray source = (PrivatePulseServer::sinkName() + QStringLiteral(".monitor")).toUtf8();
    pa_simple* stream = pa_simple_new(nullptr, "Lyrovan tests", PA_STREAM_RECORD, source.constData(),
                                      "sink monitor", &format, nullptr, &buffer, &code);
    if (!stream) {
        m_error = QStringLiteral("cannot record the sink's monitor: ") + QString::fromLocal8Bit(pa_strerror(code));
        return;
    }
    m_thread = std::thread([this, stream] { run(stream); });
}

MonitorRecorder::~MonitorRecorder()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}

void MonitorRecorder::run(void* handle)
{
    auto* stream = static_cast<pa_simple*>(handle);
    std::vector<float> chunk(128);
    int code = 0;
    while (m_running) {
        if (pa_simple_read(stream, chunk.data(), chunk.size() * sizeof(float), &code) < 0)
            break;
        const qint64 now = MonotonicNs();
        const pa_usec_t latency = pa_simple_get_latency(stream, &code);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_samples.insert(m_samples.end(), chunk.begin(), chunk.end());
        if (latency > 20000) {
            m_liveSinceNs = 0;
            continue;
        }
        if (m_liveSinceNs == 0)
            m_liveSinceNs = now;
        // The chunk's last sample was played `latency` ago; a read that
        // woke late only makes the estimate later, so the earliest wins.
        const qint64 start = now - qint64(latency) * 1000
                             - qint64(m_samples.size()) * 1000000000LL / PrivatePulseServer::SampleRate;
        if (m_startNs == 0 || start < m_startNs)
            m_startNs = start;
    }
    pa_simple_free(stream);
}

bool MonitorRecorder::waitForLiveData(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && isRecording()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_liveSinceNs != 0 && MonotonicNs() - m_liveSinceNs > 300000000LL)
                return true;
        }
        QThread::msleep(20);
    }
    return false;
}

std::vector<float> MonitorRecorder::samples() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_samples;
}

qint64 MonitorRecorder::sampleTimeNs(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_startNs + qint64(index) * 1000000000LL / PrivatePulseServer::SampleRate;
}

std::size_t MonitorRecorder::indexAt(qint64 ns) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const qint64 offset = ns - m_startNs;
    return offset <= 0 ? 0 : std::size_t(offset * PrivatePulseServer::SampleRate / 1000000000LL);
}

} // namespace lyrovan::test
