// The acceptance dialog: a cabinet's acceptance run from the window. A modeless dialog over
// the main window, so that the main window stays usable while the run goes on the port worker.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "acceptance/acceptance_run.h"
#include "console/dialog/controls.h"
#include "console/dialog/dialog.h"
#include "worker/port_worker.h"

class CVelkaroDlg;

class CAcceptanceDlg : public CDialogEx {
  public:
    explicit CAcceptanceDlg(CVelkaroDlg& mainDlg);
    ~CAcceptanceDlg() override;

    // From the request until the run's result is shown.
    bool Running() const { return m_pJob != nullptr; }
    // Ends a running run before its next transaction; its result is marked incomplete.
    void StopRun();
    // Shows the dialog again in the language of the moment: its texts, headings and rows.
    void ShowLanguage();
    // The last run's result, once shown.
    const std::optional<AcceptanceResult>& Result() const { return m_result; }

    std::string m_strExpect;
    std::string m_strCabinet;
    std::string m_strOperator;
    int32_t m_nMode = 0;  // 0: each node in turn, 1: all at once
    int32_t m_nCloseWait = 0;

    CButton m_btnStart;
    CButton m_btnStop;
    CButton m_btnSaveReport;
    CProgressCtrl m_pcNodes;
    CListCtrl m_lcResults;
    CStatic m_stVerdict;
    CStatic m_stSummary;

    const MessageMap* GetMessageMap() const override { return &messageMap; }
    static const MessageMapEntry messageEntries[];
    static const MessageMap messageMap;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter starts nothing and closes nothing.
    void OnOK() override {}
    // Closing the dialog stops its run and hides it; it keeps its result for the next opening.
    void OnCancel() override;

    void OnBnClickedStart();
    void OnBnClickedStop();
    void OnBnClickedSaveReport();

  private:
    void InitResultList();
    std::optional<AcceptanceRequest> RequestFromFields();
    void ShowProgress(const AcceptanceProgress& progress);
    void ShowNodes(const std::vector<NodeResult>& nodes);
    // Once the worker is done with the run: its result, or a run that never came to the bus.
    void FinishIfEnded();
    void ShowResult(AcceptanceResult result);
    void ShowVerdict();
    void ShowRowsAgain();
    void ShowRunning(bool running);
    // Has the window's thread run show() after what the worker has queued so far.
    void PostToWindow(std::function<void()> show);

    CVelkaroDlg& m_mainDlg;
    std::shared_ptr<AcceptanceJob> m_pJob;
    AcceptanceRequest m_request;
    std::optional<AcceptanceResult> m_result;
    // The texts the result list shows, row by row.
    std::vector<std::vector<std::string>> m_shownRows;
    // The nodes those rows show.
    std::vector<NodeResult> m_shownNodes;
    // Lives as long as this object: what is posted to the window looks at it.
    const std::shared_ptr<const bool> m_pAlive = std::make_shared<const bool>(true);
    std::unique_ptr<WorkerProgressListener> m_pListener;
};

// The texts of a result row: 地址, 应答, 开锁前, 开锁后, 复锁, 结论, 原因.
std::vector<std::string> ResultRowTexts(const NodeResult& node);
// The summary line under the list, incomplete runs marked as such.
std::string ResultSummaryText(const AcceptanceResult& result);
