#pragma once
class QThreadPool;

// The threads for the app's own long work: decoding pictures, opening and
// closing players, copying and clearing files. Qt's raster painter splits a
// large fill over Qt's global pool and waits for it on the GUI thread, so
// work queued there would hold up frames.
QThreadPool *backgroundPool();
