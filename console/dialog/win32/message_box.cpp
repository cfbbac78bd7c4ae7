#include "console/dialog/message_box.h"

#include "console/dialog/win32/wide.h"
#include "console/dialog/wnd.h"

namespace {

// Windows' own message box: modal to its owner's top-level window, which it disables while
// it is open.
class Win32MessageBoxPresenter : public IMessageBoxPresenter {
  public:
    int Present(const MessageBoxRequest& request) override {
        HWND owner = request.pOwner != nullptr ? request.pOwner->GetSafeHwnd() : nullptr;
        if (owner != nullptr) {
            owner = ::GetAncestor(owner, GA_ROOT);
        }
        return ::MessageBoxW(owner, Wide(request.text).c_str(), Wide(request.caption).c_str(),
                             request.nType);
    }
};

}  // namespace

IMessageBoxPresenter& DefaultMessageBoxPresenter() {
    static Win32MessageBoxPresenter presenter;
    return presenter;
}
