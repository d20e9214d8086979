#include "CommentsModel.h"

#include "MenuEntry.h"
#include "Store.h"

#include <QVariantMap>

CommentsModel::CommentsModel(QObject *parent) : RowListModel(parent) {}

QVariant CommentsModel::data(const QModelIndex &index, int role) const
{
    if (role != CommentRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return QVariant::fromValue(m_comments.at(index.row()));
}

QHash<int, QByteArray> CommentsModel::roleNames() const { return {{CommentRole, "comment"}}; }

void CommentsModel::setPlayer(PlayerStore *player)
{
    if (!follow(this, m_player, player))
        return;
    if (player)
        connect(player, &PlayerStore::commentsChanged, this, &CommentsModel::sync);
    sync();
    emit playerChanged();
}

void CommentsModel::sync()
{
    setRows(m_comments, m_player ? m_player->comments() : QList<Comment>(), [](const Comment &c) { return c.id; });
}

QVariantList CommentsModel::sortMenu() const
{
    const std::pair<QString, QString> keys[] = {{top, QStringLiteral("Destacados")},
                                                {QStringLiteral("new"), QStringLiteral("Más recientes")}};
    QList<MenuEntry> out;
    for (const auto &[key, label] : keys)
        out.append(MenuEntry::choice(key, label, key == m_sort));
    return MenuEntry::toModel(out);
}

void CommentsModel::setSort(const QString &key)
{
    assignAndNotify(this, m_sort, key, &CommentsModel::sortChanged);
    load(key);
}

void CommentsModel::retry() { load(top); }

void CommentsModel::reset() { assignAndNotify(this, m_sort, top, &CommentsModel::sortChanged); }

void CommentsModel::load(const QString &key)
{
    if (m_player && m_player->current())
        m_player->loadComments(m_player->current()->id, key);
}
