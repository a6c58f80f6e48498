// rigwright: the station setup wizard.
#include "apps/help_only_main.h"

int main(int argc, char** argv) {
  return HelpOnlyMain(argc, argv, "rigwright",
                      R"(Station setup wizard of the battery-pack tester:
finds the attached adapters, names the stations, identifies boards by their
lights, records which temperature probe tracks which station and writes the jig
files.)");
}
