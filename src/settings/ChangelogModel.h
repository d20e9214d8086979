#pragma once
#include "Changelog.h"
#include "PagedList.h"
#include <QCoroTask>
#include <QtQml/qqmlregistration.h>

// The release notes screen's state. Once loaded, the log is never cleared and
// a later load replaces it only on success; a failure shows only while
// nothing was ever loaded, and stays until a load succeeds.
class ChangelogModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LoadState state READ state NOTIFY stateChanged)
    Q_PROPERTY(QVariantList releases READ releases NOTIFY logChanged)

public:
    using Store::Store;

    const LoadState &state() const { return m_state; }
    QVariantList releases() const { return m_log ? m_log->releasesValue() : QVariantList(); }

    // "Novedad", "Corrección", anything else "Mejora" (case-sensitive).
    Q_INVOKABLE static QString badgeText(const QString &type);
    // The long date, then " · " and the title when there is one.
    Q_INVOKABLE static QString subtitle(const Release &release);

    Q_INVOKABLE void appear() { load(); }
    QCoro::Task<> load();

signals:
    void logChanged();
    void stateChanged();

private:
    std::optional<Changelog> m_log;
    LoadState m_state = LoadState::loading();
    Generation m_loads;
};
