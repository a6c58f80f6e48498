#include "engine/ui/standalone_program.h"

#include <utility>

#include "components/tester_config_store.h"
#include "components/ui/global_config_editor.h"
#include "engine/station_setup.h"

namespace tester {

StandaloneProgram::StandaloneProgram(StandaloneProgramParts parts) : parts_(std::move(parts)) {
  if (!parts_.make_config) {
    parts_.make_config = [] { return std::make_unique<TesterConfigStore>(); };
  }
  if (!parts_.make_global_config) {
    parts_.make_global_config = [](QWidget* parent) {
      auto* editor = new GlobalConfigEditor(parent);
      return GlobalConfigPanel{editor, editor};
    };
  }
  own_ini_ = DefaultStationIni(parts_.program_folder, parts_.exe_name);
  std::unique_ptr<TesterLogView> view;
  if (parts_.results != nullptr) {
    view = std::make_unique<TesterLogView>(*parts_.results);
    log_view_ = view.get();
    parts_.log = log_view_;
  }
  serial_ = std::make_unique<StandaloneSerial>(parts_.counter, own_ini_, true);
  logic_ = std::make_unique<StandaloneWindow>(StandaloneWindowParts{
      parts_.dialogs, parts_.password, *parts_.log, *serial_, own_ini_, parts_.make_config,
      [this](int mode) { OpenConfig(mode); },
      [this](bool use) { site_->StationContext().board.CalBoardSetUse(use ? 1 : 0); },
      parts_.unlock});
  state_ = std::make_unique<StationState>(logic_.get());
  site_ = std::make_unique<SingleSite>(SingleSiteParts{
      parts_.pump, parts_.dialogs, parts_.control, parts_.linkpod, *state_,
      parts_.program_folder, parts_.exe_name, parts_.make_config});
  window_ = std::make_unique<station::frmMainS>(*logic_, parts_.control, view.release());
  parts_.password.SetListener(logic_.get());
}

StandaloneProgram::~StandaloneProgram() {
  parts_.password.SetListener(nullptr);
  if (window_->isVisible()) window_->close();
}

void StandaloneProgram::Start() {
  logic_->SetExposedClass(site_.get());
  logic_->StartByHand([this] { window_->show(); });
}

std::unique_ptr<frmTesterCfg> StandaloneProgram::MakeConfigWindow() {
  return std::make_unique<frmTesterCfg>(
      TesterCfgParts{parts_.dialogs, parts_.make_config, own_ini_,
                     site_->StationContext().settings.ShowVBATInput,
                     parts_.make_global_config},
      window_.get());
}

void StandaloneProgram::OpenConfig(int mode) {
  if (parts_.open_config) {
    parts_.open_config(mode);
    return;
  }
  MakeConfigWindow()->Configure(static_cast<int16_t>(mode));
}

}  // namespace tester
