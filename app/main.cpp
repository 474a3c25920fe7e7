#include "app/Marrow.h"

int main(int argc, char* argv[]) {
    CMarrowApp::prepareEnvironment(argc, argv);
    CMarrowApp app(argc, argv);
    return app.run();
}
