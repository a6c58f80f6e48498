#include "dfreader/reader_form.h"

namespace tester {

void ReaderForm::SetCurrentTarget(std::string target) {
  current_target_ = std::move(target);
  Changed();
}

void ReaderForm::SetStatus(std::string text) {
  status_ = std::move(text);
  Changed();
}

void ReaderForm::SetTargetDescription(std::string text) {
  target_description_ = std::move(text);
  Changed();
}

void ReaderForm::SetImageFile(std::string text) {
  image_file_ = std::move(text);
  Changed();
}

void ReaderForm::EditImageFile(std::string text) {
  image_file_ = std::move(text);
  confirmed_file_.clear();
  Changed();
}

void ReaderForm::ConfirmImageFile(std::string path) {
  image_file_ = path;
  confirmed_file_ = std::move(path);
  Changed();
}

void ReaderForm::Changed() {
  if (observer_) observer_();
}

}  // namespace tester
