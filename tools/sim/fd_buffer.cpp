#include "sim/fd_buffer.h"

#include <unistd.h>

#include <cerrno>

namespace dravik::sim {

FdBuffer::FdBuffer(int fd) : fd_(fd)
{
    setg(in_.data(), in_.data(), in_.data());
    setp(out_.data(), out_.data() + out_.size());
}

FdBuffer::~FdBuffer()
{
    Flush();
}

FdBuffer::int_type FdBuffer::underflow()
{
    if (error_ != 0) {
        return traits_type::eof();
    }
    ssize_t n = 0;
    do {
        n = ::read(fd_, in_.data(), in_.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        error_ = errno;
    }
    if (n <= 0) {
        return traits_type::eof();
    }
    setg(in_.data(), in_.data(), in_.data() + n);
    return traits_type::to_int_type(in_[0]);
}

FdBuffer::int_type FdBuffer::overflow(int_type c)
{
    if (!Flush()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int FdBuffer::sync()
{
    return Flush() ? 0 : -1;
}

bool FdBuffer::Flush()
{
    const char* next = pbase();
    while (error_ == 0 && next < pptr()) {
        const ssize_t n = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
        if (n < 0 && errno != EINTR) {
            error_ = errno;
        } else if (n == 0) {
            error_ = EIO;  // a write that makes no progress would never end
        } else if (n > 0) {
            next += n;
        }
    }
    setp(out_.data(), out_.data() + out_.size());
    return error_ == 0;
}

}  // namespace dravik::sim
