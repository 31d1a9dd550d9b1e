#include "app/App.h"
#include "model/Launch.h"

int main(int argc, char** argv) {
    Launch::init(argc, argv);
    return App::run(argc, argv);
}
