#include "ChangelogModel.h"
#include "API.h"
#include "Fmt.h"

#include <QPointer>

QString ChangelogModel::badgeText(const QString &type)
{
    if (type == u"new")
        return u"Novedad"_qs;
    if (type == u"fixed")
        return u"Corrección"_qs;
    return u"Mejora"_qs;
}

QString ChangelogModel::subtitle(const Release &release)
{
    const QString date = Fmt::longDate(release.date);
    return release.title && !release.title->isEmpty() ? date + u" · "_qs + *release.title : date;
}

QCoro::Task<> ChangelogModel::load()
{
    QPointer<ChangelogModel> self(this);
    const quint64 generation = ++m_generation;
    try {
        Changelog log = co_await API::shared().changelog();
        if (!self || generation != m_generation)
            co_return;
        m_log = std::move(log);
        emit logChanged();
    } catch (...) {
        if (self && generation == m_generation)
            assign(m_failed, true, &ChangelogModel::failedChanged);
    }
}
