#include "sys/fd_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "sys/write_all.h"

namespace dravik::sys {

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
    if (error_ == 0 && pptr() > pbase()) {
        error_ = WriteAll(fd_, std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
    }
    setp(out_.data(), out_.data() + out_.size());
    return error_ == 0;
}

}  // namespace dravik::sys
