#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

// Pure work that would hold up the GUI thread for a noticeable while (an
// image to encode, megabytes to copy) runs on the global thread pool; the
// caller awaits the future and carries on where it was, or has the result
// handed over with `whenFinished`.
namespace Background {

template<typename Work> QFuture<std::invoke_result_t<Work>> run(Work work)
{
    using Value = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Value>>();
    QFuture<Value> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    return future;
}

// Hands the work's result to `done` on the context's thread, from its event
// loop, and never inside this call: work that finished before the call would
// otherwise have `done` run at once (as QFuture::then does), before the
// caller has finished the step it is in, its connections made and its state
// set. A watcher reports through posted events, whatever the future's state.
// Nothing is handed over once the context is gone.
template<typename Value, typename Done> void whenFinished(QFuture<Value> future, QObject *context, Done done)
{
    auto *watcher = new QFutureWatcher<Value>(context);
    QObject::connect(
        watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)]() mutable {
            watcher->deleteLater();
            done(watcher->result());
        });
    watcher->setFuture(std::move(future));
}

} // namespace Background
