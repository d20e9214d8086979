#pragma once
#include "RecordSupport.h"
#include <QtQml/qqmlregistration.h>

// The loading state every list screen keeps beside its list.
struct LoadState
{
    Q_GADGET
    QML_VALUE_TYPE(loadState)
    Q_PROPERTY(Kind kind MEMBER kind)
    Q_PROPERTY(QString message MEMBER message)
    Q_PROPERTY(bool isIdle READ isIdle)
    Q_PROPERTY(bool isLoading READ isLoading)
    Q_PROPERTY(bool isLoaded READ isLoaded)
    Q_PROPERTY(bool isFailed READ isFailed)

public:
    enum class Kind { idle, loading, loaded, failed };
    Q_ENUM(Kind)

    Kind kind = Kind::idle;
    QString message; // shown to the user; only a failed state has one

    static LoadState idle() { return {}; }
    static LoadState loading() { return {Kind::loading, {}}; }
    static LoadState loaded() { return {Kind::loaded, {}}; }
    static LoadState failed(const QString &message) { return {Kind::failed, message}; }

    bool isIdle() const { return kind == Kind::idle; }
    bool isLoading() const { return kind == Kind::loading; }
    bool isLoaded() const { return kind == Kind::loaded; }
    bool isFailed() const { return kind == Kind::failed; }

    friend bool operator==(const LoadState &a, const LoadState &b)
    {
        return a.kind == b.kind && (a.kind != Kind::failed || Canonical::same(a.message, b.message));
    }
};
