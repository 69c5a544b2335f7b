#pragma once

// A file that holds one fuzz input for code that reads from a path. It lives
// only while one input is checked: written, read by the code under test and
// removed again, so a finished or interrupted (Ctrl-C, SIGTERM, SIGHUP) run
// leaves nothing in the temporary folder. A run that dies in the middle of an
// input (kill -9, a crash, a timeout) can leave its one file; the next run
// removes the files of processes that are gone.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class ScratchFile
{
public:
    // suffix: what the name ends with (".jpg"), as the code under test may
    // judge a file by its name.
    ScratchFile(const uint8_t* data, size_t size, const char* suffix);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return m_path; }

    // Call from LLVMFuzzerInitialize: removes the scratch files of fuzzer
    // processes that no longer run, and takes SIGINT, SIGTERM and SIGHUP
    // before libFuzzer does (it leaves a handler it finds in place), so an
    // interruption removes the file before the process ends.
    static void prepare();

private:
    std::string m_path;
};

} // namespace fuzz
