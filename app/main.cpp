// tabel: piecework and working-time accounting of the production shops.
// Usage: tabel [DATABASE SERVER]   (no server: the built-in connection)
#include "app/Application.h"

int main(int argc, char** argv) {
    TabelApplication app(argc, argv);
    return runTabel(QCoreApplication::arguments());
}
