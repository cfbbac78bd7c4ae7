#include "console/dialog/file_dialog.h"

#include <vector>

#include "console/dialog/win32/wide.h"
#include "console/dialog/wnd.h"

// After windows.h, which wide.h brings.
#include <commdlg.h>

namespace {

class Win32FileDialogPresenter : public IFileDialogPresenter {
  public:
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override {
        // "日志文件 (*.log)" NUL "*.log" NUL for each kind, then NUL
        std::vector<SaveFileType> types = {{request.filterName, request.extension}};
        types.insert(types.end(), request.moreTypes.begin(), request.moreTypes.end());
        std::wstring filter;
        for (const SaveFileType& type : types) {
            const std::wstring pattern = L"*." + Wide(type.extension);
            filter += Wide(type.filterName) + L" (" + pattern + L")";
            filter.push_back(L'\0');
            filter += pattern;
            filter.push_back(L'\0');
        }
        const std::wstring extension = Wide(request.extension);
        std::vector<wchar_t> path(MAX_PATH * 4, L'\0');
        const std::wstring defaultName = Wide(request.defaultName);
        defaultName.copy(path.data(), path.size() - 1);

        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        HWND owner = request.pOwner != nullptr ? request.pOwner->GetSafeHwnd() : nullptr;
        ofn.hwndOwner = owner != nullptr ? ::GetAncestor(owner, GA_ROOT) : nullptr;
        ofn.lpstrFilter = filter.c_str();
        ofn.lpstrFile = path.data();
        ofn.nMaxFile = static_cast<DWORD>(path.size());
        ofn.lpstrDefExt = extension.c_str();
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!::GetSaveFileNameW(&ofn)) {
            return std::nullopt;
        }
        return Narrow(path.data());
    }
};

}  // namespace

IFileDialogPresenter& DefaultFileDialogPresenter() {
    static Win32FileDialogPresenter presenter;
    return presenter;
}
