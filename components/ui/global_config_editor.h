#pragma once
// GlobalConfig1: the editor of a settings file's global switches, a panel for a host window
// (the setup wizard's last page, the tester configuration window's global mode). Its fields
// are made from the station file key table: one group box per editor group (device, test
// steps, calibration switches, limits, serial and manufacturer data, image and log, operator
// lock and reminder), a check box per flag, a spin box with the key's range per number, a
// line per text, each with the key's documentation as tooltip and the key's name as
// objectName. The logic is GlobalConfigModel (components/global_config_model.h).
//
// Use: place it in the host's layout (or at a position), then
//   std::string error = editor->LoadFrom(path);   // show a non-empty text in a message box
//   ... the operator edits ...
//   error = editor->SaveTo(path);                 // non-empty: nothing written, stay open
// SaveTo refuses a value the key does not accept, naming the field, and puts the focus on
// it; otherwise it writes the global keys atomically and keeps the file's comments, unknown
// keys, references and sensor offsets. Height/Top/Width/Left give the panel's geometry in
// the host, in device-independent pixels, for hosts that size themselves around it.
#include <QWidget>
#include <string>
#include <vector>

#include "common/global_config.h"
#include "components/global_config_model.h"

namespace tester {

class GlobalConfigEditor : public QWidget, public GlobalConfig {
  Q_OBJECT

public:
  explicit GlobalConfigEditor(QWidget* parent = nullptr);

  std::string LoadFrom(const std::string& path) override;
  std::string SaveTo(const std::string& path) override;

  int32_t Height() const override { return height(); }
  int32_t Top() const override { return y(); }
  int32_t Width() const override { return width(); }
  int32_t Left() const override { return x(); }

private:
  struct Field {
    const ConfigKey* key = nullptr;
    QWidget* input = nullptr;
  };

  QWidget* MakeGroup(const GlobalConfigGroup& group);
  QWidget* MakeInput(const GlobalConfigField& field);
  void ShowValues();
  std::string TextOf(const Field& field) const;

  GlobalConfigModel model_;
  std::vector<Field> fields_;
};

}  // namespace tester
