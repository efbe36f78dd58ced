#pragma once
// Work off the window's thread. There is one way to do it in the program:
// RunInBackground hands the work to Qt's global thread pool and gives back a
// QFuture. The window's thread never waits for one: it takes the result up
// with WhenDone, which runs on context's thread once the work is done, and
// not at all once context is gone.
//
//     WhenDone(RunInBackground([path] { return ReadPicture(path); }), this,
//              [this](const QImage& picture) { show(picture); });
//
// An exception thrown by the work goes to the optional failure handler.
// (QFuture::then(context, ...) is not used: Qt 6.4 asserts that the context
// is still alive when the work ends, which a closed window is not.)

#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <QRunnable>
#include <QThreadPool>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// ThreadSanitizer cannot see the locks inside Qt's thread pool, which hand
// the work to the worker; the hand-over is told to it here.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#include <sanitizer/tsan_interface.h>
#define LYROVAN_HAND_OVER(release, address) release(address)
#endif
#endif
#ifndef LYROVAN_HAND_OVER
#define LYROVAN_HAND_OVER(release, address)
#endif

namespace lyrovan {

namespace detail {

template <typename Work, typename Result>
class BackgroundJob final : public QRunnable {
public:
    explicit BackgroundJob(Work work) : m_work(std::move(work)) { m_promise.start(); }
    QFuture<Result> future() { return m_promise.future(); }

    void run() override
    {
        LYROVAN_HAND_OVER(__tsan_acquire, this);
        try {
            if constexpr (std::is_void_v<Result>)
                m_work();
            else
                m_promise.addResult(m_work());
        } catch (...) {
            m_promise.setException(std::current_exception());
        }
        m_promise.finish();
    }

private:
    Work m_work;
    QPromise<Result> m_promise;
};

} // namespace detail

template <typename Work>
auto RunInBackground(Work work) -> QFuture<std::invoke_result_t<Work&>>
{
    auto* job = new detail::BackgroundJob<Work, std::invoke_result_t<Work&>>(std::move(work));
    auto future = job->future();
    LYROVAN_HAND_OVER(__tsan_release, job);
    QThreadPool::globalInstance()->start(job); // deletes it once it has run
    return future;
}

// Runs done(result) on context's thread once future has finished, or
// failed() if the work threw; neither once context is gone. The watcher is
// context's child, so it dies with it.
template <typename Result, typename Done, typename Failed>
void WhenDone(const QFuture<Result>& future, QObject* context, Done done, Failed failed)
{
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done), failed = std::move(failed)]() mutable {
                         watcher->deleteLater();
                         const QFuture<Result> finished = watcher->future();
                         if constexpr (std::is_void_v<Result>) {
                             try {
                                 QFuture<void>(finished).waitForFinished(); // rethrows the work's exception
                             } catch (...) {
                                 failed();
                                 return;
                             }
                             done();
                         } else {
                             std::optional<Result> result;
                             try {
                                 result.emplace(finished.result());
                             } catch (...) {
                                 failed();
                                 return;
                             }
                             done(*result);
                         }
                     });
    watcher->setFuture(future);
}

template <typename Result, typename Done>
void WhenDone(const QFuture<Result>& future, QObject* context, Done done)
{
    WhenDone(future, context, std::move(done), [] {});
}

} // namespace lyrovan
