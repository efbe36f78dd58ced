#pragma once
// Work off the window's thread. There is one way to do it in the program:
// RunInBackground hands the work to Qt's global thread pool and gives back a
// QFuture. The window's thread never waits for one: it takes the result up
// with future.then(context, ...), which runs on context's thread once the
// work is done (and not at all once context is gone).
//
//     RunInBackground([path] { return ReadPicture(path); })
//         .then(this, [this](const QImage& picture) { show(picture); });
//
// An exception thrown by the work reaches the continuation's result (or
// QFuture::onFailed) as it would have reached a direct caller.

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <exception>
#include <memory>
#include <type_traits>
#include <utility>

namespace lyrovan {

template <typename Work>
auto RunInBackground(Work work) -> QFuture<std::invoke_result_t<Work&>>
{
    using Result = std::invoke_result_t<Work&>;
    // QThreadPool takes a copyable callable; the promise and the work are
    // shared with it rather than copied.
    auto promise = std::make_shared<QPromise<Result>>();
    auto job = std::make_shared<Work>(std::move(work));
    QFuture<Result> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, job] {
        try {
            if constexpr (std::is_void_v<Result>)
                (*job)();
            else
                promise->addResult((*job)());
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return future;
}

} // namespace lyrovan
