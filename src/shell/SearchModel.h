#pragma once
#include "Blanks.h"
#include "LibraryStore.h"
#include "PagedList.h"
#include "PlayerStore.h"
#include "Router.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>
#include <optional>

// The search tab's state: the field's text, whether the search interaction is
// on, the backend's suggestions for the text, the query whose results are
// shown with its filter, first-page state and paging. A query that is a video
// link plays it and a playlist link opens the playlist; anything else is
// searched and kept as a recent search.
//
// Every search starts a generation: replies of an older one change nothing,
// so a slow page of a previous query can never land in the new results.
class SearchModel : public PagedList
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    // The text trimmed of spaces (of every kind) and tabs, and the video id it links to ("" for none).
    Q_PROPERTY(QString query READ query NOTIFY textChanged)
    Q_PROPERTY(QString linkId READ linkId NOTIFY textChanged)
    // On with the field's focus; off only through dismiss().
    Q_PROPERTY(bool searching READ searching WRITE setSearching NOTIFY searchingChanged)
    Q_PROPERTY(QString term READ term NOTIFY termChanged)
    Q_PROPERTY(QString filter READ filter NOTIFY filterChanged)
    Q_PROPERTY(VideoListModel *results READ list CONSTANT)
    Q_PROPERTY(QStringList suggestions READ suggestions NOTIFY suggestionsChanged)
    // The filter chips, in order: {id, name, symbol}.
    Q_PROPERTY(QVariantList filters READ filtersValue CONSTANT)
    // Plain: set once by the view.
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary)
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer)
    Q_PROPERTY(Router *router READ router WRITE setRouter)

public:
    struct Filter
    {
        QString id;
        QString title;
        QString symbol;
    };
    static const QList<Filter> &filterTable();
    static inline const QString anyFilter = QStringLiteral("any");
    static constexpr int suggestDelayMs = 220;
    static constexpr int minimumGraphemes = 2;
    static inline const QString noLinkToast = QStringLiteral("No hay un enlace de YouTube en el portapapeles");

    explicit SearchModel(QObject *parent = nullptr);

    // What a link plays until the video's detail arrives.
    static Video placeholder(const QString &id);
    static qsizetype graphemes(const QString &text);

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    QString query() const { return Blanks::trimmed(m_text); }
    QString linkId() const;
    bool searching() const { return m_searching; }
    void setSearching(bool v) { assign(m_searching, v, &SearchModel::searchingChanged); }
    const QString &term() const { return m_term; }
    const QString &filter() const { return m_filter; }
    VideoListModel *results() const { return list(); }
    const QStringList &suggestions() const { return m_suggestions; }
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *v) { m_library = v; }
    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *v) { m_player = v; }
    Router *router() const { return m_router; }
    void setRouter(Router *v) { m_router = v; }

    Q_INVOKABLE void run(const QString &input, bool keepFilter);
    // The error's retry: the shown term again, under its filter.
    void retry() override { run(m_term, true); }
    // A chip: the query again with that filter.
    Q_INVOKABLE void pickFilter(const QString &id);
    // A topic tile: its query in the field, searched.
    Q_INVOKABLE void pickTopic(const QString &query);
    void open(const QString &id, std::optional<double> at);
    // The link row: plays the typed link.
    Q_INVOKABLE void openLink();
    Q_INVOKABLE void pasteLink();
    // Ends the search interaction; the view lets go of the keyboard.
    Q_INVOKABLE void dismiss();
    // "Cancelar": ends the interaction, then clears the text.
    Q_INVOKABLE void cancel();

signals:
    void textChanged();
    void searchingChanged();
    void termChanged();
    void filterChanged();
    void suggestionsChanged();
    void dismissed();

private:
    void setTerm(const QString &v) { assign(m_term, v, &SearchModel::termChanged); }
    void setFilter(const QString &v) { assign(m_filter, v, &SearchModel::filterChanged); }
    void setSuggestions(QStringList v) { assign(m_suggestions, std::move(v), &SearchModel::suggestionsChanged); }
    QVariantList filtersValue() const;

    // A link empties the field without leaving the results.
    void clearTextKeepingResults();
    void textEdited(bool clearing);
    QCoro::Task<> fetchSuggestions();
    QCoro::Task<> firstPage(QString q, std::optional<QString> filter, Generation::Ticket load);
    QCoro::Task<QList<Video>> fetchPage(qint64 page) override;

    QString m_text;
    bool m_searching = false;
    QString m_term;
    QString m_filter = anyFilter;
    QStringList m_suggestions;
    Generation m_textGeneration;
    QTimer m_suggestTimer;
    QPointer<LibraryStore> m_library;
    QPointer<PlayerStore> m_player;
    QPointer<Router> m_router;
};
