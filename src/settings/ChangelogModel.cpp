#include "ChangelogModel.h"
#include "API.h"
#include "Fmt.h"


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
    const Generation::Ticket load = m_loads.next(this);
    try {
        Changelog log = co_await API::shared().changelog();
        if (!load)
            co_return;
        m_log = std::move(log);
        emit logChanged();
        assign(m_state, LoadState::loaded(), &ChangelogModel::stateChanged);
    } catch (...) {
        if (load && !m_log)
            assign(m_state, LoadState::failed(u"No se pudo cargar el registro de cambios."_qs),
                   &ChangelogModel::stateChanged);
    }
}
