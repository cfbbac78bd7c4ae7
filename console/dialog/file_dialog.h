// The save dialog goes through one presenter, as message boxes do. The default shows the
// window system's own dialog, modal to its owner; tests install their own, which answers at
// once and records what it was asked.
#pragma once

#include <optional>
#include <string>
#include <vector>

class CWnd;

// A kind of file the dialog offers, listed with its extension.
struct SaveFileType {
    std::string filterName;  // "CSV 表格"
    std::string extension;   // "csv", without the dot
};

struct SaveFileRequest {
    const CWnd* pOwner;
    std::string defaultName;  // offered in the current folder
    std::string filterName;   // "日志文件": the kind of file, listed with its extension
    std::string extension;    // "log", without the dot; added when the operator types none
    // Further kinds the operator may choose instead; the chosen kind's extension is the one
    // added then.
    std::vector<SaveFileType> moreTypes = {};
};

class IFileDialogPresenter {
  public:
    virtual ~IFileDialogPresenter() = default;
    // The chosen file's path (UTF-8), or nothing when the operator cancelled.
    virtual std::optional<std::string> AskSaveFile(const SaveFileRequest& request) = 0;
};

// The backend's presenter: the window system's save dialog.
IFileDialogPresenter& DefaultFileDialogPresenter();

// nullptr restores the default presenter. Returns the one installed before.
IFileDialogPresenter* SetFileDialogPresenter(IFileDialogPresenter* presenter);
std::optional<std::string> PresentSaveFileDialog(const SaveFileRequest& request);
