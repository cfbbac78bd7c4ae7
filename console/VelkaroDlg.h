// The main window and the About box.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bus/operator_console.h"
#include "console/AcceptanceDlg.h"
#include "console/dialog/controls.h"
#include "console/dialog/dialog.h"
#include "record/log_file.h"
#include "res/resource.h"
#include "res/texts.h"
#include "worker/port_worker.h"

class CAboutDlg : public CDialogEx {
  public:
    CAboutDlg();
};

// Where the minimised window draws its icon: centred in the client area, in signed
// arithmetic with division toward zero, so a client narrower than the icon gives a negative x.
CPoint MinimisedIconOrigin(int cxClient, int cyClient, int cxIcon, int cyIcon);

class CVelkaroDlg : public CDialogEx, public PortWorkerHost, public ControlParameters {
  public:
    explicit CVelkaroDlg(CWnd* pParent = nullptr);
    ~CVelkaroDlg() override;

    // The port worker and the transactions call AppendLog, SetStatusCell, ShowMessage,
    // PortName and SetOpenButtonCaption from the worker thread; each runs on the window's
    // thread, in call order, and only the message box and the port name keep the caller
    // waiting.
    ControlParameters& Parameters() override { return *this; }
    // The group buttons' first steps: the control parameters from the controls, and the max
    // address scanned and stored. FALSE when a field failed its check.
    BOOL TakeGroupParameters();
    // The max address field's text as it stands.
    std::string MaxAddressText() const;
    // Runs show() on the window's thread after what the worker has queued so far.
    void PostToWindow(std::function<void()> show) { PostShown(std::move(show)); }
    // The acceptance dialog, once opened; nullptr before.
    CAcceptanceDlg* AcceptanceDialog() const { return m_pAcceptanceDlg.get(); }
    // On the window's thread: carries out the worker's window operations until done() holds.
    // The operator's input waits meanwhile; the close box still closes the window.
    void ServeUntil(const std::function<bool()>& done) override;

    CComboBox m_cbPort;
    CListCtrl m_lcNodes;
    CListBox m_lbLog;
    CButton m_btnOpen;
    CButton m_chkFeedback;
    CButton m_rdoLockedClosed;
    CButton m_btnGroupUnlock;
    std::string m_strMaxAddr = "fe";
    // The window's own --trace FILE: a bus trace that starts as the window opens.
    std::string m_strTracePath;

    // The log list's context menu: copy, copy all, save, clear, and start or stop the trace.
    void FillLogMenu(CMenu& menu) const;
    // Line i of the log with the time the worker produced it.
    LogLine LogLineAt(std::size_t index) const;
    // True while a save of the log is being written, a part per turn of the event loop.
    bool LogSaveRunning() const { return m_pLogSave != nullptr; }

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    // A serial port may have come or gone: the port list is filled again once events settle.
    BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    void OnBnClickedGroupStatus();
    void OnBnClickedOpenPort();
    void OnBnClickedCheckFeedback();
    void OnBnClickedRadioLockedClosed();
    void OnBnClickedRadioLockedOpen();
    void OnBnClickedGroupUnlock();
    void OnBnClickedSingleStatus();
    void OnBnClickedSingleUnlock();

    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnLogCopy();
    void OnLogCopyAll();
    void OnLogSave();
    void OnLogClear();
    void OnTrace();

    // The transactions see this once the window is closing: a running one ends at once.
    bool TransactionCancelled() override { return m_bClosing; }

    void ApplyLogLine(const LogLine& line) override;
    void ApplyStatusCell(int address, const std::string& text) override;
    void ApplyMessage(const std::string& text) override;
    std::string ReadPortName() override;
    void ApplyOpenButtonCaption(const std::string& caption) override;
    // An arrow with a busy sign over the window while a transaction runs; it stays usable.
    void ApplyTransactionRunning(bool running) override;
    // Operations still queued once the window is gone are dropped.
    bool CanShow() const override { return GetSafeHwnd() != nullptr; }

    HICON m_hIcon;

  private:
    void AddItemsToSystemMenu();
    // Shows the whole window, the acceptance dialog too, in the other language.
    void SwitchLanguage();
    void ShowNodeTableTexts(res::Language before);
    // Opens the acceptance dialog, or brings it to the front.
    void OpenAcceptanceDialog();
    void StopAcceptanceRun();
    void InitNodeTable();
    void FillPortList();
    void SchedulePortListRefill();
    void RefillPortList();
    std::vector<std::string> ListedPortNames() const;
    // Has the window's thread run what the worker queued, soon; callable from any thread.
    void ScheduleRunPending();
    void RequestGroupOperation(std::atomic<uint32_t>& flag);
    void RequestSingleNodeOperation(std::atomic<uint32_t>& flag);
    // Hands an operation to the port worker, or tells the operator that no port is open.
    void RequestIfPortOpen(std::atomic<uint32_t>& flag);
    // Ends a running transaction and the worker, and closes the port, before the window goes.
    void ShutDownPortWorker();
    void StartTrace(const std::string& path);
    void StopTrace();
    // Writes the next part of the running save and has the rest written later.
    void ContinueLogSave();
    // Writes what is left of the running save at once: before a clear, another save or the
    // window's end. A failure is told to the operator if `tell`.
    void FinishLogSave(bool tell);

    std::atomic<bool> m_bClosing{false};
    // The port the worker last opened (or tried to), and whether the list keeps it only
    // because it is still open.
    std::string m_strPortInUse;
    bool m_bGonePortKept = false;
    bool m_bPortListRefillDue = false;
    // The time of each line of the log list, in the list's order.
    std::vector<WallClock::time_point> m_logTimes;
    struct PendingLogSave {
        LogSave file;
        std::size_t next = 0;
        std::size_t count = 0;  // the lines shown when the save began
    };
    std::unique_ptr<PendingLogSave> m_pLogSave;
    std::unique_ptr<CAcceptanceDlg> m_pAcceptanceDlg;

    // Lives as long as this object: the scheduled runs look at it.
    const std::shared_ptr<const bool> m_pAlive = std::make_shared<const bool>(true);
};
