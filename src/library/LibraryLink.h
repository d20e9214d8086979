#pragma once
#include "LibraryStore.h"
#include "Store.h"

// follow() for the screen models that refresh on one library signal.
template<class Model, class Changed>
bool relinkLibrary(Model *model, QPointer<LibraryStore> &current, LibraryStore *library, Changed changed,
                   void (Model::*refresh)())
{
    if (!follow(model, current, library))
        return false;
    if (library)
        QObject::connect(library, changed, model, refresh);
    return true;
}
