#include "MediaEngineFactory.h"

#include "MpvAudioBridge.h"
#include "MpvEngine.h"

MediaEngine *MediaEngineFactory::create(Role role)
{
    auto *engine = new MpvEngine;
    if (role == Role::Main)
        MpvAudioBridge::install(engine);
    else
        MpvAudioBridge::follow(engine);
    return engine;
}
