// The main window and the About box.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "bus/operator_console.h"
#include "console/dialog/controls.h"
#include "console/dialog/dialog.h"
#include "res/resource.h"
#include "worker/port_worker.h"

class CAboutDlg : public CDialogEx {
  public:
    CAboutDlg();
};

// Where the minimised window draws its icon: centred in the client area, in signed
// arithmetic with division toward zero, so a client narrower than the icon gives a negative x.
CPoint MinimisedIconOrigin(int cxClient, int cyClient, int cxIcon, int cyIcon);

class CVelkaroDlg : public CDialogEx, public IPortWorkerHost, public ControlParameters {
  public:
    explicit CVelkaroDlg(CWnd* pParent = nullptr);
    ~CVelkaroDlg() override;

    // What the port worker and the transactions call, from the worker thread: each operation
    // runs on the window's thread while the caller waits.
    ControlParameters& Parameters() override { return *this; }
    void AppendLog(const std::string& line) override;
    void SetStatusCell(int address, const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    std::string PortName() override;
    void SetOpenButtonCaption(const std::string& caption) override;
    // On the window's thread: carries out the worker's window operations until done() holds.
    // The operator's input waits meanwhile.
    void ServeUntil(const std::function<bool()>& done) override;

    CComboBox m_cbPort;
    CListCtrl m_lcNodes;
    CListBox m_lbLog;
    CButton m_btnOpen;
    CButton m_chkFeedback;
    CButton m_rdoLockedClosed;
    CButton m_btnGroupUnlock;
    std::string m_strMaxAddr = "fe";

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
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

    // The transactions see this once the window is closing: a running one ends at once.
    bool TransactionCancelled() override { return m_bClosing; }

    HICON m_hIcon;

  private:
    void AddAboutItemToSystemMenu();
    void InitNodeTable();
    void FillPortList();
    // Runs op on the window's thread while the calling thread waits; nothing once the window
    // is gone.
    void RunOnWindowThread(const std::function<void()>& op);
    void RequestGroupOperation(std::atomic<uint32_t>& flag);
    void RequestSingleNodeOperation(std::atomic<uint32_t>& flag);
    // Hands an operation to the port worker, or tells the operator that no port is open.
    void RequestIfPortOpen(std::atomic<uint32_t>& flag);
    // Ends a running transaction and the worker, and closes the port, before the window goes.
    void ShutDownPortWorker();

    std::atomic<bool> m_bClosing{false};
};
