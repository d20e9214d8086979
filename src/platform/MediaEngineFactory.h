#pragma once

class MediaEngine;

// Makes the app's media engines; only here does the app meet mpv. Every
// engine plays on the output chosen in the output menu. The main player's
// engine is the one the audio session reads (its outputs, the one in use,
// its volume) and the one the menu's choice is given to; any other engine
// follows what the session then reports, and decodes with fewer threads.
class MediaEngineFactory
{
public:
    enum class Role { Main, Follower };
    static MediaEngine *create(Role role);
};
