#include "Launcher.h"
#include "world/Engine.h"

int main(int argc, char* argv[])
{
    if (Orva::Launcher::startUp(argc, argv) != 0) {
        return -1;
    }
    Orva::Engine::getInstance().run(Orva::Launcher::runFrame);
    return Orva::Launcher::shutDown();
}
