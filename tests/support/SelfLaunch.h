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
    // with exit code 0 within `ms` (stretched by TestTime), else what went wrong with the end of what
    // it wrote to its standard error.
    QString run(const QStringList &arguments, int ms = 30000) const;

    // For the child, first thing in main, in the checked build: every
    // library it loaded stays loaded to its end. The X connection closes as
    // the application object goes and the GL driver is unloaded with it,
    // leaving what the driver keeps for the process's life with no owner and
    // no frame the leak checker can name.
    static void keepLibrariesLoaded();

private:
    std::unique_ptr<XServer> m_x;
    QProcessEnvironment m_env;
};
