#include "platform/automation/single_site_binding.h"

#include <QJsonObject>
#include <functional>

#include "platform/automation/rpc_params.h"

namespace tester {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A handler that reads its parameters with `call`; any parameter problem is the answer.
RpcEndpoint::MethodHandler Member(std::function<QJsonObject(RpcParams&)> call) {
  return [call = std::move(call)](const QJsonObject& params) {
    RpcParams reader(params);
    QJsonObject result = call(reader);
    return reader.ok() ? RpcResult::Value(result) : reader.Error();
  };
}

void BindLinkMembers(AutomationServer& server, SingleSiteMembers& site) {
  server.SetMethod("AttachLinkpod", Member([&site](RpcParams& p) -> QJsonObject {
    std::string id = p.String("sLinkpodID");
    if (!p.ok()) return {};
    const int32_t value = site.AttachLinkpod(id);
    return {{"value", value}, {"sLinkpodID", Text(id)}};
  }));
  server.SetMethod("DetachLinkpod", Member([&site](RpcParams& p) -> QJsonObject {
    const std::string name = p.String("sLinkpodName");
    if (!p.ok()) return {};
    return {{"value", site.DetachLinkpod(name)}, {"sLinkpodName", Text(name)}};
  }));
}

void BindRunMembers(AutomationServer& server, SingleSiteMembers& site) {
  server.SetMethod("Execute", Member([&site](RpcParams& p) -> QJsonObject {
    const std::optional<bool> wait = p.VariantBool("bWaitTillComplete");
    if (!p.ok()) return {};
    return {{"value", site.Execute(wait)}};
  }));
  server.SetMethod("SetIniFile", Member([&site](RpcParams& p) -> QJsonObject {
    const std::string file = p.String("sIniFileToUse");
    if (!p.ok()) return {};
    site.SetIniFile(file);
    return {{"value", QJsonValue()}, {"sIniFileToUse", Text(file)}};
  }));
  server.SetMethod("InitCacheFromSetup", Member([&site](RpcParams&) -> QJsonObject {
    QJsonObject result{{"value", site.InitCacheFromSetup()}};
    const std::string message = site.SetupMessage();
    if (!message.empty()) result.insert("message", Text(message));
    return result;
  }));
  server.SetMethod("SetToMonowireMode", Member([&site](RpcParams& p) -> QJsonObject {
    const int16_t mode = p.Int16("nMonowireMode");
    if (!p.ok()) return {};
    return {{"value", site.SetToMonowireMode(mode)}, {"nMonowireMode", mode}};
  }));
}

void BindReferenceMembers(AutomationServer& server, SingleSiteMembers& site) {
  server.SetMethod("UpdateVTIConfig", Member([&site](RpcParams& p) -> QJsonObject {
    const int32_t v = p.Int32("nV"), v2 = p.Int32("nV2"), v3 = p.Int32("nV3"),
                  v4 = p.Int32("nV4");
    const float t = p.Float("nT"), it = p.Float("nIT"), et = p.Float("nET");
    const int32_t i = p.Int32("nI");
    if (!p.ok()) return {};
    const std::string text = site.UpdateVTIConfig(v, v2, v3, v4, t, it, et, i);
    return {{"value", Text(text)}, {"nV", v},  {"nV2", v2}, {"nV3", v3}, {"nV4", v4},
            {"nT", t},             {"nIT", it}, {"nET", et}, {"nI", i}};
  }));
  server.SetMethod("CBFlashLEDs", Member([&site](RpcParams& p) -> QJsonObject {
    const bool flash = p.Bool("bFlash");
    if (!p.ok()) return {};
    return {{"value", site.CBFlashLEDs(flash)}, {"bFlash", flash}};
  }));
  server.SetMethod("CBReadTemperature", Member([&site](RpcParams& p) -> QJsonObject {
    const bool internal = p.Bool("bInternal");
    int16_t tenths = p.Int16("nTempx10");
    if (!p.ok()) return {};
    const int32_t value = site.CBReadTemperature(internal, tenths);
    return {{"value", value}, {"bInternal", internal}, {"nTempx10", tenths}};
  }));
  server.SetMethod("SetTemperatureForCalibration", Member([&site](RpcParams& p) -> QJsonObject {
    const int16_t tenths = p.Int16("nTempx10");
    if (!p.ok()) return {};
    return {{"value", site.SetTemperatureForCalibration(tenths)}, {"nTempx10", tenths}};
  }));
}

void BindObjectMembers(AutomationServer& server, SingleSiteMembers& site) {
  server.SetMethod("Quit", Member([&site, &server](RpcParams&) -> QJsonObject {
    site.Quit();
    server.Stop();
    return {{"value", QJsonValue()}};
  }));
  server.SetMethod("VersionSS", Member([&site](RpcParams&) -> QJsonObject {
    return {{"value", Text(site.VersionSS())}};
  }));
  server.SetMethod("get_m_bCalEnabled", Member([&site](RpcParams&) -> QJsonObject {
    return {{"value", site.m_bCalEnabled()}};
  }));
  server.SetMethod("put_m_bCalEnabled", Member([&site](RpcParams& p) -> QJsonObject {
    const bool value = p.Bool("m_bCalEnabled");
    if (!p.ok()) return {};
    site.set_m_bCalEnabled(value);
    return {{"value", QJsonValue()}, {"m_bCalEnabled", value}};
  }));
}

}  // namespace

void BindSingleSite(AutomationServer& server, SingleSiteMembers& site) {
  BindLinkMembers(server, site);
  BindRunMembers(server, site);
  BindReferenceMembers(server, site);
  BindObjectMembers(server, site);
}

}  // namespace tester
