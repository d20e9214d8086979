#include "AppDelegate.h"

namespace {
int g_mask = 2; // portrait
}

int AppDelegate::mask() { return g_mask; }

int AppDelegate::supportedInterfaceOrientations(const QWindow *) { return g_mask; }

void AppDelegate::setMask(int mask) { g_mask = mask; }
