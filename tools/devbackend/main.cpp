#include "DevBackend.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        QTextStream(stdout) << DevBackendOptions::usage();
        return 0;
    }
    // Out of process the media are wanted soon: make them in the background
    // unless asked not to.
    const bool lazy = args.removeAll(QStringLiteral("--lazy-media")) > 0;
    QString error;
    auto options = DevBackendOptions::fromArguments(args, &error);
    if (!options) {
        err << error << "\n" << DevBackendOptions::usage();
        return 2;
    }
    options->prepareMedia = options->prepareMedia || !lazy;

    // Signals are taken by sigwait below; the server's threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DevBackend backend(*options);
    if (!backend.start(&error)) {
        err << error << "\n";
        return 1;
    }
    err << "nimbelora-devbackend en " << backend.origin() << " (clave «" << backend.apiKey() << "», medios en "
        << backend.options().mediaDir << ")\n";
    err.flush();
    int signal = 0;
    sigwait(&stopSignals, &signal);
    backend.stop();
    return 0;
}
