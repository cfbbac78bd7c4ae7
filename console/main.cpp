#include "console/Velkaro.h"

// The one application object.
CVelkaroApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
