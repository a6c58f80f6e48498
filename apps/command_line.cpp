#include "apps/command_line.h"

#include <QCoreApplication>
#include <iostream>

namespace tester {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

}  // namespace

void SetProgramIdentity(const char* name, const char* version) {
  QCoreApplication::setApplicationName(name);
  QCoreApplication::setApplicationVersion(version);
}

void PrepareParser(QCommandLineParser& parser, const QString& description, const QString& verb) {
  parser.setApplicationDescription(description);
  parser.addHelpOption();
  parser.addVersionOption();
  if (verb.isEmpty()) {
    // A verb's options are the verb's: everything after it goes to the verb's parser.
    parser.setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
  } else {
    // The verb itself stands first (arguments are handed on with it), so the usage line
    // reads "<program> [options] <verb>".
    parser.addPositionalArgument(verb, QString(), verb);
  }
}

std::optional<int> ParseOrExit(QCommandLineParser& parser, const QStringList& arguments) {
  if (!parser.parse(arguments)) return UsageError(parser, parser.errorText());
  if (parser.isSet("help")) {
    std::cout << parser.helpText().toStdString();
    return kExitOk;
  }
  if (parser.isSet("version")) {
    std::cout << QCoreApplication::applicationName().toStdString() << " "
              << QCoreApplication::applicationVersion().toStdString() << "\n";
    return kExitOk;
  }
  return std::nullopt;
}

int UsageError(const QCommandLineParser& parser, const QString& problem) {
  std::cerr << QCoreApplication::applicationName().toStdString() << ": "
            << problem.toStdString() << "\n\n"
            << parser.helpText().toStdString();
  return kExitUsage;
}

}  // namespace tester
