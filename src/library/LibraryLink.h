#pragma once
#include "LibraryStore.h"

#include <QPointer>

// Points a screen model at another library store: the old store's news stop
// reaching it and the new store's `changed` refreshes it. False when the
// store is the one it already has.
template<class Model, class Changed>
bool relinkLibrary(Model *model, QPointer<LibraryStore> &current, LibraryStore *library, Changed changed,
                   void (Model::*refresh)())
{
    if (library == current)
        return false;
    if (current)
        QObject::disconnect(current, nullptr, model, nullptr);
    current = library;
    if (library)
        QObject::connect(library, changed, model, refresh);
    return true;
}
