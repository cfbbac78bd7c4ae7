// A save dialog presenter for the window tests of both backends.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/dialog/file_dialog.h"

// Answers every save dialog at once with `answer` (nothing: cancelled) and keeps what it was
// asked.
class FileDialogRecorder : public IFileDialogPresenter {
  public:
    FileDialogRecorder() : m_pPrevious(SetFileDialogPresenter(this)) {}
    ~FileDialogRecorder() override { SetFileDialogPresenter(m_pPrevious); }

    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override {
        requests.push_back(request);
        return answer;
    }

    std::optional<std::string> answer;
    std::vector<SaveFileRequest> requests;

  private:
    IFileDialogPresenter* m_pPrevious;
};
