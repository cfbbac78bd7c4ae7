#include "record/log_file.h"

#include <array>
#include <cstdio>

#include "record/local_conventions.h"
#include "record/output_file.h"

namespace {

// Written in blocks of about this size: few system calls, little memory beyond the log.
constexpr std::size_t kSaveBlockBytes = 1 << 20;

}  // namespace

void LogTimeFormatter::Append(WallClock::time_point time, std::string& out) {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    using std::chrono::seconds;
    // Floored, so that a time before 1970 still gets 0 to 999 milliseconds.
    const auto second = std::chrono::floor<seconds>(time);
    const auto millis = duration_cast<milliseconds>(time - second).count();
    const std::time_t t = WallClock::to_time_t(second);
    if (t != m_second) {
        const std::tm calendar = LocalCalendarTime(t);
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d:%02d",
                      calendar.tm_year + 1900, calendar.tm_mon + 1, calendar.tm_mday,
                      calendar.tm_hour, calendar.tm_min, calendar.tm_sec);
        m_secondText = text.data();
        m_second = t;
    }
    out += m_secondText;
    const char fraction[5] = {'.', static_cast<char>('0' + millis / 100),
                              static_cast<char>('0' + millis / 10 % 10),
                              static_cast<char>('0' + millis % 10), '\0'};
    out += fraction;
}

void AppendLogFileLine(const LogLine& line, LogTimeFormatter& times, std::string& out) {
    times.Append(line.time, out);
    out += '\t';
    out += line.text;
    out += kTextLineEnd;
}

bool LogFile::Create(const std::string& path, std::string& error) {
    return CreateOutputFile(m_file, path, error);
}

bool LogFile::Write(const LogLine& line) {
    m_text.clear();
    AppendLogFileLine(line, m_times, m_text);
    m_file.write(m_text.data(), static_cast<std::streamsize>(m_text.size()));
    m_file.flush();
    return static_cast<bool>(m_file);
}

bool LogSave::Create(const std::string& path, std::string& error) {
    m_block.reserve(kSaveBlockBytes + 4096);
    return CreateOutputFile(m_file, path, error);
}

void LogSave::Write(std::size_t from, std::size_t to, const LogLineAt& lineAt) {
    for (std::size_t i = from; i < to; ++i) {
        AppendLogFileLine(lineAt(i), m_times, m_block);
        if (m_block.size() >= kSaveBlockBytes) {
            m_file.write(m_block.data(), static_cast<std::streamsize>(m_block.size()));
            m_block.clear();
        }
    }
}

bool LogSave::Finish(std::string& error) {
    m_file.write(m_block.data(), static_cast<std::streamsize>(m_block.size()));
    m_block.clear();
    m_file.close();
    if (!m_file) {
        error = FileErrorText();
        return false;
    }
    return true;
}

bool SaveLog(const std::string& path, std::size_t count, const LogLineAt& lineAt,
             std::string& error) {
    LogSave save;
    if (!save.Create(path, error)) {
        return false;
    }
    save.Write(0, count, lineAt);
    return save.Finish(error);
}

std::string LogText(std::size_t count, const LogLineAt& lineAt) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += lineAt(i).text;
        text += kTextLineEnd;
    }
    return text;
}

std::string RecordFileName(WallClock::time_point time, const std::string& extension) {
    const std::tm calendar = LocalCalendarTime(WallClock::to_time_t(time));
    std::array<char, 64> name{};
    std::snprintf(name.data(), name.size(), "velkaro-%04d%02d%02d-%02d%02d%02d.",
                  calendar.tm_year + 1900, calendar.tm_mon + 1, calendar.tm_mday, calendar.tm_hour,
                  calendar.tm_min, calendar.tm_sec);
    return name.data() + extension;
}
