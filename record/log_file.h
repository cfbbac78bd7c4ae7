// The saved log: UTF-8, one line per log line, "YYYY-MM-DD HH:MM:SS.mmm<TAB>text", local time,
// with this OS's line end. The window's save and velkaro-cli --log write the same format.
#pragma once

#include <ctime>
#include <fstream>
#include <string>
#include <vector>

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

// Writes the whole log into `path`, which is created or emptied; false, with the reason in
// `error`, when the file cannot be created or written.
bool SaveLog(const std::string& path, const std::vector<LogLine>& lines, std::string& error);

// The lines without their times, each with this OS's line end: the clipboard's text.
std::string LogText(const std::vector<LogLine>& lines);
