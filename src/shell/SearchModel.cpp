#include "SearchModel.h"
#include "API.h"
#include "ErrorDescription.h"
#include "Haptics.h"
#include "Pasteboard.h"
#include "YouTubeLink.h"

#include <QSet>
#include <QTextBoundaryFinder>

SearchModel::SearchModel(QObject *parent) : Store(parent), m_results(new VideoListModel(this))
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
    if (m_text == text)
        return;
    m_text = text;
    emit textChanged();
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
    ++m_textGeneration;
    if (graphemes(query()) < minimumGraphemes) {
        m_suggestTimer.stop();
        setSuggestions({});
    } else {
        m_suggestTimer.start();
    }
    if (clearing && m_text.isEmpty() && !m_searching) {
        ++m_generation; // nothing of the query left may land
        setTerm({});
        m_results->clear();
        setState(LoadState::idle());
        setLoadingMore(false);
    }
}

QCoro::Task<> SearchModel::fetchSuggestions()
{
    QPointer<SearchModel> self(this);
    const quint64 generation = m_textGeneration;
    try {
        QStringList list = co_await API::shared().suggest(query());
        if (self && generation == m_textGeneration)
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
    const quint64 generation = ++m_generation;
    setTerm(q);
    m_results->clear();
    m_page = 0;
    setCanMore(true);
    setState(LoadState::loading());
    // A page of the previous query may still be on its way; it is dropped,
    // so the new results page at once.
    setLoadingMore(false);
    dismiss();
    firstPage(q, m_filter, generation);
}

QCoro::Task<> SearchModel::firstPage(QString q, std::optional<QString> filter, quint64 generation)
{
    QPointer<SearchModel> self(this);
    try {
        QList<Video> list = co_await API::shared().search(q, 0, filter);
        if (!self || generation != m_generation)
            co_return;
        m_results->replace(list);
        setCanMore(!list.isEmpty());
        setState(LoadState::loaded());
    } catch (const std::exception &e) {
        if (self && generation == m_generation)
            setState(LoadState::failed(describe(e)));
    }
}

QCoro::Task<> SearchModel::loadMore()
{
    if (!m_canMore || m_loadingMore)
        co_return;
    QPointer<SearchModel> self(this);
    setLoadingMore(true);
    const quint64 generation = m_generation;
    const qint64 next = m_page + 1;
    std::optional<QList<Video>> page;
    try {
        page = co_await API::shared().search(m_term, next, m_filter);
    } catch (const std::exception &) {
        // Handled below: a failed page ends paging.
    }
    if (!self || generation != m_generation)
        co_return;
    if (page) {
        QSet<QString> shown;
        for (const Video &v : m_results->videos())
            shown.insert(v.id);
        QList<Video> fresh;
        for (const Video &v : std::as_const(*page))
            if (!shown.contains(v.id))
                fresh.append(v);
        if (!fresh.isEmpty()) {
            m_results->append(fresh);
            m_page = next;
        } else {
            setCanMore(false);
        }
    } else {
        setCanMore(false);
    }
    setLoadingMore(false);
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
