#include "TestSupport.h"

#include <QProcess>
#include <csignal>
#include <sys/wait.h>

namespace lyrovan::test {

RecordingPresenter::RecordingPresenter()
{
    setMessagePresenter(this);
}

RecordingPresenter::~RecordingPresenter()
{
    setMessagePresenter(nullptr);
}

void RecordingPresenter::show(const QString& text, const QString& title, MessageIcon icon)
{
    messages.append({text, title, icon, QString()});
}

void RecordingPresenter::showDetailed(const QString& text, const QString& title, MessageIcon icon,
                                      const QString& details)
{
    messages.append({text, title, icon, details});
}

std::int32_t RecordingMidiOut::open(std::int32_t deviceId)
{
    calls << QStringLiteral("open %1").arg(deviceId);
    isOpen = m_openResult == 0;
    return m_openResult;
}

void RecordingMidiOut::shortMessage(std::uint32_t message)
{
    // What reaches no open device is kept apart: it makes no sound.
    calls << (isOpen ? QStringLiteral("msg 0x%1") : QStringLiteral("lost 0x%1")).arg(message, 6, 16, QLatin1Char('0'));
}

void RecordingMidiOut::shortMessageAt(std::uint32_t message, qint64 dueNs)
{
    dueTimes << dueNs;
    shortMessage(message);
}

void RecordingMidiOut::close()
{
    calls << QStringLiteral("close");
    isOpen = false;
}

QList<std::uint32_t> RecordingMidiOut::messages() const
{
    QList<std::uint32_t> out;
    for (const QString& call : calls)
        if (call.startsWith(QStringLiteral("msg ")))
            out << call.mid(6).toUInt(nullptr, 16);
    return out;
}

BusyLoops::BusyLoops(int cores)
{
    for (int core = 0; core < cores; ++core) {
        qint64 pid = 0;
        if (QProcess::startDetached(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")},
                                    QString(), &pid))
            m_pids << pid;
    }
}

BusyLoops::~BusyLoops()
{
    for (qint64 pid : std::as_const(m_pids)) {
        ::kill(pid_t(pid), SIGKILL);
        ::waitpid(pid_t(pid), nullptr, WNOHANG);
    }
}

} // namespace lyrovan::test
