#include "output_buffer.h"

#include "descriptors.h"
#include "write_all.h"

OutputBuffer::OutputBuffer(int descriptor, std::size_t bytes) : m_descriptor(descriptor), m_buffer(bytes)
{
    m_error = DescriptorError(descriptor);
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

bool OutputBuffer::Drain()
{
    if (m_error == 0)
        m_error = WriteAll(m_descriptor, pbase(), static_cast<std::size_t>(pptr() - pbase()));
    // After a failure nothing more is kept: the run is ending.
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return m_error == 0;
}

OutputBuffer::int_type OutputBuffer::overflow(int_type c)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int OutputBuffer::sync() { return Drain() ? 0 : -1; }

bool OutputBuffer::Close()
{
    if (!Drain())
        return false;
    m_error = CloseDescriptor(m_descriptor);
    return m_error == 0;
}
