#pragma once
#include "LibraryStore.h"
#include "PlayerStore.h"
#include "SimulatedEngine.h"

#include <memory>

// A PlayerStore over a SimulatedEngine (the store owns it), linked to a
// library of its own.
struct StoreRig
{
    SimulatedEngine *engine = new SimulatedEngine;
    PlayerStore store{engine};
    std::unique_ptr<LibraryStore> library = std::make_unique<LibraryStore>();

    enum class Seeks { asEngine, atOnce };

    explicit StoreRig(PlayerStore::Waits waits, Seeks seeks = Seeks::asEngine)
    {
        store.setWaits(waits);
        store.attach(library.get());
        if (seeks == Seeks::atOnce)
            engine->setCompletesSeeksAtOnce(true);
    }
    // Makes the item ready and lands the start seek: where the item starts.
    double readyAt()
    {
        const qsizetype seeks = engine->seeks().size();
        engine->makeReady(600);
        if (engine->seeks().size() > seeks)
            engine->completeSeek();
        return engine->currentTime();
    }
    // Plays `v` and brings it to `t` seconds, playing.
    void playAt(const Video &v, double t = 0)
    {
        store.play(v, std::nullopt, true);
        engine->makeReady(600);
        if (t > 0)
            engine->advance(t);
    }
};
