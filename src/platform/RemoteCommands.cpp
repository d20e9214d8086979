#include "RemoteCommands.h"
#include "MprisService.h"

RemoteCommands &RemoteCommands::shared()
{
    static RemoteCommands *r = new RemoteCommands;
    return *r;
}

void RemoteCommands::registerCommands(double skipInterval)
{
    m_skipInterval = skipInterval;
    MprisService::shared().start();
    if (!m_registered) {
        m_registered = true;
        emit registeredChanged();
    }
}
