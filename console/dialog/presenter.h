// The boxes and dialogs that ask the operator go through a presenter: the backend's, which
// shows the window system's own, unless a test installed one that answers at once.
#pragma once

#include <utility>

template <class Presenter>
class PresenterSlot {
  public:
    explicit constexpr PresenterSlot(Presenter& (*backendPresenter)())
        : m_backendPresenter(backendPresenter) {}

    // nullptr restores the backend's presenter. Returns the one installed before.
    Presenter* Install(Presenter* presenter) { return std::exchange(m_pInstalled, presenter); }
    Presenter& Current() const {
        return m_pInstalled != nullptr ? *m_pInstalled : m_backendPresenter();
    }

  private:
    Presenter& (*m_backendPresenter)();
    Presenter* m_pInstalled = nullptr;
};
