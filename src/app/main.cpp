#include "ImageLoader.h"
#include "NimbeloraApp.h"
#include "LayerPlugins.h"

int main(int argc, char *argv[])
{
    ImageLoader::tuneAllocator();
    return NimbeloraApp::main(argc, argv);
}
