// The Qt acceptance dialog's driver: its widgets read and clicked with QTest, the command line
// run as a child process on a simulator of its own.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <chrono>

#include "console/acceptance_driver.h"
#include "console/console_test_support.h"
#include "console/testing/acceptance_cabinet.h"
#include "process/testing/child_process.h"

struct AcceptanceDriver::Watch {
    std::vector<int> shown;
    QMetaObject::Connection connection;
    ~Watch() { QObject::disconnect(connection); }
};

AcceptanceDriver::AcceptanceDriver(SimulatedBus bus) : m_main(bus) {
    PrepareTheMainWindow(m_main, bus);
}

AcceptanceDriver::~AcceptanceDriver() = default;

void AcceptanceDriver::PressCtrlT() {
    QTest::keyClick(m_main.Dlg().GetSafeHwnd(), Qt::Key_T, Qt::ControlModifier);
}

void AcceptanceDriver::OpenFromTheSystemMenu() {
    m_main.SystemCommand(IDM_ACCEPTANCE);
}

bool AcceptanceDriver::Visible() {
    return Dialog() != nullptr && Dialog()->GetSafeHwnd() != nullptr &&
           Dialog()->GetSafeHwnd()->isVisible();
}

std::string AcceptanceDriver::Title() {
    return Dialog()->GetSafeHwnd()->windowTitle().toStdString();
}

void AcceptanceDriver::Click(int id) {
    QTest::mouseClick(ControlWidget<QAbstractButton>(*Dialog(), id), Qt::LeftButton);
}

void AcceptanceDriver::SetField(int id, const std::string& text) {
    ControlWidget<QLineEdit>(*Dialog(), id)->setText(QString::fromStdString(text));
}

std::string AcceptanceDriver::Text(int id) {
    if (auto* edit = ControlWidget<QLineEdit>(*Dialog(), id)) {
        return edit->text().toStdString();
    }
    if (auto* label = ControlWidget<QLabel>(*Dialog(), id)) {
        return label->text().toStdString();
    }
    return ControlWidget<QAbstractButton>(*Dialog(), id)->text().toStdString();
}

bool AcceptanceDriver::Enabled(int id) {
    return ControlWidget<QWidget>(*Dialog(), id)->isEnabled();
}

bool AcceptanceDriver::Checked(int id) {
    return ControlWidget<QAbstractButton>(*Dialog(), id)->isChecked();
}

bool AcceptanceDriver::Focused(int id) {
    auto* control = ControlWidget<QWidget>(*Dialog(), id);
    return control->hasFocus() || Dialog()->GetSafeHwnd()->focusWidget() == control;
}

std::string AcceptanceDriver::SelectedText(int id) {
    return ControlWidget<QLineEdit>(*Dialog(), id)->selectedText().toStdString();
}

bool AcceptanceDriver::HasProgressBar(int id) {
    return ControlWidget<QProgressBar>(*Dialog(), id) != nullptr;
}

int AcceptanceDriver::Progress() {
    return ControlWidget<QProgressBar>(*Dialog(), IDC_PROGRESS_NODES)->value();
}

int AcceptanceDriver::ProgressMaximum() {
    return ControlWidget<QProgressBar>(*Dialog(), IDC_PROGRESS_NODES)->maximum();
}

void AcceptanceDriver::WatchProgress() {
    auto* bar = ControlWidget<QProgressBar>(*Dialog(), IDC_PROGRESS_NODES);
    m_watch = std::make_unique<Watch>();
    Watch* watch = m_watch.get();
    watch->connection = QObject::connect(bar, &QProgressBar::valueChanged, bar,
                                         [watch](int value) { watch->shown.push_back(value); });
}

std::vector<int> AcceptanceDriver::ProgressShown() const {
    return m_watch ? m_watch->shown : std::vector<int>{};
}

int AcceptanceDriver::Rows() {
    return Dialog()->m_lcResults.GetItemCount();
}

std::string AcceptanceDriver::Cell(int row, int column) {
    return Dialog()->m_lcResults.GetItemText(row, column);
}

VerdictLook AcceptanceDriver::Verdict() {
    auto* label = ControlWidget<QLabel>(*Dialog(), IDC_STATIC_VERDICT);
    const QColor color = label->palette().color(QPalette::WindowText);
    return {color.red(), color.green(), color.blue(), label->font().pointSize()};
}

// Its output comes through pipes here; `dir` is for a platform without them.
CommandLineRun AcceptanceDriver::RunCommandLine(const std::vector<std::string>& arguments,
                                                const std::filesystem::path& /*dir*/) {
    CommandLineRun run;
    NodeSimConfig cabinet = AcceptanceCabinet();
    cabinet.registerPort = false;
    auto bus = NodeSim::Start(cabinet);
    if (!bus) {
        return run;
    }
    run.port = bus->PortPath();
    std::vector<std::string> args = {"--port", run.port};
    args.insert(args.end(), arguments.begin(), arguments.end());
    ChildProcess cli(VELKARO_CLI_PATH, args);
    run.exitStatus = ExitCode(cli.AwaitEnd(std::chrono::seconds(60))).value_or(-1);
    run.output = cli.Stdout();
    run.errors = cli.Stderr();
    return run;
}
