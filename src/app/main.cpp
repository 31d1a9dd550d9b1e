#include "app/App.h"
#include "library/DeviceID.h"
#include "model/Launch.h"

#include <cstdio>

int main(int argc, char** argv) {
    Launch::init(argc, argv);
    // Every sync would fail on it; say so before anything starts.
    if (const auto problem = DeviceID::launchProblem()) {
        std::fprintf(stderr, "%s\n", problem->toUtf8().constData());
        return 2;
    }
    return App::run(argc, argv);
}
