#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

// Pure work that would hold up the GUI thread for a noticeable while (an
// image to encode, megabytes to copy) runs on the global thread pool; the
// caller awaits the future and carries on where it was.
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

} // namespace Background
