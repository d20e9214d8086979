#include "SettingsModel.h"
#include "API.h"
#include "BuildConfig.h"
#include "DiskCache.h"

#include <QCoroFuture>
#include <QLocale>
#include <QPointer>

SettingsModel::SettingsModel(QObject *parent) : Store(parent) {}

QString SettingsModel::version()
{
    const QString v = QString::fromUtf8(BuildConfig::version);
    return v.isEmpty() ? u"1.0.0"_qs : v;
}

int SettingsModel::compareVersions(const QString &a, const QString &b)
{
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            while (i < ei - 1 && a[i] == u'0')
                ++i;
            while (j < ej - 1 && b[j] == u'0')
                ++j;
            if (ei - i != ej - j)
                return ei - i < ej - j ? -1 : 1;
            // Same length: the first differing digit decides.
            const int c = QStringView(a).mid(i, ei - i).compare(QStringView(b).mid(j, ej - j));
            if (c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i].unicode() < b[j].unicode() ? -1 : 1;
            ++i;
            ++j;
        }
    }
    const qsizetype restA = a.size() - i, restB = b.size() - j;
    return restA == restB ? 0 : restA < restB ? -1 : 1;
}

bool SettingsModel::isUpdate(const QString &latest, const QString &version)
{
    return !latest.isEmpty() && compareVersions(latest, version) > 0;
}

QString SettingsModel::sizeText(qint64 bytes)
{
    return QLocale(u"es_ES"_qs).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QUrl SettingsModel::website()
{
    return QUrl(QStringLiteral(NIMBELORA_WEBSITE_URL));
}

QCoro::Task<> SettingsModel::measure()
{
    QPointer<SettingsModel> self(this);
    const quint64 generation = ++m_sizeGeneration;
    const qint64 bytes = co_await DiskCache::totalBytes();
    if (self && generation == m_sizeGeneration)
        assign(m_cacheSize, bytes, &SettingsModel::cacheSizeChanged);
}

QCoro::Task<> SettingsModel::loadLatest()
{
    QPointer<SettingsModel> self(this);
    try {
        const Changelog log = co_await API::shared().changelog();
        if (self)
            assign(m_latest, log.latest.value_or(QString()), &SettingsModel::latestChanged);
    } catch (...) {
        // Silent: the badge keeps what it had.
    }
}

QCoro::Task<> SettingsModel::clearThenMeasure()
{
    QPointer<SettingsModel> self(this);
    // Walks begun before the clearing must not write their older size.
    ++m_sizeGeneration;
    co_await DiskCache::clearAll();
    if (self)
        co_await self->measure();
}
