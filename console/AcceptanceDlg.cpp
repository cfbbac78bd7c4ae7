#include "console/AcceptanceDlg.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "acceptance/report.h"
#include "acceptance/verdict.h"
#include "console/VelkaroDlg.h"
#include "console/dialog/data_exchange.h"
#include "console/dialog/file_dialog.h"
#include "console/dialog/win_app.h"
#include "record/output_file.h"
#include "res/resource.h"
#include "res/texts.h"
#include "serial/serial.h"

namespace {

using res::TextId;

constexpr char kNotShown[] = "--";
constexpr int kVerdictPointSize = 24;
constexpr COLORREF kPassColor = RGB(0, 128, 0);
constexpr COLORREF kFailColor = RGB(204, 0, 0);

struct ResultColumn {
    TextId heading;
    int width;
};
constexpr ResultColumn kResultColumns[] = {
    {TextId::ColumnAddressShort, 40},   {TextId::ColumnReply, 50},
    {TextId::ReportColumnBefore, 50},   {TextId::ReportColumnAfter, 50},
    {TextId::ColumnLockedAgain, 40},    {TextId::ReportColumnVerdict, 70},
    {TextId::ReportColumnReasons, 300},
};

// The addresses of the field, checked as the other fields are: a box, then the field with
// its text selected.
void DDV_AddressList(CDataExchange* pDX, const std::string& text) {
    if (!pDX->m_bSaveAndValidate || pDX->Failed() || ParseAddressList(text)) {
        return;
    }
    pDX->m_pDlgWnd->MessageBox(res::Text(TextId::PromptExpect), nullptr,
                               MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

std::string HexByte(int value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

std::string StateText(const std::optional<LockState>& state) {
    return state ? LockStateText(*state) : kNotShown;
}

std::string ScanRepliesText(const NodeResult& node) {
    if (node.scanReplies == 0) {
        return res::Text(TextId::RepliesNone);
    }
    if (node.scanReplies == 1) {
        return res::Text(TextId::RepliesOne);
    }
    return res::FormatText(TextId::RepliesMany, static_cast<int>(node.scanReplies));
}

std::string LockedAgainText(const std::optional<bool>& lockedAgain) {
    if (!lockedAgain) {
        return kNotShown;
    }
    return res::Text(*lockedAgain ? TextId::Yes : TextId::No);
}

std::string ReasonsText(const std::vector<Reason>& reasons) {
    std::string text;
    for (const Reason reason : reasons) {
        text += (text.empty() ? "" : "；") + std::string(ReasonWords(reason));
    }
    return text;
}

const char* EndWords(AcceptanceEnd end) {
    switch (end) {
        case AcceptanceEnd::Finished:
            return "";
        case AcceptanceEnd::Cancelled:
            return res::Text(TextId::RunStopped);
        case AcceptanceEnd::PortGone:
            return res::Text(TextId::RunPortGone);
        case AcceptanceEnd::WriteFailed:
            return res::Text(TextId::RunWriteFailed);
    }
    return "";
}

// Runs show() on the window's thread, in order with the worker's log lines, if the dialog whose
// token `alive` is still lives then.
void PostWhileAlive(CVelkaroDlg& main, std::weak_ptr<const bool> alive,
                    std::function<void()> show) {
    main.PostToWindow([alive = std::move(alive), show = std::move(show)] {
        if (!alive.expired()) {
            show();
        }
    });
}

}  // namespace

std::vector<std::string> ResultRowTexts(const NodeResult& node) {
    return {HexByte(node.address),
            ScanRepliesText(node),
            StateText(node.scanState),
            StateText(node.afterState),
            LockedAgainText(node.lockedAgain),
            VerdictWords(node.verdict),
            ReasonsText(node.reasons)};
}

std::string ResultSummaryText(const AcceptanceResult& result) {
    return EndWords(result.end) + SummaryWords(result.summary);
}

const MessageMapEntry CAcceptanceDlg::messageEntries[] = {
    MapCommand(IDC_BTN_START, &CAcceptanceDlg::OnBnClickedStart),
    MapCommand(IDC_BTN_STOP, &CAcceptanceDlg::OnBnClickedStop),
    MapCommand(IDC_BTN_SAVE_REPORT, &CAcceptanceDlg::OnBnClickedSaveReport),
};
const MessageMap CAcceptanceDlg::messageMap = {&CDialogEx::messageMap, messageEntries};

CAcceptanceDlg::CAcceptanceDlg(CVelkaroDlg& mainDlg)
    : CDialogEx(IDD_ACCEPTANCE, &mainDlg), m_mainDlg(mainDlg) {}

CAcceptanceDlg::~CAcceptanceDlg() {
    m_pListener.reset();
    StopRun();
}

void CAcceptanceDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BTN_START, m_btnStart);
    DDX_Control(pDX, IDC_BTN_STOP, m_btnStop);
    DDX_Control(pDX, IDC_BTN_SAVE_REPORT, m_btnSaveReport);
    DDX_Control(pDX, IDC_PROGRESS_NODES, m_pcNodes);
    DDX_Control(pDX, IDC_LIST_RESULTS, m_lcResults);
    DDX_Control(pDX, IDC_STATIC_VERDICT, m_stVerdict);
    DDX_Control(pDX, IDC_STATIC_SUMMARY, m_stSummary);
    DDX_Text(pDX, IDC_EDIT_EXPECT, m_strExpect);
    DDV_AddressList(pDX, m_strExpect);
    DDX_Text(pDX, IDC_EDIT_CABINET, m_strCabinet);
    DDX_Text(pDX, IDC_EDIT_OPERATOR, m_strOperator);
    DDX_Radio(pDX, IDC_RADIO_MODE_EACH, m_nMode);
    DDX_Text(pDX, IDC_EDIT_CLOSE_WAIT, m_nCloseWait);
    DDV_MinMaxInt(pDX, m_nCloseWait, 0, static_cast<int32_t>(kCloseWaitMaxS));
}

BOOL CAcceptanceDlg::OnInitDialog() {
    m_strExpect = "00-" + m_mainDlg.MaxAddressText();
    CDialogEx::OnInitDialog();
    m_stVerdict.SetEmphasis(kFailColor, kVerdictPointSize);
    InitResultList();
    ShowRunning(false);
    m_btnSaveReport.EnableWindow(FALSE);
    m_pListener = std::make_unique<WorkerProgressListener>(
        [this] { PostToWindow([this] { FinishIfEnded(); }); });
    return TRUE;
}

void CAcceptanceDlg::InitResultList() {
    m_lcResults.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_lcResults.ModifyStyle(0, LVS_SHOWSELALWAYS);
    int column = 0;
    for (const ResultColumn& heading : kResultColumns) {
        m_lcResults.InsertColumn(column++, res::Text(heading.heading), LVCFMT_LEFT, heading.width);
    }
}

void CAcceptanceDlg::ShowLanguage() {
    ShowTemplateTexts();
    int column = 0;
    for (const ResultColumn& heading : kResultColumns) {
        m_lcResults.SetColumnHeading(column++, res::Text(heading.heading));
    }
    ShowRowsAgain();
    if (Running()) {
        m_stSummary.SetWindowText(res::Text(TextId::RunGoingOn));
    } else if (m_result) {
        ShowVerdict();
    }
}

// Every cell written again, in the language now shown.
void CAcceptanceDlg::ShowRowsAgain() {
    for (std::vector<std::string>& row : m_shownRows) {
        std::fill(row.begin() + 1, row.end(), std::string());
    }
    ShowNodes(m_shownNodes);
}

void CAcceptanceDlg::PostToWindow(std::function<void()> show) {
    PostWhileAlive(m_mainDlg, m_pAlive, std::move(show));
}

void CAcceptanceDlg::OnCancel() {
    StopRun();
    ShowWindow(SW_HIDE);
}

void CAcceptanceDlg::StopRun() {
    if (m_pJob) {
        m_pJob->Cancel();
    }
}

std::optional<AcceptanceRequest> CAcceptanceDlg::RequestFromFields() {
    if (!UpdateData(TRUE) || !m_mainDlg.TakeGroupParameters()) {
        return std::nullopt;
    }
    AcceptanceRequest request;
    request.expected = *ParseAddressList(m_strExpect);
    const ControlParameters& main = m_mainDlg;
    request.settings = {main.m_byMaxAddr,
                        main.m_bFeedback,
                        main.m_nPolarity,
                        main.m_nMaxOnTime,
                        main.m_nInterval,
                        static_cast<uint32_t>(m_nCloseWait),
                        m_nMode == 1 ? AcceptanceMode::Group : AcceptanceMode::Each};
    request.cabinet = m_strCabinet;
    request.operatorName = m_strOperator;
    request.port = m_mainDlg.m_cbPort.GetWindowText();
    request.tool = AfxGetAppName();
    return request;
}

void CAcceptanceDlg::OnBnClickedStart() {
    if (Running()) {
        return;
    }
    const std::optional<AcceptanceRequest> request = RequestFromFields();
    if (!request) {
        return;
    }
    if (g_hComm == kInvalidSerialHandle) {
        MessageBox(res::Text(TextId::MsgPortNotOpen));
        return;
    }
    // The worker may still hold the job once this dialog is gone: it reaches the dialog only
    // through the main window's queue, and only while the dialog lives.
    auto job = std::make_shared<AcceptanceJob>(
        *request, [this, &main = m_mainDlg, alive = std::weak_ptr<const bool>(m_pAlive)](
                      const AcceptanceProgress& progress) {
            PostWhileAlive(main, alive, [this, progress] { ShowProgress(progress); });
        });
    if (!RequestAcceptanceRun(job)) {
        return;  // a run handed over earlier has not yet ended
    }
    m_request = *request;
    m_pJob = std::move(job);
    m_result.reset();
    m_lcResults.DeleteAllItems();
    m_shownRows.clear();
    m_shownNodes.clear();
    m_pcNodes.SetRange32(0, 1);
    m_pcNodes.SetPos(0);
    m_stVerdict.SetWindowText("");
    m_stSummary.SetWindowText(res::Text(TextId::RunGoingOn));
    ShowRunning(true);
}

void CAcceptanceDlg::OnBnClickedStop() {
    StopRun();
}

void CAcceptanceDlg::ShowRunning(bool running) {
    m_btnStart.EnableWindow(running ? FALSE : TRUE);
    m_btnStop.EnableWindow(running ? TRUE : FALSE);
    m_btnSaveReport.EnableWindow(!running && m_result ? TRUE : FALSE);
}

void CAcceptanceDlg::ShowProgress(const AcceptanceProgress& progress) {
    if (!m_pJob || GetSafeHwnd() == nullptr) {
        return;
    }
    m_pcNodes.SetRange32(0, static_cast<int>(std::max<std::size_t>(progress.total, 1)));
    m_pcNodes.SetPos(static_cast<int>(progress.done));
    ShowNodes(progress.nodes);
}

void CAcceptanceDlg::ShowNodes(const std::vector<NodeResult>& nodes) {
    m_shownNodes = nodes;
    if (m_shownRows.size() > nodes.size()) {
        m_lcResults.DeleteAllItems();
        m_shownRows.clear();
    }
    // Only what changed: a node's row changes once or twice in a run of 255.
    for (size_t row = 0; row < nodes.size(); ++row) {
        std::vector<std::string> texts = ResultRowTexts(nodes[row]);
        if (row == m_shownRows.size()) {
            m_lcResults.InsertItem(static_cast<int>(row), texts[0]);
            m_shownRows.emplace_back(texts.size());
            m_shownRows.back()[0] = texts[0];
        }
        for (size_t column = 1; column < texts.size(); ++column) {
            if (m_shownRows[row][column] != texts[column]) {
                m_lcResults.SetItemText(static_cast<int>(row), static_cast<int>(column),
                                        texts[column]);
            }
        }
        m_shownRows[row] = std::move(texts);
    }
}

void CAcceptanceDlg::FinishIfEnded() {
    if (!m_pJob || GetSafeHwnd() == nullptr) {
        return;
    }
    if (m_pJob->Done()) {
        ShowResult(m_pJob->Result());
    } else if (!PortWorkerRunning()) {
        // The port was closed before the run's turn came: it will never run.
        m_pJob->Cancel();
        ShowResult(AcceptanceNotRun(m_request, AcceptanceEnd::Cancelled));
    }
}

void CAcceptanceDlg::ShowResult(AcceptanceResult result) {
    m_result = std::move(result);
    m_pJob.reset();
    ShowNodes(m_result->nodes);
    ShowVerdict();
    ShowRunning(false);
}

void CAcceptanceDlg::ShowVerdict() {
    const bool passed = m_result->passed;
    m_stVerdict.SetEmphasis(passed ? kPassColor : kFailColor, kVerdictPointSize);
    m_stVerdict.SetWindowText(VerdictWords(passed ? Verdict::Pass : Verdict::Fail));
    m_stSummary.SetWindowText(ResultSummaryText(*m_result));
}

void CAcceptanceDlg::OnBnClickedSaveReport() {
    if (!m_result) {
        return;
    }
    const std::string offered =
        (m_strCabinet.empty() ? res::Text(TextId::ReportFileName) : m_strCabinet) + ".html";
    const std::optional<std::string> chosen = PresentSaveFileDialog(
        {this,
         offered,
         res::Text(TextId::FileKindHtml),
         "html",
         {{res::Text(TextId::FileKindCsv), "csv"}, {res::Text(TextId::FileKindJson), "json"}}});
    if (!chosen) {
        return;
    }
    // A name of another kind is taken for the page.
    const std::string path = ReportFormatFor(*chosen) ? *chosen : *chosen + ".html";
    std::ofstream file;
    std::string error;
    if (CreateOutputFile(file, path, error)) {
        file << AcceptanceReport(*m_result, *ReportFormatFor(path));
        file.close();
        if (file) {
            return;
        }
        error = FileErrorText();
    }
    MessageBox(res::FormatText(TextId::MsgReportSaveFailed, path.c_str(), error.c_str()));
}
