// zentar-converter: the converter window.
#include "app/ConverterApp.h"

int main(int argc, char** argv) {
    zentar::ConverterApp app(argc, argv);
    return app.Run();
}
