#pragma once
#include <QObject>
#include <QPointer>
#include <utility>

// The one setter shape: an observed field notifies only when the written
// value differs from the stored one (by the value type's equality); the same
// value again is not announced, or QML bindings would loop.
template<class Owner, class T, class U>
bool assignAndNotify(Owner *owner, T &field, U &&value, void (Owner::*changed)())
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    emit(owner->*changed)();
    return true;
}

// The one way a model follows a store it is given: what it connected to on
// the old store is dropped, and the caller connects to the new one. False
// when `store` is the one already held.
template<class S>
bool follow(QObject *owner, QPointer<S> &held, S *store)
{
    if (store == held)
        return false;
    if (held)
        QObject::disconnect(held, nullptr, owner, nullptr);
    held = store;
    return true;
}

// Base of every observable store.
class Store : public QObject
{
public:
    using QObject::QObject;

protected:
    template<class T, class U, class C>
    bool assign(T &field, U &&value, void (C::*changed)())
    {
        return assignAndNotify(static_cast<C *>(this), field, std::forward<U>(value), changed);
    }
};
