// fake-ai-service <record-dir> [answer-file]: the fake AI service as a program
// of its own, for whole-program tests. It listens on a free port of
// 127.0.0.1, writes "port <n>" to <record-dir>/port once it listens, answers
// chat completions with the answer file's text (a fixed sentence without
// one), and writes each request it receives as <record-dir>/<n>-<METHOD>.json
// (method, path and headers) and <record-dir>/<n>-<METHOD>.body. It runs
// until SIGTERM.

#include "FakeAIService.h"
#include "platform/UnixSignalWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <csignal>

namespace {
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        qWarning("usage: fake-ai-service <record-dir> [answer-file]");
        return 2;
    }
    const QDir records(arguments.at(1));
    QDir().mkpath(records.path());

    FakeAIService service;
    if (!service.isRunning())
        return 1;
    if (arguments.size() > 2) {
        QFile answer(arguments.at(2));
        if (!answer.open(QIODevice::ReadOnly))
            return 2;
        service.setDefault(
            "POST", "/v1/chat/completions", FakeReply::chatCompletion(QString::fromUtf8(answer.readAll())));
    }

    qsizetype written = 0;
    const auto writeNewRequests = [&] {
        const QList<RecordedRequest> requests = service.requests();
        for (; written < requests.size(); ++written) {
            const RecordedRequest &request = requests.at(written);
            QJsonObject headers;
            for (const auto &[name, value] : request.headers)
                headers.insert(QString::fromLatin1(name), QString::fromLatin1(value));
            const QJsonObject description { { QStringLiteral("method"), QString::fromLatin1(request.method) },
                { QStringLiteral("path"), QString::fromLatin1(request.path) },
                { QStringLiteral("headers"), headers } };
            const QString stem = records.filePath(QStringLiteral("%1-%2")
                                                      .arg(written + 1, 3, 10, QLatin1Char('0'))
                                                      .arg(QString::fromLatin1(request.method)));
            writeFile(stem + QStringLiteral(".body"), request.body);
            writeFile(stem + QStringLiteral(".json"), QJsonDocument(description).toJson());
        }
    };
    QTimer recorder;
    QObject::connect(&recorder, &QTimer::timeout, writeNewRequests);
    recorder.start(20);

    UnixSignalWatcher signalWatcher({ SIGTERM, SIGINT });
    QObject::connect(&signalWatcher, &UnixSignalWatcher::unixSignal, &app, [&] {
        writeNewRequests();
        app.quit();
    });
    writeFile(records.filePath(QStringLiteral("port")), "port " + QByteArray::number(service.port()) + '\n');
    return app.exec();
}
