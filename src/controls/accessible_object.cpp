#include "controls/accessible_object.h"

#include <utility>

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

}  // namespace

// The control's own element answers from the facts and the behaviour; its
// children, and whatever the control adds nothing to, from the standard
// object. Once disconnected, every call fails.
class AccessibleProxy final : public IAccessible, public IOleWindow {
 public:
  AccessibleProxy(HWND window, ScopedComPtr<IAccessible> standard, const AccessibleFacts& facts,
                  AccessibleBehaviour* behaviour)
      : window_(window), standard_(std::move(standard)), facts_(facts), behaviour_(behaviour) {}

  void Disconnect() {
    behaviour_ = nullptr;
    standard_.Reset();
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
        IsEqualIID(id, kAccessibleInterfaceId)) {
      *object = static_cast<IAccessible*>(this);
    } else if (IsEqualIID(id, IID_IOleWindow)) {
      *object = static_cast<IOleWindow*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IOleWindow: screen readers find the window an object belongs to.
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->GetTypeInfoCount(count);
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->GetTypeInfo(index, locale, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->GetIDsOfNames(id, names, count, locale, ids);
  }
  STDMETHODIMP Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                      VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->Invoke(member, id, locale, flags, parameters, result, exception,
                             argument_error);
  }

  // IAccessible: what the control adds.
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    if (!IsSelf(child) || !facts_.names) return standard_->get_accName(child, name);
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    if (facts_.name.empty()) return S_FALSE;
    *name = SysAllocString(facts_.name.c_str());
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    if (!IsSelf(child) || facts_.role == 0) return standard_->get_accRole(child, role);
    if (role == nullptr) return E_POINTER;
    VariantInit(role);
    role->vt = VT_I4;
    role->lVal = facts_.role;
    return S_OK;
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    const HRESULT result = standard_->get_accState(child, state);
    if (SUCCEEDED(result) && IsSelf(child) && behaviour_ != nullptr && state->vt == VT_I4) {
      state->lVal |= behaviour_->AddedStates();
    }
    return result;
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    if (!IsSelf(child) || behaviour_ == nullptr) return standard_->get_accDefaultAction(child, action);
    if (action == nullptr) return E_POINTER;
    *action = SysAllocString(behaviour_->DefaultActionName());
    return *action != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    if (!IsSelf(child) || behaviour_ == nullptr) return standard_->accDoDefaultAction(child);
    behaviour_->DoDefaultAction();
    return S_OK;
  }

  // IAccessible: the standard object's answers.
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accParent(parent);
  }
  STDMETHODIMP get_accChildCount(LONG* count) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accChildCount(count);
  }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accChild(child, object);
  }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accValue(child, value);
  }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accDescription(child, description);
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accHelp(child, help);
  }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accHelpTopic(file, child, topic);
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  STDMETHODIMP get_accFocus(VARIANT* child) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accFocus(child);
  }
  STDMETHODIMP get_accSelection(VARIANT* children) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accSelection(children);
  }
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->accSelect(flags, child);
  }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                           VARIANT child) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->accLocation(left, top, width, height, child);
  }
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->accNavigate(direction, start, end);
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->accHitTest(x, y, child);
  }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
    if (!standard_) return CO_E_OBJNOTCONNECTED;
    return standard_->put_accValue(child, value);
  }

 private:
  ~AccessibleProxy() = default;

  LONG refs_ = 1;
  HWND window_;
  ScopedComPtr<IAccessible> standard_;
  AccessibleFacts facts_;
  AccessibleBehaviour* behaviour_;
};

AccessibleServer::AccessibleServer(AccessibleFacts facts, AccessibleBehaviour* behaviour)
    : facts_(std::move(facts)), behaviour_(behaviour) {}

AccessibleServer::~AccessibleServer() { Disconnect(); }

LRESULT AccessibleServer::Answer(HWND window, WPARAM flags, LPARAM object_id) {
  if (static_cast<DWORD>(object_id) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
  if (proxy_ == nullptr) {
    auto com = std::make_unique<ScopedCom>();
    if (FAILED(com->Result())) com.reset();  // already initialised differently: use that
    ScopedComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kAccessibleInterfaceId,
                                         standard.Out()))) {
      return 0;
    }
    com_ = std::move(com);
    proxy_ = new AccessibleProxy(window, std::move(standard), facts_, behaviour_);
  }
  const LRESULT answer = LresultFromObject(kAccessibleInterfaceId, flags,
                                           static_cast<IAccessible*>(proxy_));
  return answer > 0 ? answer : 0;
}

void AccessibleServer::Disconnect() {
  if (proxy_ != nullptr) {
    proxy_->Disconnect();
    std::exchange(proxy_, nullptr)->Release();
  }
  com_.reset();
}
