// flashwright: the data-flash image reader.
#include "apps/help_only_main.h"

int main(int argc, char** argv) {
  return HelpOnlyMain(argc, argv, "flashwright",
                      R"(Data-flash image reader of the battery-pack tester:
reads the data flash of a reference gauge through its ROM loader and stores it
as the golden image file the stations program into every gauge.)");
}
