// The bus trace: every byte that passes the serial link's transmit and receive hooks, written
// into a pcapng file as it happens. Sent frames are packets as written; received bytes are cut
// by an InboundFramer. One trace at a time, for the whole process.
#pragma once

#include <string>

// Creates the file, writes its headers (the program and its version; the interface named after
// the port) and installs the hooks. False, with the reason in `error`, when the file cannot be
// created; then nothing is traced. A trace already running is ended first.
bool StartBusTrace(const std::string& path, const std::string& program, const std::string& portName,
                   std::string& error);

// Puts everything received so far on disk, except a frame still cut off; the port worker calls
// it after each transaction, so the file is complete whenever the bus is quiet.
void FlushBusTrace();

// Removes the hooks, writes what is still held and closes the file. False, with the reason in
// `error`, when some write of the trace failed. Nothing happens when no trace runs.
bool StopBusTrace(std::string& error);

bool BusTraceRunning();
