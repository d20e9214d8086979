#pragma once
#include "PlayerStore.h"
#include "RowListModel.h"

#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The comments sheet's rows (the store's comments, each as `comment`) and its
// sort choice. Every choice reloads, the checked one too; the retry always
// asks for "top".
class CommentsModel : public RowListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(QString sort READ sort NOTIFY sortChanged)
    // The sort menu: one entry per key, the checked one with its mark.
    Q_PROPERTY(QVariantList sortMenu READ sortMenu NOTIFY sortChanged)

public:
    enum Role { CommentRole = Qt::UserRole + 1 };
    static inline const QString top = QStringLiteral("top");

    explicit CommentsModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    int count() const override { return int(m_comments.size()); }
    QString sort() const { return m_sort; }
    QVariantList sortMenu() const;

    Q_INVOKABLE void setSort(const QString &key);
    Q_INVOKABLE void retry();
    // A sheet shown again starts at "top".
    Q_INVOKABLE void reset();

signals:
    void playerChanged();
    void sortChanged();

private:
    void sync();
    void load(const QString &key);

    QPointer<PlayerStore> m_player;
    QList<Comment> m_comments;
    QString m_sort = top;
};
