#include "components/cli/password_cli.h"

#include <termios.h>
#include <unistd.h>

#include <optional>

#include "components/password_file.h"

namespace tester {
namespace {

constexpr int kExitSet = 0;
constexpr int kExitNotSaved = 1;
constexpr int kExitNoPassword = 2;

// Keeps the terminal from echoing what is typed while it lives.
class EchoOff {
public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

private:
  termios saved_{};
  bool active_ = false;
};

std::optional<std::string> ReadLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

int RunPasswordVerb(const std::string& program_folder, std::istream& in, bool terminal,
                    std::ostream& out, std::ostream& err) {
  std::optional<std::string> first;
  std::optional<std::string> second;
  {
    std::optional<EchoOff> quiet;
    if (terminal) quiet.emplace();
    if (terminal) err << "New password: " << std::flush;
    first = ReadLine(in);
    if (terminal) err << "\nRepeat the new password: " << std::flush;
    second = terminal ? ReadLine(in) : ReadLine(in).value_or(first.value_or(""));
    if (terminal) err << "\n";
  }
  if (!first || first->empty()) {
    err << "ardentis password: no password given (the first line of standard input)\n";
    return kExitNoPassword;
  }
  if (!second || *second != *first) {
    err << "ardentis password: the two passwords differ; the password is unchanged\n";
    return kExitNoPassword;
  }
  const std::string path = PasswordFilePath(program_folder);
  const std::string error = SavePassword(path, *first);
  if (!error.empty()) {
    err << "ardentis password: " << error << "\n";
    return kExitNotSaved;
  }
  out << "Password set in " << path << "\n";
  return kExitSet;
}

}  // namespace tester
