#pragma once

class QWindow;

// The application delegate: it answers which interface orientations the
// windows accept. The answer is one process-wide mask (bit values:
// 2 portrait, 24 landscape, 26 all but upside down), portrait at launch and
// changed only through Orientation::set(). It is read and written on the GUI
// thread only.
class AppDelegate
{
public:
    AppDelegate() = default;

    static int mask();
    // The same mask for every window, the main one and any over it.
    static int supportedInterfaceOrientations(const QWindow *window);

private:
    friend class Orientation;
    static void setMask(int mask);
};
