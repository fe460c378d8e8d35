#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <array>

// Points the program's network addresses (through their environment
// overrides) somewhere for the life of the object, then restores them.
class ScopedEndpoints
{
public:
    ScopedEndpoints(const QUrl &apiBase, const QUrl &fallbackBase, const QList<QUrl> &probes);
    // Everything at one service.
    explicit ScopedEndpoints(const QUrl &base)
        : ScopedEndpoints(base, base, { base, base, base })
    { }
    ~ScopedEndpoints();
    ScopedEndpoints(const ScopedEndpoints &) = delete;
    ScopedEndpoints &operator=(const ScopedEndpoints &) = delete;

    static void set(const QUrl &apiBase, const QUrl &fallbackBase, const QList<QUrl> &probes);

private:
    std::array<QByteArray, 3> m_saved;
};
