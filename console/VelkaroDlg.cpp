#include "console/VelkaroDlg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bus/max_address.h"
#include "console/dialog/clipboard.h"
#include "console/dialog/data_exchange.h"
#include "console/dialog/file_dialog.h"
#include "console/dialog/menu.h"
#include "console/dialog/paint_dc.h"
#include "console/dialog/win_app.h"
#include "console/dialog/window_thread.h"
#include "record/bus_trace.h"
#include "res/texts.h"
#include "serial/serial.h"

namespace {

using res::TextId;

// An adapter raises several device events within a few milliseconds; the list is filled once
// they have settled.
constexpr std::chrono::milliseconds kPortListSettle{200};
constexpr int kNodeRows = 0xFF;  // 0x00 to 0xFE; the broadcast address has no row
constexpr int kNodeColumnWidth = 100;
// Lines of a save written per turn of the event loop: some 10 ms, so the window stays usable.
constexpr std::size_t kLogSaveLinesPerTurn = 20'000;

res::Language OtherLanguage() {
    return res::CurrentLanguage() == res::Language::Chinese ? res::Language::English
                                                            : res::Language::Chinese;
}

// The system menu offers the language not shown, by its own name.
const char* OtherLanguageName() {
    return res::Text(TextId::LanguageName, OtherLanguage());
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string HexByte(int value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}

CPoint MinimisedIconOrigin(int cxClient, int cyClient, int cxIcon, int cyIcon) {
    return {(cxClient - cxIcon + 1) / 2, (cyClient - cyIcon + 1) / 2};
}

const MessageMapEntry CVelkaroDlg::messageEntries[] = {
    MapSysCommand(&CVelkaroDlg::OnSysCommand),
    MapPaint(&CVelkaroDlg::OnPaint),
    MapDeviceChange(&CVelkaroDlg::OnDeviceChange),
    MapQueryDragIcon(&CVelkaroDlg::OnQueryDragIcon),
    MapCommand(IDC_BTN_GROUP_STATUS, &CVelkaroDlg::OnBnClickedGroupStatus),
    MapCommand(IDC_BTN_OPEN_PORT, &CVelkaroDlg::OnBnClickedOpenPort),
    MapCommand(IDC_CHECK_FEEDBACK, &CVelkaroDlg::OnBnClickedCheckFeedback),
    MapCommand(IDC_RADIO_LOCKED_CLOSED, &CVelkaroDlg::OnBnClickedRadioLockedClosed),
    MapCommand(IDC_RADIO_LOCKED_OPEN, &CVelkaroDlg::OnBnClickedRadioLockedOpen),
    MapCommand(IDC_BTN_GROUP_UNLOCK, &CVelkaroDlg::OnBnClickedGroupUnlock),
    MapCommand(IDC_BTN_SINGLE_STATUS, &CVelkaroDlg::OnBnClickedSingleStatus),
    MapCommand(IDC_BTN_SINGLE_UNLOCK, &CVelkaroDlg::OnBnClickedSingleUnlock),
    MapContextMenu(&CVelkaroDlg::OnContextMenu),
    MapCommand(IDM_LOG_COPY, &CVelkaroDlg::OnLogCopy),
    MapCommand(IDM_LOG_COPY_ALL, &CVelkaroDlg::OnLogCopyAll),
    MapCommand(IDM_LOG_SAVE, &CVelkaroDlg::OnLogSave),
    MapCommand(IDM_LOG_CLEAR, &CVelkaroDlg::OnLogClear),
    MapCommand(IDM_TRACE, &CVelkaroDlg::OnTrace),
};
const MessageMap CVelkaroDlg::messageMap = {&CDialogEx::messageMap, messageEntries};

CVelkaroDlg::CVelkaroDlg(CWnd* pParent)
    : CDialogEx(IDD_VELKARO_DIALOG, pParent), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME)) {
    Queue().SetWakeUp([this] { ScheduleRunPending(); });
}

CVelkaroDlg::~CVelkaroDlg() {
    FinishLogSave(false);
    ShutDownPortWorker();
    // The port is closed: every byte that passed it is in the trace. Nobody is left to be told
    // of a failed write.
    std::string ignored;
    StopBusTrace(ignored);
    m_pAcceptanceDlg.reset();
}

void CVelkaroDlg::ShutDownPortWorker() {
    if (!PortWorkerRunning()) {
        return;
    }
    m_bClosing = true;
    StopAcceptanceRun();
    // A worker still opening the port finishes that first; it then holds the port or is gone.
    ServeUntil([] { return g_hComm != kInvalidSerialHandle || !PortWorkerRunning(); });
    if (g_hComm != kInvalidSerialHandle) {
        StopPortWorker(*this);
    }
}

void CVelkaroDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COMBO_PORT, m_cbPort);
    DDX_Control(pDX, IDC_LIST_NODES, m_lcNodes);
    DDX_Control(pDX, IDC_LIST_LOG, m_lbLog);
    DDX_Control(pDX, IDC_BTN_OPEN_PORT, m_btnOpen);
    DDX_Control(pDX, IDC_CHECK_FEEDBACK, m_chkFeedback);
    DDX_Control(pDX, IDC_RADIO_LOCKED_CLOSED, m_rdoLockedClosed);
    DDX_Radio(pDX, IDC_RADIO_LOCKED_CLOSED, m_nPolarity);
    DDX_Check(pDX, IDC_CHECK_FEEDBACK, m_bFeedback);
    DDX_Text(pDX, IDC_EDIT_MAX_ON_TIME, m_nMaxOnTime);
    DDV_MinMaxInt(pDX, m_nMaxOnTime, kMaxOnTimeMin, kMaxOnTimeMax);
    DDX_Text(pDX, IDC_EDIT_INTERVAL, m_nInterval);
    DDV_MinMaxInt(pDX, m_nInterval, kIntervalMin, kIntervalMax);
    DDX_Control(pDX, IDC_BTN_GROUP_UNLOCK, m_btnGroupUnlock);
    DDX_Text(pDX, IDC_EDIT_MAX_ADDR, m_strMaxAddr);
}

BOOL CVelkaroDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    AddItemsToSystemMenu();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    InitNodeTable();
    FillPortList();
    AddCtrlShortcut('C', IDM_LOG_COPY, &m_lbLog);
    AddCtrlShortcut('S', IDM_LOG_SAVE);
    if (!m_strTracePath.empty()) {
        StartTrace(m_strTracePath);
    }
    return TRUE;
}

void CVelkaroDlg::AddItemsToSystemMenu() {
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu == nullptr) {
        return;
    }
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_LANGUAGE, OtherLanguageName());
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ACCEPTANCE, res::Text(TextId::MenuAcceptance));
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, res::Text(TextId::MenuAbout));
}

// The log's lines stay as they were written; the next one comes in the new language.
void CVelkaroDlg::SwitchLanguage() {
    const res::Language before = res::CurrentLanguage();
    res::SetLanguage(OtherLanguage());
    ShowTemplateTexts();
    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        pSysMenu->ModifyMenu(IDM_ACCEPTANCE, MF_BYCOMMAND | MF_STRING, IDM_ACCEPTANCE,
                             res::Text(TextId::MenuAcceptance));
        pSysMenu->ModifyMenu(IDM_LANGUAGE, MF_BYCOMMAND | MF_STRING, IDM_LANGUAGE,
                             OtherLanguageName());
        pSysMenu->ModifyMenu(IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX,
                             res::Text(TextId::MenuAbout));
    }
    m_btnOpen.SetWindowText(res::Text(g_hComm != kInvalidSerialHandle ? TextId::ClosePortButton
                                                                      : TextId::OpenPortButton));
    ShowNodeTableTexts(before);
    if (m_pAcceptanceDlg && m_pAcceptanceDlg->GetSafeHwnd() != nullptr) {
        m_pAcceptanceDlg->ShowLanguage();
    }
}

void CVelkaroDlg::OpenAcceptanceDialog() {
    if (!m_pAcceptanceDlg) {
        m_pAcceptanceDlg = std::make_unique<CAcceptanceDlg>(*this);
    }
    if (m_pAcceptanceDlg->GetSafeHwnd() == nullptr && !m_pAcceptanceDlg->Create(this)) {
        m_pAcceptanceDlg.reset();
        return;
    }
    m_pAcceptanceDlg->ShowWindow(SW_SHOW);
}

void CVelkaroDlg::StopAcceptanceRun() {
    if (m_pAcceptanceDlg) {
        m_pAcceptanceDlg->StopRun();
    }
}

std::string CVelkaroDlg::MaxAddressText() const {
    CWnd* field = GetDlgItem(IDC_EDIT_MAX_ADDR);
    return field != nullptr ? field->GetWindowText() : m_strMaxAddr;
}

void CVelkaroDlg::InitNodeTable() {
    m_lcNodes.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_TRACKSELECT);
    m_lcNodes.ModifyStyle(0, LVS_SHOWSELALWAYS);
    m_lcNodes.InsertColumn(0, res::Text(TextId::ColumnAddress), LVCFMT_LEFT, kNodeColumnWidth);
    m_lcNodes.InsertColumn(1, res::Text(TextId::ColumnStatus), LVCFMT_LEFT, kNodeColumnWidth);
    for (int address = 0; address < kNodeRows; ++address) {
        m_lcNodes.InsertItem(address, HexByte(address));
        m_lcNodes.SetItemText(address, 1, "--");
    }
}

// The headings, and the states the last transactions showed, in the language now shown.
void CVelkaroDlg::ShowNodeTableTexts(res::Language before) {
    m_lcNodes.SetColumnHeading(0, res::Text(TextId::ColumnAddress));
    m_lcNodes.SetColumnHeading(1, res::Text(TextId::ColumnStatus));
    for (int address = 0; address < kNodeRows; ++address) {
        const std::string shown = m_lcNodes.GetItemText(address, 1);
        for (const TextId state : {TextId::CellLocked, TextId::CellOpen}) {
            if (shown == res::Text(state, before)) {
                m_lcNodes.SetItemText(address, 1, res::Text(state));
            }
        }
    }
}

void CVelkaroDlg::FillPortList() {
    for (const std::string& name : SerialPortNames()) {
        m_cbPort.AddString(name);
    }
    m_cbPort.SetCurSel(0);
}

BOOL CVelkaroDlg::OnDeviceChange(UINT nEventType, DWORD_PTR /*dwData*/) {
    if (nEventType == DBT_DEVICEARRIVAL || nEventType == DBT_DEVICEREMOVECOMPLETE) {
        SchedulePortListRefill();
    }
    return TRUE;
}

void CVelkaroDlg::SchedulePortListRefill() {
    if (m_bPortListRefillDue) {
        return;  // one refill for the whole burst
    }
    m_bPortListRefillDue = true;
    PostToWindowThreadAfter(kPortListSettle, [this, alive = std::weak_ptr<const bool>(m_pAlive)] {
        if (!alive.expired() && GetSafeHwnd() != nullptr) {
            m_bPortListRefillDue = false;
            RefillPortList();
        }
    });
}

std::vector<std::string> CVelkaroDlg::ListedPortNames() const {
    std::vector<std::string> names(static_cast<size_t>(std::max(m_cbPort.GetCount(), 0)));
    for (size_t i = 0; i < names.size(); ++i) {
        m_cbPort.GetLBText(static_cast<int>(i), names[i]);
    }
    return names;
}

// The ports in their usual order. The selection stays on its port while that is listed; with
// none (nothing was selected, or the selected port went) a port that came is selected. The open
// port keeps its entry, at its place, until it is closed.
void CVelkaroDlg::RefillPortList() {
    const std::vector<std::string> listed = ListedPortNames();
    std::vector<std::string> ports = SerialPortNames();
    const bool portOpen = g_hComm != kInvalidSerialHandle;
    m_bGonePortKept = portOpen && !Contains(ports, m_strPortInUse);
    if (m_bGonePortKept) {
        const auto at = std::find(listed.begin(), listed.end(), m_strPortInUse) - listed.begin();
        ports.insert(ports.begin() + std::min<std::ptrdiff_t>(at, std::ssize(ports)),
                     m_strPortInUse);
    }
    if (ports == listed) {
        return;
    }
    const int selectedIndex = m_cbPort.GetCurSel();
    const std::string selected =
        selectedIndex >= 0 ? listed[static_cast<size_t>(selectedIndex)] : std::string();
    auto choice = std::find(ports.begin(), ports.end(), selected);
    if (selected.empty() || choice == ports.end()) {
        choice = std::find_if(ports.begin(), ports.end(),
                              [&](const std::string& name) { return !Contains(listed, name); });
    }
    m_cbPort.ResetContent();
    for (const std::string& name : ports) {
        m_cbPort.AddString(name);
    }
    m_cbPort.SetCurSel(choice == ports.end() ? -1 : static_cast<int>(choice - ports.begin()));
}

void CVelkaroDlg::ScheduleRunPending() {
    // A run still on its way when the window object goes finds it gone and does nothing.
    PostToWindowThread([this, alive = std::weak_ptr<const bool>(m_pAlive)] {
        if (!alive.expired()) {
            RunPending();
        }
    });
}

void CVelkaroDlg::ApplyLogLine(const LogLine& line) {
    if (m_lbLog.AddString(line.text) >= 0) {
        m_logTimes.push_back(line.time);
    }
    m_lbLog.SetCurSel(m_lbLog.GetCount() - 1);
}

void CVelkaroDlg::ApplyStatusCell(int address, const std::string& text) {
    m_lcNodes.SetItemText(address, 1, text);
}

void CVelkaroDlg::ApplyMessage(const std::string& text) {
    if (m_bClosing) {
        return;  // nobody is left to read it
    }
    MessageBox(text);
}

std::string CVelkaroDlg::ReadPortName() {
    m_strPortInUse = m_cbPort.GetWindowText();
    return m_strPortInUse;
}

void CVelkaroDlg::ApplyOpenButtonCaption(const std::string& caption) {
    m_btnOpen.SetWindowText(caption);
    // The worker shows the port closed: an entry kept only because the port was open goes.
    if (m_bGonePortKept && g_hComm == kInvalidSerialHandle) {
        SchedulePortListRefill();
    }
}

void CVelkaroDlg::ApplyTransactionRunning(bool running) {
    ShowBusyCursor(running ? TRUE : FALSE);
}

void CVelkaroDlg::ServeUntil(const std::function<bool()>& done) {
    // What the worker queued is shown at each look, so that all of it is there on return.
    ServeWindowsUntil([&] {
        const bool finished = done();
        RunPending();
        return finished;
    });
}

void CVelkaroDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    if ((nID & 0xFFF0) == IDM_ACCEPTANCE) {
        OpenAcceptanceDialog();
        return;
    }
    if ((nID & 0xFFF0) == IDM_LANGUAGE) {
        SwitchLanguage();
        return;
    }
    if ((nID & 0xFFF0) == SC_CLOSE) {
        // The window goes: a running transaction ends now rather than at its deadline, which
        // matters most when the close comes while the open button waits for the worker.
        m_bClosing = true;
    }
    CDialogEx::OnSysCommand(nID, lParam);
}

void CVelkaroDlg::OnPaint() {
    if (!IsIconic()) {
        CDialogEx::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const CPoint origin = MinimisedIconOrigin(rect.Width(), rect.Height(), cxIcon, cyIcon);
    dc.DrawIcon(origin.x, origin.y, m_hIcon);
}

HCURSOR CVelkaroDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CVelkaroDlg::OnBnClickedOpenPort() {
    if (g_hComm == kInvalidSerialHandle) {
        StartPortWorker(this);
    } else {
        // A running acceptance run ends at its next transaction, not after its last node.
        StopAcceptanceRun();
        StopPortWorker(*this);
    }
}

void CVelkaroDlg::OnBnClickedGroupStatus() {
    RequestGroupOperation(g_bReqGroupStatus);
}

void CVelkaroDlg::OnBnClickedGroupUnlock() {
    RequestGroupOperation(g_bReqGroupUnlock);
}

void CVelkaroDlg::OnBnClickedSingleStatus() {
    RequestSingleNodeOperation(g_bReqSingleStatus);
}

void CVelkaroDlg::OnBnClickedSingleUnlock() {
    RequestSingleNodeOperation(g_bReqSingleUnlock);
}

BOOL CVelkaroDlg::TakeGroupParameters() {
    const BOOL taken = UpdateData(TRUE);
    const MaxAddressScan scan = ScanMaxAddress(m_strMaxAddr);
    if (scan.clamped) {
        m_strMaxAddr = "fe";
        UpdateData(FALSE);
    }
    m_byMaxAddr = scan.address;
    return taken;
}

void CVelkaroDlg::RequestGroupOperation(std::atomic<uint32_t>& flag) {
    TakeGroupParameters();
    RequestIfPortOpen(flag);
}

void CVelkaroDlg::RequestSingleNodeOperation(std::atomic<uint32_t>& flag) {
    UpdateData(TRUE);
    POSITION pos = m_lcNodes.GetFirstSelectedItemPosition();
    if (!pos) {
        return;
    }
    m_bySelAddr = static_cast<uint8_t>(m_lcNodes.GetNextSelectedItem(pos));
    RequestIfPortOpen(flag);
}

void CVelkaroDlg::RequestIfPortOpen(std::atomic<uint32_t>& flag) {
    if (g_hComm == kInvalidSerialHandle) {
        MessageBox(res::Text(TextId::MsgPortNotOpen));
        return;
    }
    if (g_bReqAcceptance != 0) {
        return;  // the acceptance run has the bus until it ends
    }
    RaiseRequest(flag);
}

void CVelkaroDlg::OnBnClickedCheckFeedback() {
    UpdateData(TRUE);
    const BOOL enable = m_chkFeedback.GetCheck() != 0;
    for (int id : {IDC_RADIO_LOCKED_CLOSED, IDC_RADIO_LOCKED_OPEN}) {
        if (CWnd* radio = GetDlgItem(id)) {
            radio->EnableWindow(enable);
        }
    }
}

void CVelkaroDlg::OnBnClickedRadioLockedClosed() {
    UpdateData(TRUE);
}

void CVelkaroDlg::OnBnClickedRadioLockedOpen() {
    UpdateData(TRUE);
}

void CVelkaroDlg::FillLogMenu(CMenu& menu) const {
    menu.AppendMenu(MF_STRING, IDM_LOG_COPY, res::Text(TextId::MenuCopy));
    menu.AppendMenu(MF_STRING, IDM_LOG_COPY_ALL, res::Text(TextId::MenuCopyAll));
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, IDM_LOG_SAVE, res::Text(TextId::MenuSaveLog));
    menu.AppendMenu(MF_STRING, IDM_LOG_CLEAR, res::Text(TextId::MenuClearLog));
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, IDM_TRACE,
                    res::Text(BusTraceRunning() ? TextId::MenuTraceStop : TextId::MenuTraceStart));
}

LogLine CVelkaroDlg::LogLineAt(std::size_t index) const {
    LogLine line{m_logTimes[index], {}};
    m_lbLog.GetText(static_cast<int>(index), line.text);
    return line;
}

void CVelkaroDlg::OnContextMenu(CWnd* pWnd, CPoint point) {
    if (pWnd != &m_lbLog) {
        CDialogEx::OnContextMenu(pWnd, point);
        return;
    }
    if (point == CPoint{-1, -1}) {  // from the keyboard: at the list's corner
        point = {};
        m_lbLog.ClientToScreen(&point);
    }
    CMenu menu(this, MenuKind::Popup);
    FillLogMenu(menu);
    menu.TrackPopupMenu(point);
}

void CVelkaroDlg::OnLogCopy() {
    const int selected = m_lbLog.GetCurSel();
    if (selected >= 0) {
        SetClipboardText(this, LogLineAt(static_cast<std::size_t>(selected)).text);
    }
}

void CVelkaroDlg::OnLogCopyAll() {
    SetClipboardText(this,
                     LogText(m_logTimes.size(), [this](std::size_t i) { return LogLineAt(i); }));
}

// The lines shown when the operator chose the file go out a part at a time, so that the
// window, and the lines still coming, are served meanwhile.
void CVelkaroDlg::OnLogSave() {
    FinishLogSave(true);
    const auto path = PresentSaveFileDialog(
        {this, RecordFileName(WallClock::now(), "log"), res::Text(TextId::FileKindLog), "log"});
    if (!path) {
        return;
    }
    auto save = std::make_unique<PendingLogSave>();
    std::string error;
    if (!save->file.Create(*path, error)) {
        MessageBox(res::FormatText(TextId::MsgSaveLogFailed, error.c_str()), nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    save->count = m_logTimes.size();
    m_pLogSave = std::move(save);
    ContinueLogSave();
}

void CVelkaroDlg::ContinueLogSave() {
    PendingLogSave& save = *m_pLogSave;
    const std::size_t to = std::min(save.next + kLogSaveLinesPerTurn, save.count);
    save.file.Write(save.next, to, [this](std::size_t i) { return LogLineAt(i); });
    save.next = to;
    if (save.next < save.count) {
        PostToWindowThread([this, alive = std::weak_ptr<const bool>(m_pAlive)] {
            if (!alive.expired() && m_pLogSave) {
                ContinueLogSave();
            }
        });
        return;
    }
    FinishLogSave(true);
}

void CVelkaroDlg::FinishLogSave(bool tell) {
    if (!m_pLogSave) {
        return;
    }
    const std::unique_ptr<PendingLogSave> save = std::move(m_pLogSave);
    save->file.Write(save->next, save->count, [this](std::size_t i) { return LogLineAt(i); });
    std::string error;
    if (!save->file.Finish(error) && tell) {
        MessageBox(res::FormatText(TextId::MsgSaveLogFailed, error.c_str()), nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
    }
}

void CVelkaroDlg::OnLogClear() {
    FinishLogSave(true);
    m_lbLog.ResetContent();
    m_logTimes.clear();
}

void CVelkaroDlg::OnTrace() {
    if (BusTraceRunning()) {
        StopTrace();
        return;
    }
    if (const auto path = PresentSaveFileDialog({this, RecordFileName(WallClock::now(), "pcapng"),
                                                 res::Text(TextId::FileKindTrace), "pcapng"})) {
        StartTrace(*path);
    }
}

// Named after the port the list shows now, which is the port opened next.
void CVelkaroDlg::StartTrace(const std::string& path) {
    std::string error;
    if (!StartBusTrace(path, AfxGetAppName(), m_cbPort.GetWindowText(), error)) {
        MessageBox(res::FormatText(TextId::MsgTraceCreateFailed, error.c_str()), nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
    }
}

void CVelkaroDlg::StopTrace() {
    std::string error;
    if (!StopBusTrace(error)) {
        MessageBox(res::FormatText(TextId::MsgTraceWriteFailed, error.c_str()), nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
    }
}
