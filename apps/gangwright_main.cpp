// gangwright: the multi-station controller.
#include "apps/help_only_main.h"

int main(int argc, char** argv) {
  return HelpOnlyMain(argc, argv, "gangwright",
                      R"(Multi-station controller of the battery-pack tester:
starts one engine per station, starts runs on all stations, hands out serial
numbers, watches board temperatures and keeps the result log.)");
}
