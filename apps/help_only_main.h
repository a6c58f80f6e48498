#pragma once
// main() of a program whose windows and verbs are not part of this build yet: it answers
// --help and --version as every program does and refuses everything else.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <iostream>

#include "apps/command_line.h"
#include "engine/version.h"

inline int HelpOnlyMain(int argc, char** argv, const char* name, const char* description) {
  QCoreApplication app(argc, argv);
  tester::SetProgramIdentity(name, tester::SoftwareVersion().c_str());
  QCommandLineParser parser;
  tester::PrepareParser(parser, description);
  if (std::optional<int> exit = tester::ParseOrExit(parser, app.arguments())) return *exit;
  std::cerr << parser.helpText().toStdString()
            << "\nThis build carries the gauge link, the station settings and the virtual jig;"
               "\nthis program's own work is not part of it yet. \"ardentis survey\" shows the"
               " jig.\n";
  return 2;
}
