#pragma once
// The members of the engine's automation object, in their interface order, as one
// Qt-free interface. The client (single_site_client.h) implements it across a process
// boundary; on the engine side the server binding (single_site_binding.h) serves any
// implementation of it, and SingleSiteForwarder adapts the engine's own object.
//
// Parameters the member writes back (by reference) are non-const references; the other
// by-reference parameters travel too but come back unchanged, so they are taken by value
// or const reference here.
#include <cstdint>
#include <optional>
#include <string>

namespace tester {

// The ProgID the controller creates engines by.
inline constexpr const char* kSingleSiteProgId = "PolytrakS.SingleSite";

class SingleSiteApi {
public:
  virtual ~SingleSiteApi() = default;

  virtual int32_t AttachLinkpod(std::string& sLinkpodID) = 0;
  virtual int32_t DetachLinkpod(const std::string& sLinkpodName) = 0;
  // true: run to the end; false or nullopt (a Null variant): start the run and return.
  virtual int32_t Execute(std::optional<bool> bWaitTillComplete) = 0;
  virtual void SetIniFile(const std::string& sIniFileToUse) = 0;
  virtual int32_t InitCacheFromSetup() = 0;
  // Why the last InitCacheFromSetup refused the station (its result kStatusSettingsRefused
  // or an image refusal), a line each; empty when it did not. Not a member of its own on
  // the wire: it travels as "message" in InitCacheFromSetup's result.
  virtual std::string SetupMessage() = 0;
  virtual std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4,
                                      float nT, float nIT, float nET, int32_t nI) = 0;
  virtual int32_t CBFlashLEDs(bool bFlash) = 0;
  virtual int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) = 0;
  virtual int32_t SetTemperatureForCalibration(int16_t nTempx10) = 0;
  virtual void Quit() = 0;
  virtual std::string VersionSS() = 0;                // read-only property
  virtual bool m_bCalEnabled() = 0;                   // property get
  virtual void set_m_bCalEnabled(bool value) = 0;     // property put
  virtual int32_t SetToMonowireMode(int16_t nMonowireMode) = 0;
};

// Serves an object with the same members (the engine's SingleSite) through the interface.
template <typename Site>
class SingleSiteForwarder final : public SingleSiteApi {
public:
  explicit SingleSiteForwarder(Site& site) : site_(site) {}

  int32_t AttachLinkpod(std::string& sLinkpodID) override {
    return site_.AttachLinkpod(sLinkpodID);
  }
  int32_t DetachLinkpod(const std::string& sLinkpodName) override {
    return site_.DetachLinkpod(sLinkpodName);
  }
  int32_t Execute(std::optional<bool> bWaitTillComplete) override {
    return site_.Execute(bWaitTillComplete);
  }
  void SetIniFile(const std::string& sIniFileToUse) override { site_.SetIniFile(sIniFileToUse); }
  int32_t InitCacheFromSetup() override { return site_.InitCacheFromSetup(); }
  std::string SetupMessage() override { return site_.SetupMessage(); }
  std::string UpdateVTIConfig(int32_t nV, int32_t nV2, int32_t nV3, int32_t nV4, float nT,
                              float nIT, float nET, int32_t nI) override {
    return site_.UpdateVTIConfig(nV, nV2, nV3, nV4, nT, nIT, nET, nI);
  }
  int32_t CBFlashLEDs(bool bFlash) override { return site_.CBFlashLEDs(bFlash); }
  int32_t CBReadTemperature(bool bInternal, int16_t& nTempx10) override {
    return site_.CBReadTemperature(bInternal, nTempx10);
  }
  int32_t SetTemperatureForCalibration(int16_t nTempx10) override {
    return site_.SetTemperatureForCalibration(nTempx10);
  }
  void Quit() override { site_.Quit(); }
  std::string VersionSS() override { return site_.VersionSS(); }
  bool m_bCalEnabled() override { return site_.m_bCalEnabled(); }
  void set_m_bCalEnabled(bool value) override { site_.set_m_bCalEnabled(value); }
  int32_t SetToMonowireMode(int16_t nMonowireMode) override {
    return site_.SetToMonowireMode(nMonowireMode);
  }

private:
  Site& site_;
};

}  // namespace tester
