// Test helpers for the serial link: a pseudo-terminal as the far end of the port, scratch
// folders, environment overrides and forked children.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "serial/serial.h"

// The slave is the port under test; the master, kept raw, is the far end.
class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    void Send(std::string_view bytes);
    // Up to `count` bytes from the port, waiting no longer than `timeout` in all.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout);
    // Hangs the port up, as pulling out a USB adapter does.
    void CloseMaster();

  private:
    int m_master = -1;
    std::string m_slavePath;
};

SerialHandle OpenLine(const std::string& portName);  // 115200-8-N-1

int OpenFdCount();

// Runs `body` in a forked child; returns its result as the child's exit status.
int RunInChild(const std::function<int()>& body);

std::chrono::milliseconds ProcessCpuTime();

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

// Sets (or, with nullopt, removes) an environment variable until the end of the scope.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

// A private port registry for one test.
class ScopedRegistry {
  public:
    ScopedRegistry() : m_env("VELKARO_PORT_REGISTRY", m_dir.Path()) {}
    const std::string& Path() const { return m_dir.Path(); }

  private:
    TempDir m_dir;
    ScopedEnv m_env;
};
