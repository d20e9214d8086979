#pragma once
#include <QDBusAbstractAdaptor>
#include <QStringList>

// org.mpris.MediaPlayer2: who the player is. The app can neither be raised
// nor quit from outside, and opens no URIs through MPRIS.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

public:
    explicit MprisRootAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}

    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Nimbelora"); }
    QStringList none() const { return {}; }

public slots:
    // Both have no effect while CanRaise and CanQuit are false.
    void Raise() {}
    void Quit() {}
};
