#pragma once

#include <QFuture>
#include <QMetaObject>
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
// otherwise run `done` at once (QFuture::then does), before the caller has
// finished the step it is in, its connections made and its state set.
// Nothing is handed over once the context is gone.
template<typename Value, typename Done> void whenFinished(QFuture<Value> future, QObject *context, Done done)
{
    future.then(context, [context, done = std::move(done)](const Value &value) mutable {
        QMetaObject::invokeMethod(
            context, [done = std::move(done), value]() mutable { done(value); }, Qt::QueuedConnection);
    });
}

} // namespace Background
