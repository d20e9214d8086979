#pragma once
#include "XServer.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>

// The test program started again as a child process, on the platform a test
// names: "offscreen", or "xcb" on an X server of its own, the way a desktop
// starts the app.
class SelfLaunch
{
public:
    explicit SelfLaunch(const QString &platform);

    // False when the platform is X and no X server started.
    bool ready() const;

    // Runs the program with `arguments` to its end: "" when it ended by itself
    // with exit code 0 within `ms`, else what went wrong with the end of what
    // it wrote to its standard error.
    QString run(const QStringList &arguments, int ms = 30000) const;

private:
    std::unique_ptr<XServer> m_x;
    QProcessEnvironment m_env;
};
