#pragma once
#include <QObject>
#include <utility>

// Base of every observable store: an observed field notifies only when the
// written value differs from the stored one (by the value type's equality).
class Store : public QObject
{
public:
    using QObject::QObject;

protected:
    template<class T, class U, class C>
    bool assign(T &field, U &&value, void (C::*changed)())
    {
        if (field == value)
            return false;
        field = std::forward<U>(value);
        (static_cast<C *>(this)->*changed)();
        return true;
    }
};
