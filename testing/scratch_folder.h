#pragma once
// A scratch folder: a fresh folder of its own under the system's temporary folder ($TMPDIR,
// else /tmp), removed with everything in it when the object goes, unless kept. Tests,
// benchmarks and tools put their copies, locks and traces there, never into the source
// tree, and two runs at once (two build folders, two engineers) never share one.
#include <cstddef>
#include <string>

namespace tester::test {

class ScratchFolder {
public:
  // `prefix` starts the folder's name, to tell whose a kept one is.
  explicit ScratchFolder(const std::string& prefix = "tester-scratch");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // false when the folder could not be made; Error() says why.
  bool Ok() const { return !path_.empty(); }
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const;
  // The subfolder `name`, made when missing; "" when it cannot be made.
  std::string Folder(const std::string& name) const;
  // Writes `bytes` to the file `name`; its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  // The bytes of the file `name`; "<missing>" when it cannot be read.
  std::string Read(const std::string& name) const;
  // Entries in the folder: temporary files left behind show up here.
  std::size_t EntryCount() const;
  // Leaves the folder and its contents in place (a benchmark's --keep).
  void Keep() { keep_ = true; }

private:
  std::string path_;
  std::string error_;
  bool keep_ = false;
};

}  // namespace tester::test
