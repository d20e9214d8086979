#include "NimbeloraApp.h"
#include "LayerPlugins.h"

int main(int argc, char *argv[])
{
    return NimbeloraApp::main(argc, argv);
}
