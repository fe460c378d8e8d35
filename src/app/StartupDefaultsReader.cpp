#include "StartupDefaultsReader.h"

#include "platform/Background.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <algorithm>

namespace {

constexpr std::chrono::seconds firstRetry { 1 };
constexpr std::chrono::seconds longestRetry { 30 };

} // namespace

StartupDefaultsReader::StartupDefaultsReader(UserDefaults &defaults, const QStringList &keys, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_keys(keys)
    , m_nextDelay(firstRetry)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &StartupDefaultsReader::readInBackground);
}

void StartupDefaultsReader::start()
{
    if (m_values || m_reading || m_retry.isActive())
        return;
    readInBackground();
}

void StartupDefaultsReader::readInBackground()
{
    m_reading = true;
    ++m_attempts;
    // The store lives as long as the process; the worker holds nothing of
    // this object, which may be gone when it finishes.
    UserDefaults *defaults = &m_defaults;
    const QStringList keys = m_keys;
    Background::whenFinished(Background::run([defaults, keys] { return defaults->valuesForKeys(keys); }),
        this, [this](const StoredValues &values) { readFinished(values); });
}

void StartupDefaultsReader::readFinished(const StoredValues &values)
{
    m_reading = false;
    if (values.isFailure()) {
        Log::line(QStringLiteral(
            "⚠️ Could not read the settings at start-up (%1); trying again in %2 s, with no "
            "window until then")
                      .arg(values.failureReason())
                      .arg(m_nextDelay.count()));
        m_retry.start(m_nextDelay);
        m_nextDelay = std::min(m_nextDelay * 2, longestRetry);
        return;
    }
    if (m_attempts > 1)
        Log::line(QStringLiteral("✅ Read the settings at start-up at attempt %1").arg(m_attempts));
    m_values = values;
    Q_EMIT valuesRead(values);
}
