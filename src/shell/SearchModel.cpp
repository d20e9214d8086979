#include "SearchModel.h"
#include "Store.h"
#include "API.h"
#include "ErrorDescription.h"
#include "Haptics.h"
#include "Pasteboard.h"
#include "YouTubeLink.h"

#include <QTextBoundaryFinder>

SearchModel::SearchModel(QObject *parent) : PagedList(parent)
{
    m_suggestTimer.setSingleShot(true);
    m_suggestTimer.setInterval(suggestDelayMs);
    connect(&m_suggestTimer, &QTimer::timeout, this, [this] { fetchSuggestions(); });
}

const QList<SearchModel::Filter> &SearchModel::filterTable()
{
    static const QList<Filter> table{
        {anyFilter, u"Todo"_qs, u"square.grid.2x2"_qs},
        {u"today"_qs, u"Hoy"_qs, u"sun.max"_qs},
        {u"week"_qs, u"Esta semana"_qs, u"calendar"_qs},
        {u"month"_qs, u"Este mes"_qs, u"calendar.badge.clock"_qs},
        {u"short"_qs, u"Cortos"_qs, u"hare"_qs},
        {u"medium"_qs, u"Medios"_qs, u"timer"_qs},
        {u"long"_qs, u"Largos"_qs, u"tortoise"_qs},
        {u"live"_qs, u"Directos"_qs, u"dot.radiowaves.left.and.right"_qs},
        {u"views"_qs, u"Más vistos"_qs, u"flame"_qs},
        {u"recent"_qs, u"Recientes"_qs, u"clock.arrow.circlepath"_qs},
    };
    return table;
}

QVariantList SearchModel::filtersValue() const
{
    QVariantList out;
    for (const Filter &f : filterTable())
        out.append(QVariantMap{{u"id"_qs, f.id}, {u"name"_qs, f.title}, {u"symbol"_qs, f.symbol}});
    return out;
}

Video SearchModel::placeholder(const QString &id)
{
    Video v;
    v.id = id;
    v.title = PlayerStore::placeholderTitle;
    return v;
}

qsizetype SearchModel::graphemes(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString SearchModel::linkId() const { return YouTubeLink::parse(query()).value_or(QString()); }

void SearchModel::setText(const QString &text)
{
    if (!assignAndNotify(this, m_text, text, &SearchModel::textChanged))
        return;
    textEdited(true);
}

void SearchModel::clearTextKeepingResults()
{
    if (m_text.isEmpty())
        return;
    m_text.clear();
    emit textChanged();
    textEdited(false);
}

void SearchModel::textEdited(bool clearing)
{
    m_textGeneration.callOff();
    if (graphemes(query()) < minimumGraphemes) {
        m_suggestTimer.stop();
        setSuggestions({});
    } else {
        m_suggestTimer.start();
    }
    if (clearing && m_text.isEmpty() && !m_searching) {
        newLoad(); // nothing of the query left may land
        setTerm({});
        list()->clear();
        setState(LoadState::idle());
    }
}

QCoro::Task<> SearchModel::fetchSuggestions()
{
    const Generation::Ticket text = m_textGeneration.current(this);
    try {
        QStringList list = co_await API::shared().suggest(query());
        if (text)
            setSuggestions(std::move(list));
    } catch (const std::exception &) {
        // The shown suggestions stay.
    }
}

void SearchModel::run(const QString &input, bool keepFilter)
{
    const QString q = input.trimmed();
    if (q.isEmpty())
        return;
    if (const auto id = YouTubeLink::parse(q)) {
        open(*id, YouTubeLink::timestamp(q));
        return;
    }
    if (const auto list = YouTubeLink::playlistID(q)) {
        clearTextKeepingResults();
        dismiss();
        if (m_router)
            m_router->openPlaylist(*list);
        return;
    }
    if (!keepFilter)
        setFilter(anyFilter);
    if (m_library)
        m_library->addSearch(q);
    // A page of the previous query may still be on its way; it is dropped,
    // so the new results page at once.
    const Generation::Ticket load = newLoad();
    setTerm(q);
    list()->clear();
    resetPaging();
    setState(LoadState::loading());
    dismiss();
    firstPage(q, m_filter, load);
}

QCoro::Task<> SearchModel::firstPage(QString q, std::optional<QString> filter, Generation::Ticket load)
{
    try {
        const QList<Video> first = co_await API::shared().search(q, 0, filter);
        if (load)
            showFirstPage(first);
    } catch (const std::exception &e) {
        if (load)
            setState(LoadState::failed(describe(e)));
    }
}

QCoro::Task<QList<Video>> SearchModel::fetchPage(qint64 page)
{
    co_return co_await API::shared().search(m_term, page, m_filter);
}

void SearchModel::pickFilter(const QString &id)
{
    Haptics::shared().light();
    setFilter(id);
    run(m_term, true);
}

void SearchModel::pickTopic(const QString &query)
{
    Haptics::shared().light();
    setText(query);
    run(query, false);
}

void SearchModel::open(const QString &id, std::optional<double> at)
{
    Haptics::shared().light();
    clearTextKeepingResults();
    dismiss();
    if (m_player)
        m_player->play(placeholder(id), at, true);
}

void SearchModel::openLink()
{
    const QString q = query();
    if (const auto id = YouTubeLink::parse(q))
        open(*id, YouTubeLink::timestamp(q));
}

void SearchModel::pasteLink()
{
    const QString pasted = Pasteboard::shared().string();
    if (const auto id = YouTubeLink::parse(pasted)) {
        open(*id, YouTubeLink::timestamp(pasted));
    } else if (const auto list = YouTubeLink::playlistID(pasted)) {
        dismiss();
        if (m_router)
            m_router->openPlaylist(*list);
    } else if (m_player) {
        m_player->showToast(noLinkToast);
    }
}

void SearchModel::dismiss()
{
    setSearching(false);
    emit dismissed();
}

void SearchModel::cancel()
{
    dismiss();
    setText({});
}
