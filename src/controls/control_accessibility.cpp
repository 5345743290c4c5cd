#include "controls/control_accessibility.h"

#include <commctrl.h>

#include <vector>

namespace {

// Spelled out: MinGW's static ids of oleacc are not all the real ones.
constexpr CLSID kAnnotationServiceClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAnnotationServiceInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kRoleProperty = {
    0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
// UI Automation's properties, as annotations of Active Accessibility.
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kHeadingLevelProperty = {
    0x29084272, 0xaaaf, 0x4a30, {0x87, 0x96, 0x3c, 0x12, 0xf6, 0x2b, 0x6b, 0xbb}};
constexpr LONG kPoliteLiveSetting = 1;
constexpr LONG kHeadingLevelNone = 80050;  // HeadingLevel1 is one more, and so on

// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers declare for Windows 8
// and later only.
constexpr DWORD kLiveRegionChanged = 0x8019;

constexpr UINT_PTR kDescriptionSubclassId = 0x5041;
const char kDescribedProperty[] = "Pellumara.Described";

// Windows 10 1709 (build 16299) is the first that knows live regions.
bool KnowsLiveRegions() {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  version.dwMajorVersion = 10;
  version.dwBuildNumber = 16299;
  DWORDLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_BUILDNUMBER, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_BUILDNUMBER, mask) != FALSE;
}

ScopedComPtr<IAccPropServices> AnnotationService() {
  ScopedComPtr<IAccPropServices> service;
  if (FAILED(CoCreateInstance(kAnnotationServiceClass, nullptr, CLSCTX_INPROC_SERVER,
                              kAnnotationServiceInterface, service.Out()))) {
    service.Reset();
  }
  return service;
}

HRESULT AnnotateNumber(IAccPropServices* service, HWND control, const GUID& property,
                       LONG number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = number;
  return service->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property,
                              value);
}

// The properties annotated, so that they are cleared again when the window
// goes; true when the name and role went through.
bool Annotate(HWND control, const ControlDescription& description,
              std::vector<GUID>& annotated) {
  ScopedCom com;
  ScopedComPtr<IAccPropServices> service = AnnotationService();
  if (!service) return false;
  bool facts_taken = true;
  const auto note = [&](HRESULT result, const GUID& property) {
    if (SUCCEEDED(result)) annotated.push_back(property);
    return SUCCEEDED(result);
  };
  const AccessibleFacts& facts = description.facts;
  if (facts.names) {
    facts_taken &= note(service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT),
                                                CHILDID_SELF, kNameProperty, facts.name.c_str()),
                        kNameProperty);
  }
  if (facts.role != 0) {
    facts_taken &= note(AnnotateNumber(service.Get(), control, kRoleProperty, facts.role),
                        kRoleProperty);
  }
  // A Windows without these properties refuses them; nothing stands in.
  if (description.polite_live) {
    note(AnnotateNumber(service.Get(), control, kLiveSettingProperty, kPoliteLiveSetting),
         kLiveSettingProperty);
  }
  if (description.heading_level > 0) {
    note(AnnotateNumber(service.Get(), control, kHeadingLevelProperty,
                        kHeadingLevelNone + description.heading_level),
         kHeadingLevelProperty);
  }
  return facts_taken;
}

void ClearAnnotations(HWND control, const std::vector<GUID>& annotated) {
  if (annotated.empty()) return;
  ScopedCom com;
  ScopedComPtr<IAccPropServices> service = AnnotationService();
  if (!service) return;
  service->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                          annotated.data(), static_cast<int>(annotated.size()));
}

// What a described control keeps while its window lives.
struct DescribedControl {
  explicit DescribedControl(const AccessibleFacts& facts) : server(facts) {}
  AccessibleServer server;
  std::vector<GUID> annotated;
  bool serves_object = false;
};

LRESULT CALLBACK DescribedControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR, DWORD_PTR data) {
  auto* described = reinterpret_cast<DescribedControl*>(data);
  if (message == WM_GETOBJECT && described->serves_object) {
    if (const LRESULT answer = described->server.Answer(window, wparam, lparam)) return answer;
  } else if (message == WM_NCDESTROY) {
    described->server.Disconnect();
    ClearAnnotations(window, described->annotated);
    RemoveWindowSubclass(window, DescribedControlProc, kDescriptionSubclassId);
    RemovePropA(window, kDescribedProperty);
    delete described;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

void DescribeControl(HWND control, const ControlDescription& description) {
  if (control == nullptr) return;
  if (GetPropA(control, kDescribedProperty) != nullptr) return;  // described once
  auto* described = new DescribedControl(description.facts);
  // Wine 8's annotation service answers every call with E_NOTIMPL; there,
  // as on any Windows that refuses, the control's own object names it.
  const bool has_facts = description.facts.names || description.facts.role != 0;
  described->serves_object = !Annotate(control, description, described->annotated) && has_facts;
  if (!SetWindowSubclass(control, DescribedControlProc, kDescriptionSubclassId,
                         reinterpret_cast<DWORD_PTR>(described))) {
    ClearAnnotations(control, described->annotated);
    delete described;
    return;
  }
  SetPropA(control, kDescribedProperty, described);
}

void AnnounceChange(HWND control) {
  if (control == nullptr || !IsWindowVisible(control)) return;
  NotifyWinEvent(KnowsLiveRegions() ? kLiveRegionChanged : EVENT_SYSTEM_ALERT, control,
                 OBJID_CLIENT, CHILDID_SELF);
}
