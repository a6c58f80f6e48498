// gangwright: the multi-station controller.
#include "apps/gangwright_verbs.h"
#include "apps/help_only_main.h"

int main(int argc, char** argv) {
  // The engineers' verbs: gangwright results, gangwright serials.
  if (std::optional<int> exit = tester::RunGangwrightVerb(argc, argv)) return *exit;
  return HelpOnlyMain(argc, argv, "gangwright",
                      R"(Multi-station controller of the battery-pack tester:
starts one engine per station, starts runs on all stations, hands out serial
numbers, watches board temperatures and keeps the result log.

  gangwright results [--since T] [--station S] [--outcome O] [--format csv|json]
                     [--yield]   export the result log (results.db), newest first
  gangwright serials [--first N] [--last M] [--latest K]
                     the serial counter (serials.db): range, next, fates)");
}
