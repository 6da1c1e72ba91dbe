#pragma once
// Ending the program from anywhere: the login's close, the end of the journal, a build
// mismatch. Tests replace the ender to record the request instead of leaving their loop.
// Also the command line's own questions, answered before the toolkit starts.
#include <cstdio>
#include <functional>
#include <QString>
#include <QStringList>

namespace Program {
// Ends every running event loop now, and the main loop as soon as it runs.
void end();
void setEnder(std::function<void()> ender);

// arguments as the command line gives them (program name first). `tabel --help` and
// `tabel --version`, the option being the only argument, are answered with their text, which
// the caller prints before ending; for any other command line the answer is empty and the
// program starts. A lone first argument never chose anything (without a server the built-in
// connection is used), so no working command line changes its meaning; with a server the
// first argument is the database name, whatever it looks like.
QString commandLineAnswer(const QStringList& arguments);
QString usage();
// "tabel 1.0 (build: 20240222.53972)": the build stamp as the login window and the build
// record show it.
QString version();

// `tabel --install-extension DATABASE SERVER [--yes]`: says what it will create in the
// database, asks for confirmation on `in` (unless --yes), then installs or upgrades the
// optional extension in one transaction. Messages go to `out`. Returns the exit status.
// Needs a QCoreApplication. Nothing else ever creates anything in the database.
bool isInstallExtension(const QStringList& arguments);
int installExtension(const QStringList& arguments, std::FILE* in, std::FILE* out);
} // namespace Program
