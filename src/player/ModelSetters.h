#pragma once
#include "PlayerStore.h"

#include <QPointer>
#include <type_traits>

// The setter shape the player's view models share: a new value is stored
// and announced; the same value again is not (QML bindings would loop).
template<class Owner, class T>
void setAndNotify(Owner *owner, T &field, const std::type_identity_t<T> &value, void (Owner::*changed)())
{
    if (value == field)
        return;
    field = value;
    emit(owner->*changed)();
}

// Moves a view model to another store, dropping what it was connected to on
// the old one. False when `player` is the store already held.
inline bool rebindPlayer(QObject *owner, QPointer<PlayerStore> &held, PlayerStore *player)
{
    if (player == held)
        return false;
    if (held)
        QObject::disconnect(held, nullptr, owner, nullptr);
    held = player;
    return true;
}
