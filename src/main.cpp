#include "app/PexiloApp.h"

int main(int argc, char *argv[])
{
    return PexiloApp::main(argc, argv);
}
