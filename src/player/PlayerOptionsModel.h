#pragma once
#include "MenuEntry.h"
#include "PlayerOverlayModel.h"
#include "PlayerStore.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The player's options menu: its eleven entries with their submenus, titles
// and marks as the store and the sheet stand now, and what choosing each
// one does. It keeps no state of its own; the entries are built anew at
// every opening.
class PlayerOptionsModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(PlayerStore *player READ player WRITE setPlayer NOTIFY storesChanged)
    Q_PROPERTY(PlayerOverlayModel *overlay READ overlay WRITE setOverlay NOTIFY storesChanged)

public:
    static constexpr float rates[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f, 2.5f, 3.0f};
    static constexpr double captionStep = 0.2, captionMax = 2.0, captionMin = 0.6;

    explicit PlayerOptionsModel(QObject *parent = nullptr);

    PlayerStore *player() const { return m_player; }
    void setPlayer(PlayerStore *player);
    PlayerOverlayModel *overlay() const { return m_overlay; }
    void setOverlay(PlayerOverlayModel *overlay);

    // "1×", "0,25×", "1,1×".
    static QString rateText(float rate);
    static double largerCaption(double scale);
    static double smallerCaption(double scale);

    QList<MenuEntry> entries() const;

    Q_INVOKABLE QVariantList menuModel() const;
    Q_INVOKABLE void trigger(const QString &id);

signals:
    void storesChanged();

private:
    QList<MenuEntry> speedEntries() const;
    QList<MenuEntry> captionEntries() const;
    QList<MenuEntry> sleepEntries() const;
    QList<MenuEntry> loopEntries() const;
    void markLoopB();

    QPointer<PlayerStore> m_player;
    QPointer<PlayerOverlayModel> m_overlay;
};
