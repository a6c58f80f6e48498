// The layering of the source tree: every #include "…" of our own headers is checked
// against one table of which folder may include which, and the core includes no Qt
// header. Each breach is reported as file:line with the rule it breaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace tester {
namespace {

namespace fs = std::filesystem;

// --- The table -----------------------------------------------------------------------------

// A library layer, bottom up: what it may include besides itself, and whether Qt.
struct Layer {
  std::string folder;
  std::vector<std::string> below;
  bool qt;
};

const std::vector<std::string> kUnderTheTop = {"common",     "platform",    "gauge",
                                               "calibration", "components", "engine"};

const std::vector<Layer>& Layers() {
  static const std::vector<Layer> layers = {
      // The contracts: messages, status codes, interfaces. Nothing of ours below them.
      {"common", {}, false},
      // What Linux lacks: profile files, clocks, dialogs, gauge-control backends.
      {"platform", {"common"}, false},
      // Their Qt implementations: the real-time pump and timers, modal dialogs.
      {"platform/qt", {"common", "platform"}, true},
      // The automation protocol between processes (Qt Core: pipes, JSON).
      {"platform/automation", {"common", "platform"}, true},
      // The virtual jig.
      {"sim", {"common", "platform"}, false},
      // Backend and clock chosen from the environment: the virtual jig or the Qt pump.
      {"platform/bus", {"common", "platform", "platform/qt", "sim"}, true},
      // Our outside components; Qt where they store (Qt Sql) or hash (image digests).
      {"components", {"common", "platform"}, true},
      // gauge/ below calibration/ below engine/.
      {"gauge", {"common", "platform"}, false},
      {"calibration", {"common", "platform", "gauge"}, false},
      {"engine", {"common", "platform", "gauge", "calibration", "components"}, false},
      // The controller, the setup wizard and the image reader: side by side, none
      // including another.
      {"controller", kUnderTheTop, false},
      {"setup", kUnderTheTop, false},
      {"dfreader", kUnderTheTop, false},
  };
  return layers;
}

// A layer's front ends: its windows (ui/) and console verbs (cli/). They may use Qt and
// the Qt side of platform/; nothing but the programs, their own tests and the front ends of
// the same kind on the layers above includes them.
const std::vector<std::string> kFrontEnds = {"ui", "cli"};
const std::vector<std::string> kFrontEndPlatform = {"platform/qt", "platform/automation",
                                                    "platform/bus"};
// On top: the programs (which include front ends), benchmarks and tools (which include
// testing/), and testing/ itself; nothing includes any of them but their own tests.
constexpr const char* kPrograms = "apps";
const std::vector<std::string> kTools = {"bench", "demo/golden"};
constexpr const char* kTesting = "testing";

// What every tests/ folder may include besides what its folder may: its folder, its own
// tests/ folder, testing/ and the virtual jig every test runs on. The tests of a front
// end may also include the tests/ of its layer (fixtures of the layer's logic).
constexpr const char* kJig = "sim";

// Tests of a folder that may include more than the folder itself, and why.
struct TestsExtra {
  std::string folder;
  std::vector<std::string> zones;
  bool qt;
  const char* why;
};
const std::vector<TestsExtra> kTestsExtras = {
    {"platform", {"platform/qt"}, true,
     "the tests of the Qt implementations (real-time pump, dialogs) sit with the clock and "
     "dialog tests"},
};

// Headers outside the Qt places that include Qt all the same, and why.
struct QtException {
  std::string file;
  const char* why;
};
const std::vector<QtException> kQtExceptions = {
    {"testing/qt_app.h", "the Qt application of the tests that run an event loop, and serving it; only Qt "
                         "test programs include it"},
};

// --- Pending: today's tree where it does not follow the table yet -------------------------
// Each entry goes once the change named in `fixed_by` has landed; the test below fails on an
// entry that is no longer needed, so the lists only shrink.

// Files that sit in another folder than the one they belong to: checked as if they were
// there already.
struct Relocation {
  std::string file;
  std::string belongs;
  const char* fixed_by;
};
const std::vector<Relocation> kRelocations = {};

// Includes that break the table today.
struct PendingInclude {
  std::string file;
  std::string include;
  const char* why;
  const char* fixed_by;
};
const std::vector<PendingInclude> kPendingIncludes = {};

// --- The rules -----------------------------------------------------------------------------

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::string Relocated(const std::string& path) {
  for (const Relocation& r : kRelocations) {
    if (r.file == path) return r.belongs;
  }
  return path;
}

const Layer* FindLayer(const std::string& folder) {
  for (const Layer& layer : Layers()) {
    if (layer.folder == folder) return &layer;
  }
  return nullptr;
}

// The layer a front-end folder belongs to ("engine" for "engine/ui"); "" when none.
std::string FrontEndOwner(const std::string& zone) {
  const std::size_t slash = zone.rfind('/');
  if (slash == std::string::npos || !Contains(kFrontEnds, zone.substr(slash + 1))) return "";
  const std::string owner = zone.substr(0, slash);
  return FindLayer(owner) != nullptr ? owner : "";
}

bool KnownZone(const std::string& zone) {
  return FindLayer(zone) != nullptr || !FrontEndOwner(zone).empty() || zone == kPrograms ||
         zone == kTesting || Contains(kTools, zone);
}

// Where a file is for the table: its zone (the deepest known folder holding it) and whether
// it is in that zone's tests/ folder.
struct Place {
  std::string zone;
  bool tests = false;
};

std::optional<Place> PlaceOf(const std::string& path) {
  Place place;
  std::string folder = fs::path(path).parent_path().string();
  const std::size_t tests = ("/" + path).find("/tests/");
  if (tests != std::string::npos) {
    place.tests = true;
    folder = tests == 0 ? "" : path.substr(0, tests - 1);
  }
  for (; !folder.empty(); folder = fs::path(folder).parent_path().string()) {
    if (KnownZone(folder)) {
      place.zone = folder;
      return place;
    }
  }
  return std::nullopt;
}

// The zones a (non-test) zone may include besides itself.
std::vector<std::string> AllowedFor(const std::string& zone) {
  if (const Layer* layer = FindLayer(zone)) return layer->below;
  const std::string owner = FrontEndOwner(zone);
  if (!owner.empty()) {
    const std::vector<std::string>& below = FindLayer(owner)->below;
    std::vector<std::string> allowed = below;
    allowed.push_back(owner);
    allowed.insert(allowed.end(), kFrontEndPlatform.begin(), kFrontEndPlatform.end());
    // A window may embed the windows of the layers below its own (the result log's view,
    // the global configuration editor, the target chooser, the configuration window).
    const std::string end = zone.substr(owner.size() + 1);
    for (const std::string& layer : below) allowed.push_back(layer + "/" + end);
    return allowed;
  }
  std::vector<std::string> layers;
  for (const Layer& layer : Layers()) layers.push_back(layer.folder);
  if (zone == kTesting) return layers;
  if (Contains(kTools, zone)) {
    layers.push_back(kTesting);
    return layers;
  }
  // The programs: every layer and every front end.
  for (const Layer& layer : Layers()) {
    for (const std::string& end : kFrontEnds) layers.push_back(layer.folder + "/" + end);
  }
  return layers;
}

bool QtAllowedIn(const std::string& zone) {
  if (const Layer* layer = FindLayer(zone)) return layer->qt;
  return zone == kPrograms || Contains(kTools, zone) || !FrontEndOwner(zone).empty();
}

std::string Joined(const std::vector<std::string>& zones) {
  std::string text;
  for (const std::string& zone : zones) text += (text.empty() ? "" : ", ") + zone + "/";
  return text;
}

// The rule `include` (a project path) breaks when `file` includes it; empty when none.
std::string BrokenTableRule(const std::string& file, const std::string& include) {
  const std::optional<Place> from = PlaceOf(Relocated(file));
  if (!from) return file + " is in no folder of the layering table";
  const std::optional<Place> to = PlaceOf(Relocated(include));
  if (!to) return include + " is in no folder of the layering table";
  const std::string& zone = from->zone;

  if (to->tests) {
    const bool own = from->tests && (to->zone == zone || to->zone == FrontEndOwner(zone));
    if (own) return "";
    return "a tests/ folder is included by its own tests only: support shared by several "
           "folders belongs in testing/";
  }
  if (to->zone == zone) return "";
  std::vector<std::string> allowed = AllowedFor(zone);
  if (from->tests) {
    allowed.insert(allowed.end(), {kTesting, kJig});
    for (const TestsExtra& extra : kTestsExtras) {
      if (extra.folder != zone) continue;
      allowed.insert(allowed.end(), extra.zones.begin(), extra.zones.end());
    }
  }
  if (Contains(allowed, to->zone)) return "";
  if (!FrontEndOwner(to->zone).empty()) {
    return to->zone + "/ is a front end: only the programs and its own tests include it";
  }
  if (to->zone == kTesting) return "only tests, benchmarks and tools include testing/";
  if (to->zone == kPrograms || Contains(kTools, to->zone)) {
    return to->zone + "/ is on top: only its own tests include it";
  }
  allowed.insert(allowed.begin(), zone);
  return (from->tests ? "the tests of " + zone + "/" : zone + "/") + " may include only " +
         Joined(allowed);
}

// The same, saying where a relocated header counts as being.
std::string BrokenRule(const std::string& file, const std::string& include) {
  const std::string rule = BrokenTableRule(file, include);
  if (rule.empty() || Relocated(include) == include) return rule;
  return rule + " (" + include + " counts as " + Relocated(include) + ")";
}

// The rule a Qt header in `file` breaks; empty when Qt is allowed there.
std::string BrokenQtRule(const std::string& file) {
  for (const QtException& exception : kQtExceptions) {
    if (exception.file == file) return "";
  }
  const std::optional<Place> place = PlaceOf(Relocated(file));
  if (!place) return file + " is in no folder of the layering table";
  if (QtAllowedIn(place->zone)) return "";
  if (place->tests) {
    for (const TestsExtra& extra : kTestsExtras) {
      if (extra.folder == place->zone && extra.qt) return "";
    }
  }
  return "no Qt in the core: " + place->zone + "/ builds and tests without Qt";
}

bool IsPending(const std::string& file, const std::string& include) {
  for (const PendingInclude& p : kPendingIncludes) {
    if (p.file == file && p.include == include) return true;
  }
  return false;
}

// --- The scan ------------------------------------------------------------------------------

struct Include {
  std::string file;  // relative to the source folder
  int line = 0;
  std::string target;
  bool qt = false;  // a Qt header (<Q…>); otherwise one of ours ("…/…")
};

// Our sources: every C++ file of the tree but the build folders and hidden folders.
std::vector<std::string> SourceFiles(const fs::path& root) {
  std::vector<std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && (name.front() == '.' || name.rfind("build", 0) == 0)) {
      it.disable_recursion_pending();
      continue;
    }
    const std::string ext = it->path().extension().string();
    if (it->is_regular_file() && (ext == ".h" || ext == ".cpp")) {
      files.push_back(fs::relative(it->path(), root).string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The includes of our headers (a path with a folder: same-folder names are generated files,
// moc and uic output) and of Qt headers.
std::vector<Include> IncludesOf(const fs::path& root, const std::string& file) {
  static const std::regex ours(R"re(^\s*#\s*include\s*"([^"]+/[^"]+)")re");
  static const std::regex qt(R"re(^\s*#\s*include\s*<(Q[A-Za-z0-9]+)(/[^>]*)?>)re");
  std::vector<Include> found;
  std::ifstream in(root / file);
  int number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    std::smatch match;
    if (std::regex_search(text, match, ours)) {
      found.push_back({file, number, match[1].str(), false});
    } else if (std::regex_search(text, match, qt)) {
      found.push_back({file, number, match[1].str(), true});
    }
  }
  return found;
}

std::vector<Include> TreeIncludes() {
  const fs::path root = TESTER_SOURCE_DIR;
  std::vector<Include> all;
  for (const std::string& file : SourceFiles(root)) {
    const std::vector<Include> found = IncludesOf(root, file);
    all.insert(all.end(), found.begin(), found.end());
  }
  return all;
}

std::string Breach(const Include& include) {
  if (include.qt) return BrokenQtRule(include.file);
  if (!fs::exists(fs::path(TESTER_SOURCE_DIR) / include.target)) {
    return include.target + " is not a file of the tree (includes are written from the "
                            "source folder)";
  }
  return BrokenRule(include.file, include.target);
}

// --- Tests ---------------------------------------------------------------------------------

TEST(Layering, EveryIncludeFollowsTheTable) {
  const std::vector<Include> includes = TreeIncludes();
  ASSERT_GT(includes.size(), 500u) << "the scan found too little of " << TESTER_SOURCE_DIR;
  std::string report;
  for (const Include& include : includes) {
    const std::string rule = Breach(include);
    if (rule.empty() || (!include.qt && IsPending(include.file, include.target))) continue;
    report += include.file + ":" + std::to_string(include.line) + ": includes " +
              (include.qt ? "<" + include.target + ">" : include.target) + ": " + rule + "\n";
  }
  EXPECT_EQ(report, "");
}

TEST(Layering, PendingEntriesAreStillNeeded) {
  const std::vector<Include> includes = TreeIncludes();
  for (const PendingInclude& pending : kPendingIncludes) {
    const bool still = std::any_of(includes.begin(), includes.end(), [&](const Include& i) {
      return !i.qt && i.file == pending.file && i.target == pending.include;
    });
    EXPECT_TRUE(still && !BrokenRule(pending.file, pending.include).empty())
        << pending.file << " -> " << pending.include << " is fine now (" << pending.fixed_by
        << "): remove it from the pending includes";
  }
  for (const Relocation& r : kRelocations) {
    EXPECT_TRUE(fs::exists(fs::path(TESTER_SOURCE_DIR) / r.file))
        << r.file << " has moved (" << r.fixed_by << "): remove it from the relocations";
  }
}

// The table's own rules against includes made up for the purpose: a check that passes
// everything would pass the tree too.
TEST(Layering, TheRulesTellBreachesFromAllowedIncludes) {
  struct Case {
    const char* file;
    const char* include;
    bool allowed;
  };
  const Case cases[] = {
      {"common/a.h", "platform/event_pump.h", false},          // contracts at the bottom
      {"platform/a.cpp", "platform/qt/qt_event_pump.h", false},  // the core sees no Qt side
      {"gauge/a.cpp", "calibration/cal_board.h", false},       // gauge below calibration
      {"calibration/a.cpp", "engine/station.h", false},        // calibration below engine
      {"engine/a.cpp", "sim/sim_control.h", false},            // the jig is for tests
      {"controller/a.cpp", "setup/b.h", false},                // side by side
      {"engine/a.cpp", "engine/cli/run_cli.h", false},         // nobody includes a front end
      {"engine/ui/a.cpp", "engine/cli/run_cli.h", false},      // nor another front end
      {"engine/a.cpp", "apps/ardentis_automation.h", false},
      {"gauge/a.cpp", "testing/jig_station.h", false},
      {"calibration/tests/a_test.cpp", "gauge/tests/b.h", false},  // no other tests/ folder
      {"engine/a.cpp", "calibration/cal_board.h", true},
      {"controller/a.cpp", "engine/single_site.h", true},
      {"engine/cli/a.cpp", "platform/qt/station_clock.h", true},
      {"engine/cli/tests/a_test.cpp", "engine/tests/station_run_fixture.h", true},
      {"apps/main.cpp", "engine/cli/run_cli.h", true},
      {"gauge/tests/a_test.cpp", "sim/sim_control.h", true},
      {"gauge/tests/a_test.cpp", "testing/gauge_bench.h", true},
      {"bench/a.cpp", "testing/demo_home.h", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BrokenRule(c.file, c.include).empty(), c.allowed)
        << c.file << " -> " << c.include << ": " << BrokenRule(c.file, c.include);
  }
  EXPECT_NE(BrokenQtRule("engine/a.cpp"), "");
  EXPECT_NE(BrokenQtRule("sim/tests/a_test.cpp"), "");
  EXPECT_EQ(BrokenQtRule("controller/ui/main_window.cpp"), "");
  EXPECT_EQ(BrokenQtRule("platform/automation/a.cpp"), "");
  EXPECT_EQ(BrokenQtRule("platform/tests/a_test.cpp"), "");
  EXPECT_NE(BrokenRule("docs/a.cpp", "common/messages.h"), "") << "a folder the table lacks";
}

}  // namespace
}  // namespace tester
