#pragma once
#include "Changelog.h"
#include "PagedList.h"
#include <QCoroTask>
#include <QtQml/qqmlregistration.h>

// The release notes screen's state. `failed` is never reset and a loaded
// log is never cleared; a later load replaces it on success.
class ChangelogModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool loaded READ loaded NOTIFY logChanged)
    Q_PROPERTY(QVariantList releases READ releases NOTIFY logChanged)
    Q_PROPERTY(bool failed READ failed NOTIFY failedChanged)

public:
    using Store::Store;

    bool loaded() const { return m_log.has_value(); }
    QVariantList releases() const { return m_log ? m_log->releasesValue() : QVariantList(); }
    bool failed() const { return m_failed; }

    // "Novedad", "Corrección", anything else "Mejora" (case-sensitive).
    Q_INVOKABLE static QString badgeText(const QString &type);
    // The long date, then " · " and the title when there is one.
    Q_INVOKABLE static QString subtitle(const Release &release);

    Q_INVOKABLE void appear() { load(); }
    QCoro::Task<> load();

signals:
    void logChanged();
    void failedChanged();

private:
    std::optional<Changelog> m_log;
    bool m_failed = false;
    Generation m_loads;
};
