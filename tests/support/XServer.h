#pragma once
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// An X server of the test's own (Xvfb, on a free display), for a child
// process that must run on X the way a desktop starts the app, whatever the
// test itself runs on. Stopped with the object.
class XServer
{
public:
    XServer();
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    // ":<n>"; empty when Xvfb is missing or did not start.
    QString display() const { return m_display; }
    // `base` with QT_QPA_PLATFORM=xcb on this display.
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

private:
    QProcess m_server;
    QString m_display;
};
