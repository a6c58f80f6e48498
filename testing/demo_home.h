#pragma once
// The demo application folder, and scratch copies of it for whatever writes: a run moves
// the next serial number in its station file, a test changes Config.ini or the images.
#include <string>

#include "testing/scratch_folder.h"

namespace tester::test {

// demo/ of the source tree (Config.ini, Targets, station files, golden images). Read only.
std::string DemoFolder();

// A scratch application folder. Home() holds a copy of the files of `demo` (not its
// subfolders: the golden/ tool sources are no part of an application folder), Locks() is
// an empty folder for the virtual jig's adapter locks, and Root() is the scratch folder
// holding both, for what else a test keeps beside them (jig files, station files, traces).
class DemoHome {
public:
  explicit DemoHome(const std::string& demo = DemoFolder(),
                    const std::string& prefix = "tester-home");

  // false when the copy could not be made; Error() says why.
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  const std::string& Root() const { return root_.Path(); }
  std::string Home() const { return root_.File("home"); }
  std::string Locks() const { return root_.File("locks"); }
  // The file `name` of Home().
  std::string File(const std::string& name) const { return Home() + "/" + name; }
  // Writes `bytes` to the file `name` of Home(); its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  // The bytes of the file `name` of Home(); "<missing>" when it cannot be read.
  std::string Read(const std::string& name) const { return root_.Read("home/" + name); }
  // Appends `text` to the file `name` of Home(), on lines of its own.
  void Append(const std::string& name, const std::string& text) const;
  ScratchFolder& Scratch() { return root_; }

private:
  ScratchFolder root_;
  std::string error_;
};

}  // namespace tester::test
