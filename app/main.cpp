// tabel: piecework and working-time accounting of the production shops.
// Usage: tabel [DATABASE SERVER]   (no server: the built-in connection)
//        tabel --help | --version
//        tabel --install-extension DATABASE SERVER [--yes]
#include "app/Application.h"
#include "app/Program.h"

#include <cstdio>

int main(int argc, char** argv) {
    // Answered before the toolkit starts: no display and no server are needed for them.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const QString answer = Program::commandLineAnswer(arguments); !answer.isEmpty()) {
        std::fputs(answer.toUtf8().constData(), stdout);
        return 0;
    }
    if (Program::isInstallExtension(arguments)) {
        QCoreApplication app(argc, argv);
        return Program::installExtension(arguments, stdin, stdout);
    }
    TabelApplication app(argc, argv);
    return runTabel(QCoreApplication::arguments());
}
