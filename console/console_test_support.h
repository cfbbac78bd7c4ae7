// Shared pieces of the window tests: a message box recorder, a private port registry, and
// helpers to reach a dialog's Qt widgets and to act inside a modal loop.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "console/dialog/controls.h"
#include "console/dialog/wnd.h"
#include "console/message_box_recorder.h"
#include "console/text_file_test_support.h"
#include "res/resource.h"
#include "serial/virtual_port.h"

// VELKARO_PORT_REGISTRY pointed at a fresh private folder for the life of the object, so
// the port list holds the virtual ports a test registers ahead of the machine's own.
class ScopedPortRegistry {
  public:
    ScopedPortRegistry() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velkaro-console-ports-XXXXXX").string();
        m_dir = mkdtemp(pattern.data());
        setenv("VELKARO_PORT_REGISTRY", m_dir.c_str(), 1);
    }
    ~ScopedPortRegistry() {
        m_ports.clear();
        unsetenv("VELKARO_PORT_REGISTRY");
        std::filesystem::remove_all(m_dir);
    }

    void Register(const std::string& deviceName, const std::string& portName) {
        m_ports.push_back(std::make_unique<VirtualPortRegistration>(deviceName, portName));
        ASSERT_TRUE(m_ports.back()->Registered());
    }

  private:
    std::string m_dir;
    std::vector<std::unique_ptr<VirtualPortRegistration>> m_ports;
};

// Every line of a list box, in order.
inline std::vector<std::string> ListBoxLines(const CListBox& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.GetCount(); ++i) {
        std::string line;
        list.GetText(i, line);
        lines.push_back(line);
    }
    return lines;
}

template <class Widget>
Widget* ControlWidget(const CWnd& dialog, int nID) {
    CWnd* control = dialog.GetDlgItem(nID);
    return control != nullptr ? qobject_cast<Widget*>(control->GetSafeHwnd()) : nullptr;
}

// Runs action once a modal window other than `outer` is on top, from inside its modal loop.
inline void WhenModalOpens(std::function<void(QWidget* modal)> action, QWidget* outer = nullptr) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action, outer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != outer && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        }
    });
    poll->start(5);
}
