#include "Pause.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace lyrovan {

void Pause(double Seconds, bool NoEvents)
{
    if (!(Seconds > 0))
        return;
    const QDeadlineTimer deadline(static_cast<qint64>(Seconds * 1000.0 + 0.5), Qt::PreciseTimer);
    if (NoEvents) {
        while (!deadline.hasExpired())
            QThread::msleep(static_cast<unsigned long>(qMax<qint64>(1, deadline.remainingTime())));
        return;
    }
    // A nested event loop that ends at the deadline. It ends early only
    // when the application is quitting (which ends every event loop); then
    // there is nothing left to wait for.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(qMax<qint64>(0, deadline.remainingTime())));
    loop.exec();
}

} // namespace lyrovan
