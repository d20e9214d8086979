#include "MediaEngineFactory.h"

#include "MpvAudioBridge.h"
#include "MpvEngine.h"

#include <QVariant>

MediaEngine *MediaEngineFactory::create(Role role)
{
    auto *engine = new MpvEngine;
    if (role == Role::Main)
        MpvAudioBridge::install(engine);
    else {
        MpvAudioBridge::follow(engine);
        // A follower plays short progressive clips one at a time: one
        // decoding thread keeps even 1080p H.264 in real time (over 200
        // frames a second here), where mpv's default of a thread per core
        // holds reference frames for each (some 25 MB on 8 cores).
        engine->writeMpvProperty("vd-lavc-threads", 1);
    }
    return engine;
}
