#pragma once
#include "PlayerStore.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The comments sheet's sort choice over the store's comments. Every choice
// reloads, the checked one too; the retry always asks for "top".
class CommentsModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(QString sort READ sort NOTIFY sortChanged)
    // The sort menu: {id, label, symbol} per key, the checked one with its mark.
    Q_PROPERTY(QVariantList sortMenu READ sortMenu NOTIFY sortChanged)

public:
    static inline const QString top = QStringLiteral("top");

    explicit CommentsModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
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
    void load(const QString &key);

    QPointer<PlayerStore> m_player;
    QString m_sort = top;
};
