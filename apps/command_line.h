#pragma once
// How every program of the tester reads its command line: Qt's parser, with -h/--help and
// -v/--version answered the same way by all four (help and version on stdout, exit 0; a
// command line that does not parse names what is wrong on stderr, exit 2). A program with
// verbs parses the verb's own options with a second parser of the same kind.
#include <QCommandLineParser>
#include <QStringList>
#include <optional>

namespace tester {

// The application's name and version for every parser and --version.
void SetProgramIdentity(const char* name, const char* version);

// A parser with `description` and the standard options. `verb` names the verb in the usage
// line ("ardentis run [options]"); empty for the program itself.
void PrepareParser(QCommandLineParser& parser, const QString& description,
                   const QString& verb = {});

// Parses `arguments` (the program's name first). nullopt when the program goes on;
// otherwise the exit status, after printing help, the version or what is wrong.
std::optional<int> ParseOrExit(QCommandLineParser& parser, const QStringList& arguments);

// The usage text of a parser, for a wrong verb or a missing argument.
int UsageError(const QCommandLineParser& parser, const QString& problem);

}  // namespace tester
