// Standard output as a buffered stream that knows why a write failed: a
// full disk, a closed pipe, a closed descriptor. A stream over it fails
// (badbit) at the first write the system refuses, and every write after
// that is dropped, so the run can stop and say why.
#pragma once

#include <cstddef>
#include <streambuf>
#include <vector>

class OutputBuffer : public std::streambuf {
public:
    explicit OutputBuffer(int descriptor, std::size_t bytes = 64 * 1024);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // The errno of the first failed write or close, or 0. A descriptor that
    // is not open at all counts as failed from the start.
    int Error() const { return m_error; }

    // Writes out what is buffered and closes the descriptor: some systems
    // (network file systems) report a failed write only then.
    bool Close();

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool Drain();

    int m_descriptor;
    int m_error = 0;
    std::vector<char> m_buffer;
};
