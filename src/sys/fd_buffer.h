#pragma once

#include <array>
#include <streambuf>

namespace dravik::sys {

// A stream buffer over an open file descriptor that keeps the system's
// reason for the first read or write that failed, which iostreams forget.
// After a failure it reads nothing more and writes nothing more. It flushes
// but never closes the descriptor.
class FdBuffer : public std::streambuf {
public:
    explicit FdBuffer(int fd);
    ~FdBuffer() override;
    FdBuffer(const FdBuffer&) = delete;
    FdBuffer& operator=(const FdBuffer&) = delete;

    // The errno of the first failed read or write; 0 while none has failed.
    int Error() const { return error_; }

protected:
    int_type underflow() override;
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool Flush();

    int fd_;
    int error_ = 0;
    std::array<char, 1 << 16> in_;
    std::array<char, 1 << 16> out_;
};

}  // namespace dravik::sys
