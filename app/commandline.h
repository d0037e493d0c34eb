// What the program accepts on its command line: nothing, or one picture
// file to load as the motif (how the file manager opens a picture with it),
// or --help / --version, answered on standard output.
#pragma once

#include <QString>
#include <QStringList>

namespace commandline {

struct Request {
    enum Kind { Start, StartWithFile, Usage, Help, Version } kind = Start;
    QString file;  // for StartWithFile, as given
};

// `args` without the program name, after the toolkit has taken its own
// options. "--" ends the options, so a file name may start with "-".
Request parse(const QStringList& args);

// The usage line for standard error, with its line end.
QString usage();

// The answers to --help and --version, each ending in a line end.
QString help();
QString version();

}  // namespace commandline
