// Log list at a million lines: the cost of one AppendLog as the log grows, the time the event
// loop takes to get to a posted event at that size, saving it, and the process's peak memory.
// Prints its figures; run offscreen (QT_QPA_PLATFORM=offscreen) or under an X server.
#include <sys/resource.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QScrollBar>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "console/Velkaro.h"
#include "console/VelkaroDlg.h"
#include "console/file_dialog_recorder.h"

CVelkaroApp theApp;

namespace {

// The lines of a group status poll with replies, long announcement lines included.
const std::vector<std::string> kPollLines = {
    "[群体获取状态]",
    "->串口发送:0xA5,0xff,0x00,0x00,0x00,0x00,0xa4",
    ":接收群体状态(根据地址依次发送，每个设备5ms时间窗口，最大等待时间(最大地址254+1)*5=1255ms,"
    "可以根据实际接入最大地址调整",
    "->已获取完成包",
    "原始数据为：5A 03 00 01 5E ,时间 12ms",
    "解析后的参数",
    "header=5A,addr=03,cmd=00,rsp_param[0]=01",
    "->已获取完成包",
    "原始数据为：5A 04 00 00 5E ,时间 17ms",
    "解析后的参数",
    "header=5A,addr=04,cmd=00,rsp_param[0]=00",
    "[--完毕：群体获取状态--]",
};

constexpr int kLines = 1'000'000;
constexpr int kWindow = 1000;       // lines per measured window
constexpr int kEventsEvery = 1000;  // the window's thread gets to its events this often

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class LogBenchmark {
  public:
    LogBenchmark() { dlg.Create(); }

    // ns per line of the next `count` lines appended on the window's thread.
    double AppendOnWindowThread(int count) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            dlg.AppendLog(NextLine());
            if (++m_appended % kEventsEvery == 0) {
                QApplication::processEvents();  // paints the list as the operator sees it
            }
        }
        return static_cast<double>(timer.nsecsElapsed()) / count;
    }

    struct WorkerCost {
        double callerNs;  // per line, on the appending thread
        double shownNs;   // per line, until the window's thread has shown them all
    };

    // `count` lines appended by another thread, as the port worker does.
    WorkerCost AppendFromWorker(int count) {
        std::atomic<bool> finished{false};
        std::atomic<qint64> callerNs{0};
        QElapsedTimer timer;
        timer.start();
        std::thread worker([&] {
            QElapsedTimer own;
            own.start();
            for (int i = 0; i < count; ++i) {
                dlg.AppendLog(NextLine());
            }
            callerNs = own.nsecsElapsed();
            finished = true;
            dlg.Queue().Nudge();
        });
        dlg.ServeUntil([&] { return finished.load(); });
        worker.join();
        m_appended += count;
        return {static_cast<double>(callerNs) / count,
                static_cast<double>(timer.nsecsElapsed()) / count};
    }

    // Median and worst microseconds from posting an event to the window's thread running it.
    std::pair<double, double> PostedEventLatencyUs(int samples) {
        std::vector<double> latencies;
        for (int i = 0; i < samples; ++i) {
            QElapsedTimer timer;
            bool ran = false;
            timer.start();
            QMetaObject::invokeMethod(
                dlg.GetSafeHwnd(),
                [&] {
                    latencies.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000);
                    ran = true;
                },
                Qt::QueuedConnection);
            while (!ran) {
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
        }
        std::sort(latencies.begin(), latencies.end());
        return {latencies[latencies.size() / 2], latencies.back()};
    }

    // Milliseconds to scroll the log to its top and back down, painting both.
    double ScrollAndPaintMs() {
        auto* view = static_cast<QAbstractItemView*>(dlg.m_lbLog.GetSafeHwnd());
        QElapsedTimer timer;
        timer.start();
        view->verticalScrollBar()->setValue(0);
        view->viewport()->repaint();
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        view->viewport()->repaint();
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    struct SaveCost {
        double totalMs;    // from the command to the file being complete
        double longestMs;  // the longest the event loop went without a turn meanwhile
        double megabytes;
    };

    // The log's save, the event loop turning meanwhile as the window's does.
    SaveCost Save() {
        FileDialogRecorder files;
        files.answer =
            (std::filesystem::temp_directory_path() / "velkaro-log-benchmark.log").string();
        QElapsedTimer timer;
        timer.start();
        dlg.SendMessage(WM_COMMAND, IDM_LOG_SAVE);
        qint64 longest = timer.nsecsElapsed();
        for (qint64 last = longest; dlg.LogSaveRunning();) {
            QApplication::processEvents();
            const qint64 now = timer.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        }
        const SaveCost cost{static_cast<double>(timer.nsecsElapsed()) / 1e6,
                            static_cast<double>(longest) / 1e6,
                            static_cast<double>(std::filesystem::file_size(*files.answer)) / 1e6};
        std::filesystem::remove(*files.answer);
        return cost;
    }

    int Appended() const { return m_appended; }
    int Count() { return dlg.m_lbLog.GetCount(); }

  private:
    const std::string& NextLine() {
        m_next = (m_next + 1) % kPollLines.size();
        return kPollLines[m_next];
    }

    CVelkaroDlg dlg;
    size_t m_next = 0;
    int m_appended = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    LogBenchmark bench;
    const long baselineKiB = PeakRssKiB();
    std::printf("log list benchmark: %d lines, window open, baseline peak RSS %.1f MiB\n", kLines,
                baselineKiB / 1024.0);
    std::printf("%10s %22s %22s %22s %20s\n", "lines", "window thread ns/line",
                "worker's side ns/line", "worker until shown", "segment avg ns/line");

    QElapsedTimer segment;
    int segmentStart = 0;
    segment.start();
    for (int mark : {10'000, 100'000, 1'000'000}) {
        // Up to kWindow before the mark in bulk, then the measured window ending at the mark.
        bench.AppendOnWindowThread(mark - kWindow - bench.Appended());
        const double direct = bench.AppendOnWindowThread(kWindow);
        const double segmentAvg =
            static_cast<double>(segment.nsecsElapsed()) / (bench.Appended() - segmentStart);
        const auto worker = bench.AppendFromWorker(kWindow);
        std::printf("%10d %22.0f %22.0f %22.0f %20.0f\n", mark, direct, worker.callerNs,
                    worker.shownNs, segmentAvg);
        segment.restart();
        segmentStart = bench.Appended();
    }

    const auto [medianUs, worstUs] = bench.PostedEventLatencyUs(200);
    std::printf("at %d lines: posted event runs after %.1f us (median), %.1f us (worst of 200)\n",
                bench.Count(), medianUs, worstUs);
    std::printf("at %d lines: scroll to top and back with repaint %.2f ms\n", bench.Count(),
                bench.ScrollAndPaintMs());
    const auto save = bench.Save();
    std::printf(
        "at %d lines: saving the log (%.1f MB) takes %.0f ms, the event loop waiting at "
        "most %.1f ms meanwhile\n",
        bench.Count(), save.megabytes, save.totalMs, save.longestMs);
    std::printf("peak RSS %.1f MiB\n", PeakRssKiB() / 1024.0);
    return 0;
}
