#pragma once

#include "CliOptions.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Where the lines of voltcheck-cli measure go: standard output, or --output FILE, cut
// into files by --rotate. Every line is written whole with one write(2) of its own
// (never split across files). A file line reaches the disk within a second: a
// syncer thread calls fdatasync once a second while lines wait for it, and the file
// is synced before it is closed (at a rotation and at the end); standard output is
// left to whoever reads it.
//
// Each file is complete on its own: its preamble (the CSV header, or the JSON-lines
// start record) first, and, for CSV, the start record in a sidecar FILE.json beside it
// (a regular file only: a device or a pipe named as the output has none).
class TLineOutput {
public:
    TLineOutput() = default;
    TLineOutput(const TLineOutput&) = delete;
    TLineOutput& operator=(const TLineOutput&) = delete;
    ~TLineOutput();

    // Standard output without path; else creates path (with rotation: the name with
    // the UTC start time before its extension). False with the reason in error.
    bool Open(const std::optional<std::string>& path, const TRotation& rotation, std::string& error);
    // The lines that open every file from now on, and the sidecar's text (empty: none);
    // written at once to the current output.
    bool SetPreamble(std::string preamble, std::string sidecar, std::string& error);
    // One whole line (with its '\n'), after a rotation when one is due.
    bool Write(const std::string& line, std::string& error);
    // Syncs and closes the file (nothing for standard output).
    bool Close(std::string& error);

private:
    using TClock = std::chrono::system_clock;

    bool OpenFile(TClock::time_point start, std::string& error);
    bool CloseFile(std::string& error);
    bool WriteAll(int fd, const std::string& text, std::string& error);
    bool WriteSidecar(std::string& error);
    bool RotationDue(std::size_t lineBytes, TClock::time_point now) const;
    void SyncLoop();

    std::optional<std::string> base_;  // --output as given
    TRotation rotation_;
    std::string name_ = "стандартный вывод";  // for the messages
    std::string path_;                         // the current file
    std::string preamble_;
    std::string sidecar_;
    int fd_ = 1;  // standard output until a file opens
    std::uint64_t fileBytes_ = 0;
    std::uint64_t preambleBytes_ = 0;
    TClock::time_point nextBoundary_ = TClock::time_point::max();

    // The syncer: the file's lines written since its last fdatasync.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t unsynced_ = 0;
    bool closing_ = false;
    std::thread syncer_;
};
