#include "app/win32/AccessibleNames.h"

#include <commctrl.h>
#include <oleacc.h>

#include <optional>

namespace kovrin::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x4b41;  // one subclass per control
// The interface's identity from its declaration: the import library's IID_IAccessible
// is not the interface's.

BSTR ToBstr(const std::string& utf8)
{
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    BSTR out = ::SysAllocStringLen(nullptr, UINT(n));
    if (out != nullptr && n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out, n);
    return out;
}

bool Self(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

VARIANT Long(long value)
{
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// The system's object for the control, with name, description and value of our own.
class NamedObject final : public IAccessible {
public:
    NamedObject(IAccessible* inner, HWND control, const AccessibleText& text, const AccessibleChildren& children)
        : inner_(inner), control_(control), text_(text), children_(children) {}
    ~NamedObject() { inner_->Release(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(::InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    // IDispatch: not offered, as for most controls.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible: ours
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override
    {
        if (children_ && !Self(child)) {
            const std::optional<AccessibleChild> part = Part(child);
            if (!part)
                return E_INVALIDARG;
            *out = ToBstr(part->name);
            return S_OK;
        }
        if (!Self(child) || text_.name.empty())
            return inner_->get_accName(child, out);
        *out = ToBstr(text_.name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override
    {
        if (!Self(child) || text_.description.empty())
            return inner_->get_accDescription(child, out);
        *out = ToBstr(text_.description);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override
    {
        if (!Self(child) || text_.unit.empty())
            return inner_->get_accValue(child, out);
        std::string value;
        char buffer[64] = {};
        ::GetClassNameA(control_, buffer, sizeof buffer);
        if (::lstrcmpiA(buffer, "SCROLLBAR") == 0) {
            value = std::to_string(::GetScrollPos(control_, SB_CTL));
        } else {
            ::GetWindowTextA(control_, buffer, sizeof buffer);
            value = buffer;
        }
        *out = ToBstr(value + " " + text_.unit);
        return S_OK;
    }

    // IAccessible: the system's
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return inner_->get_accParent(p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override
    {
        if (!children_)
            return inner_->get_accChildCount(n);
        *n = long(children_().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override
    {
        if (!children_)
            return inner_->get_accChild(c, p);
        *p = nullptr;
        return Part(c) ? S_FALSE : E_INVALIDARG;  // simple children: no object of their own
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override
    {
        if (!children_ || Self(c))
            return inner_->get_accRole(c, r);
        const std::optional<AccessibleChild> part = Part(c);
        if (!part)
            return E_INVALIDARG;
        *r = Long(part->role);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override
    {
        if (!children_ || Self(c))
            return inner_->get_accState(c, s);
        if (!Part(c))
            return E_INVALIDARG;
        *s = Long(STATE_SYSTEM_READONLY);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return inner_->get_accHelp(c, h); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override
    {
        return inner_->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override
    {
        return inner_->get_accKeyboardShortcut(c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* f) override { return inner_->get_accFocus(f); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* s) override { return inner_->get_accSelection(s); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override
    {
        return inner_->get_accDefaultAction(c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override { return inner_->accSelect(f, c); }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override
    {
        if (!children_ || Self(c))
            return inner_->accLocation(x, y, w, h, c);
        const std::optional<AccessibleChild> part = Part(c);
        if (!part)
            return E_INVALIDARG;
        POINT at{part->area.left, part->area.top};
        ::ClientToScreen(control_, &at);
        *x = at.x;
        *y = at.y;
        *w = part->area.right - part->area.left;
        *h = part->area.bottom - part->area.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override { return inner_->accNavigate(d, s, e); }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override { return inner_->accHitTest(x, y, c); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return inner_->accDoDefaultAction(c); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return inner_->put_accValue(c, v); }

private:
    // Child `c` (1, 2, ...) as the control tells it now.
    std::optional<AccessibleChild> Part(const VARIANT& c) const
    {
        if (c.vt != VT_I4 || c.lVal < 1)
            return std::nullopt;
        std::vector<AccessibleChild> parts = children_();
        if (std::size_t(c.lVal) > parts.size())
            return std::nullopt;
        return parts[std::size_t(c.lVal) - 1];
    }

    LONG refs_ = 1;
    IAccessible* inner_;
    HWND control_;
    const AccessibleText& text_;
    const AccessibleChildren& children_;
};

// What a named control holds for its lifetime.
struct Held {
    AccessibleText text;
    AccessibleChildren children;
};

LRESULT CALLBACK NamedProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* held = reinterpret_cast<Held*>(data);
    switch (message) {
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == static_cast<LONG>(OBJID_CLIENT)) {
            IAccessible* inner = nullptr;
            if (SUCCEEDED(::CreateStdAccessibleObject(w, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&inner)))) {
                auto* named = new NamedObject(inner, w, held->text, held->children);
                const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam, named);
                named->Release();
                return result;
            }
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(w, &NamedProc, kSubclassId);
        delete held;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(w, message, wParam, lParam);
}

} // namespace

AccessibleText* NameControl(HWND control, AccessibleText text, AccessibleChildren children)
{
    auto* held = new Held{std::move(text), std::move(children)};
    ::SetWindowSubclass(control, &NamedProc, kSubclassId, reinterpret_cast<DWORD_PTR>(held));
    return &held->text;
}

} // namespace kovrin::win32
