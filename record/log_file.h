// The saved log: UTF-8, one line per log line, "YYYY-MM-DD HH:MM:SS.mmm<TAB>text", local time,
// with this OS's line end. The window's save and velkaro-cli --log write the same format.
#pragma once

#include <cstddef>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>

#include "record/log_line.h"

// Writes the times of the lines; the calendar is worked out once per second, not per line.
class LogTimeFormatter {
  public:
    // Appends "YYYY-MM-DD HH:MM:SS.mmm" of `time`, local, to `out`.
    void Append(WallClock::time_point time, std::string& out);

  private:
    std::time_t m_second = -1;
    std::string m_secondText;  // "YYYY-MM-DD HH:MM:SS" of m_second
};

// Appends the line as the saved log holds it, line end included.
void AppendLogFileLine(const LogLine& line, LogTimeFormatter& times, std::string& out);

// A log file written line by line as the log grows; each line is flushed as it is written,
// so the file holds every line shown even if the program is killed.
class LogFile {
  public:
    // Creates or empties the file; false, with the reason in `error`, when it cannot.
    bool Create(const std::string& path, std::string& error);
    // False once a write has failed.
    bool Write(const LogLine& line);

  private:
    std::ofstream m_file;
    LogTimeFormatter m_times;
    std::string m_text;
};

// Line i of a log, as its holder keeps it (the window keeps the texts in its list).
using LogLineAt = std::function<LogLine(std::size_t index)>;

// A log written into a file a part at a time, so that its holder (the window) can do other
// work between the parts.
class LogSave {
  public:
    // Creates or empties the file; false, with the reason in `error`, when it cannot.
    bool Create(const std::string& path, std::string& error);
    // Writes lines from to to - 1.
    void Write(std::size_t from, std::size_t to, const LogLineAt& lineAt);
    // Closes the file; false, with the reason in `error`, when a write failed.
    bool Finish(std::string& error);

  private:
    std::ofstream m_file;
    LogTimeFormatter m_times;
    std::string m_block;
};

// Writes lines 0 to count - 1 into `path`, which is created or emptied; false, with the reason
// in `error`, when the file cannot be created or written.
bool SaveLog(const std::string& path, std::size_t count, const LogLineAt& lineAt,
             std::string& error);

// Lines 0 to count - 1 without their times, each with this OS's line end: the clipboard's text.
std::string LogText(std::size_t count, const LogLineAt& lineAt);

// The name a saved record is offered under: velkaro-YYYYMMDD-HHMMSS.<extension>, local time.
std::string RecordFileName(WallClock::time_point time, const std::string& extension);
