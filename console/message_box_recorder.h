// A message box presenter for the window tests of both backends.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "console/dialog/message_box.h"
#include "res/resource.h"

// Answers every message box with OK at once and keeps what it was asked to show.
class MessageBoxRecorder : public IMessageBoxPresenter {
  public:
    MessageBoxRecorder() : m_pPrevious(SetMessageBoxPresenter(this)) {}
    ~MessageBoxRecorder() override { SetMessageBoxPresenter(m_pPrevious); }

    int Present(const MessageBoxRequest& request) override {
        requests.push_back(request);
        if (onPresent) {
            onPresent(request);
        }
        return IDOK;
    }

    // The texts of the boxes asked for, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const MessageBoxRequest& request : requests) {
            texts.push_back(request.text);
        }
        return texts;
    }

    std::vector<MessageBoxRequest> requests;
    std::function<void(const MessageBoxRequest&)> onPresent;

  private:
    IMessageBoxPresenter* m_pPrevious;
};
