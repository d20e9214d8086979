#pragma once
#include "Store.h"
#include <QCoroTask>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// What the settings screen shows beyond its bound settings: the app's
// version, the update badge from the release notes and the cache size.
// Only the newest measurement writes the size, and a destroyed screen's
// replies change nothing.
class SettingsModel : public Store
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(QString latest READ latest NOTIFY latestChanged)
    Q_PROPERTY(bool hasUpdate READ hasUpdate NOTIFY latestChanged)
    Q_PROPERTY(QString badge READ badge NOTIFY latestChanged)
    Q_PROPERTY(qint64 cacheSize READ cacheSize NOTIFY cacheSizeChanged)
    Q_PROPERTY(QString cacheText READ cacheText NOTIFY cacheSizeChanged)
    Q_PROPERTY(QUrl website READ website CONSTANT)

public:
    explicit SettingsModel(QObject *parent = nullptr);

    static QString version();
    // Digit runs compare as numbers (leading zeros dropped, a longer run is
    // larger), everything else by code point; then the shorter text is
    // smaller. Negative, zero or positive as a is below, equal to or above b.
    static int compareVersions(const QString &a, const QString &b);
    static bool isUpdate(const QString &latest, const QString &version);
    static QString sizeText(qint64 bytes);
    static QUrl website();

    const QString &latest() const { return m_latest; }
    bool hasUpdate() const { return isUpdate(m_latest, version()); }
    QString badge() const { return hasUpdate() ? u"v"_qs + m_latest + u" disponible"_qs : QString(); }
    qint64 cacheSize() const { return m_cacheSize; }
    QString cacheText() const { return sizeText(m_cacheSize); }

    // Each time the screen is shown: the size, then the release notes.
    Q_INVOKABLE void appear() { measure(); loadLatest(); }
    Q_INVOKABLE void clearCache() { clearThenMeasure(); }

    QCoro::Task<> measure();
    QCoro::Task<> loadLatest();
    QCoro::Task<> clearThenMeasure();

signals:
    void latestChanged();
    void cacheSizeChanged();

private:
    QString m_latest; // empty: none known
    qint64 m_cacheSize = 0;
    quint64 m_sizeGeneration = 0;
};
